#include "WindowCapture.h"

#include <QCursor>
#include <QPainter>

namespace camera {

TWindowPick::TWindowPick(std::unique_ptr<IWindowFinder> Finder) : FFinder(std::move(Finder)) {}

void TWindowPick::Prepare() {
    FWindows = FFinder->TopLevelWindows();
}

void TWindowPick::SetWindowRect(const QRect &Window) {
    const QRect Old = FWindowRect;
    FWindowRect = Window.intersected(Desktop());
    if (Old != FWindowRect)
        HighlightChanged(Old, FWindowRect);
}

QString TWindowCapture::HintText() const {
    return QStringLiteral("移动鼠标选择窗口，单击确认，Esc或右键取消");
}

void TWindowCapture::Started() {
    // Outlined from the start, without waiting for the pointer to move.
    PointAt(NativeAt(QCursor::pos(), nullptr));
}

void TWindowCapture::Move(const QPoint &P) {
    PointAt(P);
}

void TWindowCapture::Release(const QPoint &P) {
    PointAt(P);
    Confirm(Highlight());
}

void TWindowCapture::Enter() {
    Confirm(Highlight());
}

QString TSpyCapture::HintText() const {
    return QStringLiteral("按住准星拖到要截取的窗口上，松开即截取；Esc或右键取消");
}

QRect TSpyCapture::TargetRect() const {
    return SpyTarget(PanelRect(), MainScreen().Ratio);
}

QRect TSpyCapture::HintRect(const TFrozenScreen &Screen) const {
    return IsMain(Screen) ? LocalFromNative(Screen, PanelRect()).toAlignedRect() : QRect();
}

Qt::CursorShape TSpyCapture::CursorAt(const QPoint &, qreal) const {
    return FDragging ? Qt::CrossCursor : Qt::ArrowCursor;
}

void TSpyCapture::Aim(const QPoint &P) {
    if (PanelRect().contains(P))
        SetWindowRect({});
    else
        PointAt(P);
}

void TSpyCapture::Press(const QPoint &P, qreal) {
    if (!TargetRect().contains(P))
        return;
    FDragging = true;
    SetCursorEverywhere(Qt::CrossCursor);
    UpdateMainHint(HintRect(MainScreen()));
}

void TSpyCapture::Move(const QPoint &P) {
    if (FDragging)
        Aim(P);
}

void TSpyCapture::Release(const QPoint &P) {
    if (!FDragging)
        return;
    FDragging = false;
    Aim(P);
    if (Highlight().isEmpty())
        Cancel();
    else
        Confirm(Highlight());
}

void TSpyCapture::PaintHint(const TFrozenScreen &Screen, QPainter &P, QRect &TextRect) const {
    // The crosshair stays in its box until it is picked up.
    const QRectF Box = LocalFromNative(Screen, TargetRect());
    P.setPen(QPen(QColor(90, 90, 90), 1));
    P.setBrush(QColor(240, 240, 240));
    P.drawRect(Box.adjusted(0.5, 0.5, -0.5, -0.5));
    if (!FDragging) {
        P.setRenderHint(QPainter::Antialiasing);
        P.setPen(QPen(QColor(200, 0, 0), 2));
        P.setBrush(Qt::NoBrush);
        const QPointF C = Box.center();
        const qreal Rad = Box.width() * 0.3;
        P.drawEllipse(C, Rad, Rad);
        P.drawLine(QPointF(C.x() - Rad * 1.4, C.y()), QPointF(C.x() + Rad * 1.4, C.y()));
        P.drawLine(QPointF(C.x(), C.y() - Rad * 1.4), QPointF(C.x(), C.y() + Rad * 1.4));
        P.setRenderHint(QPainter::Antialiasing, false);
    }
    TextRect.setLeft(qRound(Box.right()) + 10);
}

} // namespace camera
