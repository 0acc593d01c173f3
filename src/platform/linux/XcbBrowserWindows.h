#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/BrowserWindows.h"

namespace platform::linux_ {

// Browser windows on the X display: the client windows found by walking the root window's tree
// (a withdrawn window is no longer in _NET_CLIENT_LIST, so that list cannot bring it back),
// whose WM_CLASS instance or class names a known browser. Hiding withdraws a window the ICCCM
// way (unmap, then the synthetic UnmapNotify to the root window) and marks it, so that showing
// maps exactly the windows hidden here and never a browser's own never-shown helper windows.
class TXcbBrowserWindows : public IBrowserWindows {
public:
    // Display: as for xcb_connect; empty means $DISPLAY.
    explicit TXcbBrowserWindows(std::string Display = {});
    // Unsupported when there is no X server to reach.
    TBrowserReach Apply(bool Show) override;
    bool AnyOnDesktop() override;

    // Whether a WM_CLASS instance or class names a known browser (ASCII case ignored).
    static bool IsBrowserClass(std::string_view Name);
    // The names IsBrowserClass knows, as written.
    static std::vector<std::string_view> BrowserClassNames();
    // The name of the mark left on windows withdrawn here.
    static constexpr const char *HiddenMark = "_QINGCHUAN_HIDDEN";

private:
    std::string FDisplay;
};

} // namespace platform::linux_
