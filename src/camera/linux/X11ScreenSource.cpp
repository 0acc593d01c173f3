#include "X11ScreenSource.h"

#include <QPixmap>
#include <QScreen>

namespace camera {

std::vector<QImage> TX11ScreenSource::Grab(const QList<QScreen *> &Screens) {
    std::vector<QImage> Result;
    Result.reserve(Screens.size());
    for (QScreen *S : Screens)
        Result.push_back(S->grabWindow(0).toImage());
    return Result;
}

} // namespace camera
