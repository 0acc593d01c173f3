#pragma once

#include <QString>
#include <memory>

#include "platform/BrowserWindows.h"

namespace platform::linux_ {

class TKWinBrowserWindows;
class TSwayBrowserWindows;

// Browser windows on a Wayland session: the X11 ones under XWayland through the X11 backend,
// the Wayland ones through what the desktop offers, looked for at each request (the desktop may
// come after the program at log-on): sway's IPC where $SWAYSOCK names it, else KWin's scripting
// where KWin is on the session bus. Other desktops (GNOME without an extension) give no way, and
// Apply says so.
class TWaylandBrowserWindows : public IBrowserWindows {
public:
    // SwaySocket: empty means $SWAYSOCK; BusAddress: empty means the session bus.
    explicit TWaylandBrowserWindows(std::shared_ptr<IBrowserWindows> X11, QString SwaySocket = {},
                                    QString BusAddress = {});
    ~TWaylandBrowserWindows() override;
    TWaylandBrowserWindows(const TWaylandBrowserWindows &) = delete;
    TWaylandBrowserWindows &operator=(const TWaylandBrowserWindows &) = delete;

    bool Apply(bool Show) override;
    bool AnyOnDesktop() override;

private:
    // The desktop's own way to the Wayland windows; null when it offers none.
    IBrowserWindows *Desktop();

    std::shared_ptr<IBrowserWindows> FX11;
    QString FSwaySocket;
    QString FBusAddress;
    std::unique_ptr<TSwayBrowserWindows> FSway;
    std::unique_ptr<TKWinBrowserWindows> FKWin;
};

} // namespace platform::linux_
