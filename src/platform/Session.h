#pragma once

namespace platform {

// Whether the desktop session is a Wayland one: the login manager says so, or a Wayland
// compositor is there for clients. The program's own windows still go through XWayland there,
// but services that X11 cannot give a Wayland session (system-wide hotkeys) change backend.
bool IsWaylandSession(const char *SessionType, const char *WaylandDisplay);
// The same, from $XDG_SESSION_TYPE and $WAYLAND_DISPLAY.
bool IsWaylandSession();

} // namespace platform
