#include "WaylandBrowserWindows.h"

#include <QStringList>

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

IBrowserWindows *TWaylandBrowserWindows::Desktop(bool &Expected) {
    if (!FSwaySocket.isEmpty()) {
        Expected = true;
        if (!FSway)
            FSway = std::make_unique<TSwayBrowserWindows>(FSwaySocket);
        return FSway.get();
    }
    // $XDG_CURRENT_DESKTOP is a list such as "ubuntu:GNOME" or "KDE".
    const QStringList Desktops =
        QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")).split(':', Qt::SkipEmptyParts);
    Expected = Desktops.contains("KDE", Qt::CaseInsensitive);
    if (!FKWin)
        FKWin = std::make_unique<TKWinBrowserWindows>(FBusAddress);
    return FKWin->Present() ? FKWin.get() : nullptr;
}

TBrowserReach TWaylandBrowserWindows::Apply(bool Show) {
    bool Expected = false;
    if (IBrowserWindows *Desktop = this->Desktop(Expected)) {
        // The desktop first: when it does not answer, the press changes nothing at all, X11
        // windows included, and the next one does the same again.
        const TBrowserReach Reach = Desktop->Apply(Show);
        if (Reach != TBrowserReach::Done)
            return Reach;
        if (FX11)
            FX11->Apply(Show);
        return TBrowserReach::Done;
    }
    if (Expected)
        return TBrowserReach::NoAnswer;
    // A desktop that keeps its Wayland windows to itself: the X11 ones are still ours.
    if (!FX11 || FX11->Apply(Show) != TBrowserReach::Done)
        return TBrowserReach::Unsupported;
    return TBrowserReach::X11Only;
}

bool TWaylandBrowserWindows::AnyOnDesktop() {
    if (FX11 && FX11->AnyOnDesktop())
        return true;
    bool Expected = false;
    IBrowserWindows *Desktop = this->Desktop(Expected);
    return Desktop && Desktop->AnyOnDesktop();
}

} // namespace platform::linux_
