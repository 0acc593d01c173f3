#pragma once

#include <QString>
#include <memory>

#include "platform/BrowserWindows.h"

namespace platform::linux_ {

class TKWinBrowserWindows;
class TSwayBrowserWindows;

// Browser windows on a Wayland session: the X11 ones under XWayland through the X11 backend,
// the Wayland ones through what the desktop offers, looked for at each request (the desktop may
// come after the program at log-on, and KWin may be restarting): sway's IPC where $SWAYSOCK
// names it, else KWin's scripting where KWin is on the session bus. A KDE session whose KWin is
// not on the bus is one whose KWin does not answer right now. Other desktops (GNOME) let no
// other program reach their Wayland windows: there only the X11 ones are treated, and Apply
// says so.
class TWaylandBrowserWindows : public IBrowserWindows {
public:
    // SwaySocket: empty means $SWAYSOCK; BusAddress: empty means the session bus. Which desktop
    // it is comes from $XDG_CURRENT_DESKTOP at each request.
    explicit TWaylandBrowserWindows(std::shared_ptr<IBrowserWindows> X11, QString SwaySocket = {},
                                    QString BusAddress = {});
    ~TWaylandBrowserWindows() override;
    TWaylandBrowserWindows(const TWaylandBrowserWindows &) = delete;
    TWaylandBrowserWindows &operator=(const TWaylandBrowserWindows &) = delete;

    TBrowserReach Apply(bool Show) override;
    bool AnyOnDesktop() override;

private:
    // The desktop's own way to the Wayland windows; null when it offers none. Expected tells
    // whether the desktop is one that has a way (then null means it does not answer now).
    IBrowserWindows *Desktop(bool &Expected);

    std::shared_ptr<IBrowserWindows> FX11;
    QString FSwaySocket;
    QString FBusAddress;
    std::unique_ptr<TSwayBrowserWindows> FSway;
    std::unique_ptr<TKWinBrowserWindows> FKWin;
};

} // namespace platform::linux_
