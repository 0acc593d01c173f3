#include "platform/KeyNames.h"
#include "platform/Platform.h"
#include "platform/Session.h"

#include <cstdlib>

#include "DesktopShortcutSettings.h"
#include "DesktopSystemTools.h"
#include "LogindPower.h"
#include "PolicyStartPage.h"
#include "PortalGlobalShortcuts.h"
#include "ProcStatCpuTimes.h"
#include "SocketInstanceGuard.h"
#include "WaylandBrowserWindows.h"
#include "XcbBrowserWindows.h"
#include "XcbHotKeys.h"
#include "XdgAutoRun.h"
#include "XdgSchemeHandlers.h"
#include "XdgShell.h"
#include "XkbKeyNames.h"

namespace platform {

TPlatform CreatePlatform() {
    TPlatform P;
    P.AutoRun = std::make_shared<linux_::TXdgAutoRun>(linux_::TXdgAutoRun::DefaultSystemDir(),
                                                      linux_::TXdgAutoRun::DefaultUserDir());
    P.InstanceGuard = std::make_shared<linux_::TSocketInstanceGuard>();
    P.Shell = std::make_shared<linux_::TXdgShell>();
    P.SchemeHandlers = std::make_shared<linux_::TXdgSchemeHandlers>();
    P.SystemTools = std::make_shared<linux_::TDesktopSystemTools>();
    // Whole-program tests must never switch the machine off: they name a file to write to.
    if (const char *Log = std::getenv("QINGCHUAN_POWER_LOG"); Log && *Log)
        P.Power = std::make_shared<linux_::TRecordingPower>(Log);
    else
        P.Power = std::make_shared<linux_::TLogindPower>();
    P.CpuTimes = std::make_shared<linux_::TProcStatCpuTimes>();
    // Browsers on a Wayland session are mostly Wayland clients, out of reach of X11: there the
    // desktop's own means hide them, and X11 still withdraws those under XWayland.
    if (IsWaylandSession())
        P.BrowserWindows = std::make_shared<linux_::TWaylandBrowserWindows>(
            std::make_shared<linux_::TXcbBrowserWindows>());
    else
        P.BrowserWindows = std::make_shared<linux_::TXcbBrowserWindows>();
    P.StartPage =
        std::make_shared<linux_::TPolicyStartPage>("/", linux_::TPolicyStartPage::DefaultHome(),
                                                   linux_::TPolicyStartPage::DefaultConfigHome());
    // A key grab on the X root sees keys only while an X11 window has the focus, which on a
    // Wayland session is rarely so: there the desktop portal carries the hotkeys.
    if (IsWaylandSession())
        P.HotKeys = std::make_shared<linux_::TPortalGlobalShortcuts>();
    else
        P.HotKeys = std::make_shared<linux_::TXcbHotKeys>();
    P.DesktopShortcuts = std::make_shared<linux_::TDesktopShortcutSettings>();
    return P;
}

std::shared_ptr<IKeyNames> CreateKeyNames() {
    return std::make_shared<linux_::TXkbKeyNames>();
}

} // namespace platform
