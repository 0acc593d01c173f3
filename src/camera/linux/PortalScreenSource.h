#pragma once

#include "../ScreenSource.h"

namespace camera {

// The screens cut from one picture of the whole desktop taken by the desktop portal. The
// picture spans the bounding box of all outputs; each screen's part is found by its place in
// that box, scaled by the picture's size against the box's.
class TPortalScreenSource : public IScreenSource {
public:
    // TimeoutMs: how long the portal may take to take the call; its answer is awaited longer.
    explicit TPortalScreenSource(int TimeoutMs = 10000) : FTimeoutMs(TimeoutMs) {}
    std::vector<QImage> Grab(const QList<QScreen *> &Screens) override;

private:
    int FTimeoutMs;
};

} // namespace camera
