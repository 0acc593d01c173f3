#pragma once

#include <QSystemTrayIcon>
#include <functional>

class QWidget;

// What the notification area the icon sits in can report, and what the program does where
// there is none.
namespace TrayHost {

// Whether the icon sits in an XEmbed tray: there Qt draws the icon in a window of its own and
// sees every click, double clicks included. A StatusNotifierItem host (waybar, KDE Plasma, the
// GNOME extensions) reports one activation per click and never a double click. Always true on an
// X11 session, where the icon keeps opening the main window on a double click only.
bool SendsDoubleClicks();

// Whether an activation of the icon opens the main window: a double click where the host
// reports double clicks, else the single activation.
bool OpensMainWindow(QSystemTrayIcon::ActivationReason Reason, bool DoubleClicks);

// A program that starts hidden is reachable only through its icon: where no notification area
// is there at start, nor within GraceMs after (a panel that comes up with the session), Window
// is shown. Nothing happens once Window has gone. Meant for Wayland sessions (see its caller).
void ShowWhenNoTray(QWidget *Window,
                    std::function<bool()> Available = &QSystemTrayIcon::isSystemTrayAvailable,
                    int GraceMs = 2000);

} // namespace TrayHost
