#pragma once

namespace platform {

// Whether the desktop session is a Wayland one: the login manager says so, or a Wayland
// compositor is there for clients. The program's own windows still go through XWayland there,
// but services that X11 cannot give a Wayland session (system-wide hotkeys) change backend.
bool IsWaylandSession(const char *SessionType, const char *WaylandDisplay);
// The same, from $XDG_SESSION_TYPE and $WAYLAND_DISPLAY.
bool IsWaylandSession();

// Whether the desktop places every managed window itself and ignores the position a window asks
// for: sway tiles or centres X11 windows (its IPC socket is set, or it is named in the desktop
// list). KWin, GNOME and the X11 window managers keep a window where it asked to be.
bool PlacesWindowsItself(const char *SwaySock, const char *CurrentDesktop);
// The same, from $SWAYSOCK and $XDG_CURRENT_DESKTOP.
bool PlacesWindowsItself();

} // namespace platform
