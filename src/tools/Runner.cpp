#include "Runner.h"

#include <QString>
#include <filesystem>

#include "dialogs/Dialogs.h"
#include "platform/Shell.h"
#include "platform/SystemTools.h"

TRunner::TRunner(std::shared_ptr<platform::ISystemTools> Tools,
                 std::shared_ptr<platform::IShell> Shell)
    : FTools(std::move(Tools)), FShell(std::move(Shell)) {}

void TRunner::Run(bool Policy) {
    std::string Package;
    // These are conveniences: a tool that fails on the way simply does not appear.
    try {
        if (!FTools || !FShell)
            return;
        const std::string Program = Policy ? FTools->PolicyEditor() : FTools->SettingsEditor();
        if (!Program.empty()) {
            // The tool runs in the system folder it was found in, as the system's own tools do.
            FShell->Open(Program, std::filesystem::path(Program).parent_path().string());
            return;
        }
        Package = Policy ? FTools->PolicyEditorPackage() : FTools->SettingsEditorPackage();
    } catch (...) {
        return;
    }
    // Most desktops come without one of these tools: a button that does nothing would leave the
    // user guessing, so say what to install.
    if (!Package.empty()) {
        const QString Tool = Policy ? QString("组策略编辑器") : QString("注册表编辑器");
        Dialogs::ShowMessage(
            QString("没有找到%1,请安装 %2").arg(Tool, QString::fromStdString(Package)));
    }
}

void TRunner::RunRegedit() {
    Run(false);
}

void TRunner::RunGpeidt() {
    Run(true);
}
