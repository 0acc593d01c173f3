#include "Runner.h"

#include <filesystem>

#include "platform/Shell.h"
#include "platform/SystemTools.h"

TRunner::TRunner(std::shared_ptr<platform::ISystemTools> Tools,
                 std::shared_ptr<platform::IShell> Shell)
    : FTools(std::move(Tools)), FShell(std::move(Shell)) {}

void TRunner::Run(bool Policy) {
    // These are conveniences: whatever goes wrong, the user simply sees no tool appear.
    try {
        if (!FTools || !FShell)
            return;
        const std::string Program = Policy ? FTools->PolicyEditor() : FTools->SettingsEditor();
        if (Program.empty())
            return;
        // The tool runs in the system folder it was found in, as the system's own tools do.
        FShell->Open(Program, std::filesystem::path(Program).parent_path().string());
    } catch (...) {
    }
}

void TRunner::RunRegedit() {
    Run(false);
}

void TRunner::RunGpeidt() {
    Run(true);
}
