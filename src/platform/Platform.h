#pragma once

#include <memory>

#include "AutoRun.h"
#include "HotKeys.h"
#include "InstanceGuard.h"
#include "Power.h"
#include "Shell.h"

namespace platform {

// The services of the operating system that the features use, each behind a small interface so
// that another system can be added and tests can record what was asked.
struct TPlatform {
    std::shared_ptr<IAutoRun> AutoRun;
    std::shared_ptr<IInstanceGuard> InstanceGuard;
    std::shared_ptr<IShell> Shell;
    std::shared_ptr<IPower> Power;
    std::shared_ptr<IHotKeys> HotKeys;
};

// The backends of the system the program was built for.
TPlatform CreatePlatform();

} // namespace platform
