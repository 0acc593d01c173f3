#pragma once

#include <memory>

namespace platform {
class IShell;
class ISystemTools;
} // namespace platform

// Starts the desktop's settings-database editor and its system-settings tool. A tool that is
// missing or does not start is not reported.
class TRunner {
public:
    TRunner(std::shared_ptr<platform::ISystemTools> Tools, std::shared_ptr<platform::IShell> Shell);
    void RunRegedit();
    void RunGpeidt();

private:
    void Run(bool Policy);
    std::shared_ptr<platform::ISystemTools> FTools;
    std::shared_ptr<platform::IShell> FShell;
};
