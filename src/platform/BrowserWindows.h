#pragma once

namespace platform {

// What became of a request to hide or show the browser windows.
enum class TBrowserReach {
    // Every browser window within reach was treated.
    Done,
    // The X11 windows (under XWayland) were treated; the desktop lets no other program reach
    // its Wayland-native windows (GNOME, and Wayland desktops without sway's IPC or KWin).
    X11Only,
    // The desktop gives no way to reach any browser window; nothing was done.
    Unsupported,
    // The desktop's service is there but did not answer this time (a timeout, a restart):
    // nothing was done, and a later request may succeed.
    NoAnswer,
};

// The top-level windows of the web browsers running on the desktop.
class IBrowserWindows {
public:
    virtual ~IBrowserWindows() = default;
    // Show false withdraws every browser window that is on the desktop; Show true brings back
    // those withdrawn that way. Windows of other programs, and this program's own, are never
    // touched. With no browser nothing happens and the request is done.
    virtual TBrowserReach Apply(bool Show) = 0;
    // Whether any browser window that Apply(false) would withdraw is on the desktop now (shown,
    // or minimised but still the user's to bring back). False with no desktop.
    virtual bool AnyOnDesktop() = 0;
};

} // namespace platform
