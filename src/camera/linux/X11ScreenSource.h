#pragma once

#include "../ScreenSource.h"

namespace camera {

// The screens as the X server shows them on its root window.
class TX11ScreenSource : public IScreenSource {
public:
    std::vector<QImage> Grab(const QList<QScreen *> &Screens) override;
};

} // namespace camera
