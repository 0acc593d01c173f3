// Window places from other programs, sway's layout tree and the KWin script's answer: any input
// gives rectangles a capture can add and compare without overflowing, never undefined
// behaviour.
#include <QByteArray>
#include <QRect>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "camera/linux/KWinWindowFinder.h"
#include "camera/linux/SwayTree.h"

namespace {

void Check(const std::vector<QRect> &Rects) {
    constexpr int Limit = 1 << 21;
    for (const QRect &R : Rects)
        if (R.isEmpty() || R.left() < -Limit || R.top() < -Limit || R.right() > Limit ||
            R.bottom() > Limit)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    const QByteArray Input(reinterpret_cast<const char *>(Data), qsizetype(Size));
    Check(camera::SwayTreeWindows(Input));
    Check(camera::KWinWindowRects(QString::fromUtf8(Input)));
    return 0;
}
