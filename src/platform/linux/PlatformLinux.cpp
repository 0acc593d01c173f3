#include "platform/KeyNames.h"
#include "platform/Platform.h"

#include <cstdlib>

#include "LogindPower.h"
#include "SocketInstanceGuard.h"
#include "XcbHotKeys.h"
#include "XdgAutoRun.h"
#include "XdgShell.h"
#include "XkbKeyNames.h"

namespace platform {

TPlatform CreatePlatform() {
    TPlatform P;
    P.AutoRun = std::make_shared<linux_::TXdgAutoRun>(linux_::TXdgAutoRun::DefaultSystemDir(),
                                                      linux_::TXdgAutoRun::DefaultUserDir());
    P.InstanceGuard = std::make_shared<linux_::TSocketInstanceGuard>();
    P.Shell = std::make_shared<linux_::TXdgShell>();
    // Whole-program tests must never switch the machine off: they name a file to write to.
    if (const char *Log = std::getenv("QINGCHUAN_POWER_LOG"); Log && *Log)
        P.Power = std::make_shared<linux_::TRecordingPower>(Log);
    else
        P.Power = std::make_shared<linux_::TLogindPower>();
    P.HotKeys = std::make_shared<linux_::TXcbHotKeys>();
    return P;
}

std::shared_ptr<IKeyNames> CreateKeyNames() {
    return std::make_shared<linux_::TXkbKeyNames>();
}

} // namespace platform
