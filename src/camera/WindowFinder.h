#pragma once

#include <QRect>
#include <memory>
#include <vector>

namespace camera {

// The top-level windows of the desktop, so that a capture can take the one under the pointer.
class IWindowFinder {
public:
    virtual ~IWindowFinder() = default;
    // The visible top-level windows in screen pixels, the topmost first.
    virtual std::vector<QRect> TopLevelWindows() = 0;
};

// The finder of the windowing system the library was built for; one that finds nothing where
// that system is not in use. Null on a desktop that tells no one where its windows are (a
// Wayland session other than sway or KWin): there a window can only be picked as a region.
std::unique_ptr<IWindowFinder> CreateWindowFinder();

} // namespace camera

namespace camera {
// Waits until the windowing system has carried out everything this process asked of it, so
// that what was painted is on the screen.
void SyncWindowSystem();
} // namespace camera
