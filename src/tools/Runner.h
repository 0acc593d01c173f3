#pragma once

#include <memory>

namespace platform {
class IShell;
class ISystemTools;
} // namespace platform

// Starts the desktop's settings-database editor and its system-settings tool. A tool that is not
// installed is reported with the package that provides it; one that does not start is not.
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
