#pragma once

#include <memory>
#include <vector>

#include "Capture.h"
#include "WindowFinder.h"

namespace camera {

// A pick of a whole top-level window: the one under the pointer is outlined, and taken whole.
// The windows are listed before the frozen screens go up, which would otherwise be the topmost.
class TWindowPick : public TCapture {
public:
    explicit TWindowPick(std::unique_ptr<IWindowFinder> Finder);

protected:
    QRect Highlight() const override { return FWindowRect; }
    void Prepare() override;
    // Outlines the window at P, or (for an empty Window) none.
    void PointAt(const QPoint &P) { SetWindowRect(WindowAt(FWindows, P)); }
    void SetWindowRect(const QRect &Window);

private:
    std::unique_ptr<IWindowFinder> FFinder;
    std::vector<QRect> FWindows;
    QRect FWindowRect;
};

// The window under the pointer is outlined as it moves; a click or Enter takes it.
class TWindowCapture : public TWindowPick {
public:
    using TWindowPick::TWindowPick;

protected:
    QString HintText() const override;
    Qt::CursorShape CursorAt(const QPoint &, qreal) const override { return Qt::ArrowCursor; }
    void Started() override;
    void Move(const QPoint &P) override;
    void Release(const QPoint &P) override;
    void Enter() override;
};

// The crosshair of a small panel is dragged onto a window, which is outlined on the way and
// taken when the button is let go; let go over no window (or back on the panel) takes nothing.
class TSpyCapture : public TWindowPick {
public:
    using TWindowPick::TWindowPick;

protected:
    QString HintText() const override;
    Qt::CursorShape CursorAt(const QPoint &P, qreal Ratio) const override;
    void Press(const QPoint &P, qreal Ratio) override;
    void Move(const QPoint &P) override;
    void Release(const QPoint &P) override;
    QRect HintRect(const TFrozenScreen &Screen) const override;
    void PaintHint(const TFrozenScreen &Screen, QPainter &P, QRect &TextRect) const override;
    QRect TargetRect() const override;

private:
    QRect PanelRect() const { return SpyPanel(MainScreen()); }
    // Outlines the window at P; none while the crosshair is over its panel.
    void Aim(const QPoint &P);

    bool FDragging = false;
};

} // namespace camera
