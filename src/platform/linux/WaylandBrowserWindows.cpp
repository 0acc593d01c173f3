#include "WaylandBrowserWindows.h"

#include "KWinBrowserWindows.h"
#include "SwayBrowserWindows.h"

namespace platform::linux_ {

TWaylandBrowserWindows::TWaylandBrowserWindows(std::shared_ptr<IBrowserWindows> X11,
                                               QString SwaySocket, QString BusAddress)
    : FX11(std::move(X11)), FSwaySocket(std::move(SwaySocket)), FBusAddress(std::move(BusAddress)) {
    if (FSwaySocket.isEmpty())
        FSwaySocket = QString::fromLocal8Bit(qgetenv("SWAYSOCK"));
}

TWaylandBrowserWindows::~TWaylandBrowserWindows() = default;

IBrowserWindows *TWaylandBrowserWindows::Desktop() {
    if (!FSwaySocket.isEmpty()) {
        if (!FSway)
            FSway = std::make_unique<TSwayBrowserWindows>(FSwaySocket);
        return FSway.get();
    }
    if (!FKWin)
        FKWin = std::make_unique<TKWinBrowserWindows>(FBusAddress);
    return FKWin->Present() ? FKWin.get() : nullptr;
}

bool TWaylandBrowserWindows::Apply(bool Show) {
    const bool X11Done = !FX11 || FX11->Apply(Show);
    IBrowserWindows *Desktop = this->Desktop();
    return Desktop && Desktop->Apply(Show) && X11Done;
}

bool TWaylandBrowserWindows::AnyOnDesktop() {
    if (FX11 && FX11->AnyOnDesktop())
        return true;
    IBrowserWindows *Desktop = this->Desktop();
    return Desktop && Desktop->AnyOnDesktop();
}

} // namespace platform::linux_
