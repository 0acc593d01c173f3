#pragma once

#include <QString>
#include <memory>

#include "../WindowFinder.h"

namespace platform::linux_ {
class TKWinScripts;
}

namespace camera {

// The windows of a KDE Plasma (KWin) session on Wayland, asked of KWin by a small script each
// time: those shown on the current desktop, in KWin's stacking order, the desktop's own
// background left out.
class TKWinWindowFinder : public IWindowFinder {
public:
    // BusAddress: the session bus to use; empty means the session bus of the environment.
    explicit TKWinWindowFinder(const QString &BusAddress = {});
    ~TKWinWindowFinder() override;
    // Whether KWin is on the bus.
    bool Present() const;
    std::vector<QRect> TopLevelWindows() override;

private:
    std::unique_ptr<platform::linux_::TKWinScripts> FKWin;
};

// The script's answer, "x y w h" per window separated by ';', as rectangles; malformed entries
// and absurd values (see WindowRectFrom) are left out.
std::vector<QRect> KWinWindowRects(const QString &Answer);

} // namespace camera
