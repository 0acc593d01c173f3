#pragma once

#include <QRect>
#include <QtGlobal>
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

// A window's place and size as another program gives them, as a rectangle; an empty one for
// values no desktop has (a place beyond a million pixels either way, a size not above zero or
// above a million): a QRect's own arithmetic, and every sum made with it later, would overflow
// on them.
inline QRect WindowRectFrom(qint64 X, qint64 Y, qint64 Width, qint64 Height) {
    constexpr qint64 Limit = 1 << 20;
    if (X < -Limit || X > Limit || Y < -Limit || Y > Limit || Width <= 0 || Width > Limit ||
        Height <= 0 || Height > Limit)
        return {};
    return QRect(int(X), int(Y), int(Width), int(Height));
}

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
