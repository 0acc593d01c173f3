#pragma once

#include <memory>

#include "AutoRun.h"
#include "BrowserWindows.h"
#include "CpuTimes.h"
#include "DesktopShortcuts.h"
#include "HotKeys.h"
#include "InstanceGuard.h"
#include "Power.h"
#include "SchemeHandlers.h"
#include "Shell.h"
#include "StartPage.h"
#include "SystemTools.h"

namespace platform {

// The services of the operating system that the features use, each behind a small interface so
// that another system can be added and tests can record what was asked.
struct TPlatform {
    std::shared_ptr<IAutoRun> AutoRun;
    std::shared_ptr<IInstanceGuard> InstanceGuard;
    std::shared_ptr<IShell> Shell;
    std::shared_ptr<IPower> Power;
    std::shared_ptr<ISchemeHandlers> SchemeHandlers;
    std::shared_ptr<ISystemTools> SystemTools;
    std::shared_ptr<ICpuTimes> CpuTimes;
    std::shared_ptr<IBrowserWindows> BrowserWindows;
    std::shared_ptr<IStartPage> StartPage;
    std::shared_ptr<IHotKeys> HotKeys;
    // Where HotKeys offers none: the desktop's own shortcut settings.
    std::shared_ptr<IDesktopShortcuts> DesktopShortcuts;
};

// The backends of the system the program was built for.
TPlatform CreatePlatform();

} // namespace platform
