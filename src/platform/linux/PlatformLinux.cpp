#include "platform/Platform.h"

#include "SocketInstanceGuard.h"
#include "XdgAutoRun.h"

namespace platform {

TPlatform CreatePlatform() {
    TPlatform P;
    P.AutoRun = std::make_shared<linux_::TXdgAutoRun>(linux_::TXdgAutoRun::DefaultSystemDir(),
                                                      linux_::TXdgAutoRun::DefaultUserDir());
    P.InstanceGuard = std::make_shared<linux_::TSocketInstanceGuard>();
    return P;
}

} // namespace platform
