#include "Session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {

bool IsWaylandSession(const char *SessionType, const char *WaylandDisplay) {
    if (SessionType && std::strcmp(SessionType, "wayland") == 0)
        return true;
    return WaylandDisplay && *WaylandDisplay;
}

bool IsWaylandSession() {
    return IsWaylandSession(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"));
}

bool PlacesWindowsItself(const char *SwaySock, const char *CurrentDesktop) {
    if (SwaySock && *SwaySock)
        return true;
    // A colon-separated list, such as "sway:wlroots"; names are compared without case.
    const std::string_view List = CurrentDesktop ? CurrentDesktop : "";
    std::size_t Start = 0;
    while (Start <= List.size()) {
        std::size_t End = List.find(':', Start);
        if (End == std::string_view::npos)
            End = List.size();
        const std::string_view Name = List.substr(Start, End - Start);
        if (Name.size() == 4 && std::equal(Name.begin(), Name.end(), "sway", [](char A, char B) {
                return std::tolower(static_cast<unsigned char>(A)) == B;
            }))
            return true;
        Start = End + 1;
    }
    return false;
}

bool PlacesWindowsItself() {
    return PlacesWindowsItself(std::getenv("SWAYSOCK"), std::getenv("XDG_CURRENT_DESKTOP"));
}

} // namespace platform
