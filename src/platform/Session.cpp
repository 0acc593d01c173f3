#include "Session.h"

#include <cstdlib>
#include <cstring>

namespace platform {

bool IsWaylandSession(const char *SessionType, const char *WaylandDisplay) {
    if (SessionType && std::strcmp(SessionType, "wayland") == 0)
        return true;
    return WaylandDisplay && *WaylandDisplay;
}

bool IsWaylandSession() {
    return IsWaylandSession(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"));
}

} // namespace platform
