#pragma once

namespace platform {

// The top-level windows of the web browsers running on the desktop.
class IBrowserWindows {
public:
    virtual ~IBrowserWindows() = default;
    // Show false withdraws every browser window that is on the desktop; Show true brings back
    // those withdrawn that way. Windows of other programs, and this program's own, are never
    // touched. With no desktop or no browser nothing happens. False when the desktop gives this
    // program no way to reach some of its windows (a Wayland desktop without the means used
    // here): what could be reached was still done, and the caller should say so.
    virtual bool Apply(bool Show) = 0;
    // Whether any browser window that Apply(false) would withdraw is on the desktop now (shown,
    // or minimised but still the user's to bring back). False with no desktop.
    virtual bool AnyOnDesktop() = 0;
};

} // namespace platform
