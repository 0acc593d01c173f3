#include "CaptureGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace camera {

QPoint NativeFromGlobal(const TScreenArea &Screen, const QPointF &Global) {
    const QPointF Offset = (Global - QPointF(Screen.Logical.topLeft())) * Screen.Ratio;
    return Screen.Native.topLeft() +
           QPoint(int(std::floor(Offset.x())), int(std::floor(Offset.y())));
}

QRectF LocalFromNative(const TScreenArea &Screen, const QRect &Native) {
    const QPointF TopLeft = QPointF(Native.topLeft() - Screen.Native.topLeft()) / Screen.Ratio;
    return QRectF(TopLeft, QSizeF(Native.size()) / Screen.Ratio);
}

QRect FromEdges(int Left, int Top, int Right, int Bottom) {
    if (Left > Right)
        std::swap(Left, Right);
    if (Top > Bottom)
        std::swap(Top, Bottom);
    return QRect(Left, Top, Right - Left, Bottom - Top);
}

QRect MovedInside(QRect Rect, const QRect &Bounds) {
    if (Rect.right() > Bounds.right())
        Rect.moveRight(Bounds.right());
    if (Rect.bottom() > Bounds.bottom())
        Rect.moveBottom(Bounds.bottom());
    if (Rect.left() < Bounds.left())
        Rect.moveLeft(Bounds.left());
    if (Rect.top() < Bounds.top())
        Rect.moveTop(Bounds.top());
    return Rect.intersected(Bounds);
}

int HitEdges(const QRect &S, const QPoint &P, int Tol) {
    if (S.isEmpty() || !S.adjusted(-Tol, -Tol, Tol, Tol).contains(P))
        return 0;
    const int L = S.left(), T = S.top(), R = S.left() + S.width(), B = S.top() + S.height();
    int Edges = 0;
    const auto Near = [Tol](int A, int B) { return std::abs(A - B) <= Tol; };
    if (Near(P.x(), L) && (!Near(P.x(), R) || std::abs(P.x() - L) <= std::abs(P.x() - R)))
        Edges |= EdgeLeft;
    else if (Near(P.x(), R))
        Edges |= EdgeRight;
    if (Near(P.y(), T) && (!Near(P.y(), B) || std::abs(P.y() - T) <= std::abs(P.y() - B)))
        Edges |= EdgeTop;
    else if (Near(P.y(), B))
        Edges |= EdgeBottom;
    return Edges;
}

QRect ResizedByEdges(const QRect &S, int Edges, const QPoint &D) {
    int L = S.left(), T = S.top(), R = S.left() + S.width(), B = S.top() + S.height();
    if (Edges & EdgeLeft)
        L += D.x();
    if (Edges & EdgeRight)
        R += D.x();
    if (Edges & EdgeTop)
        T += D.y();
    if (Edges & EdgeBottom)
        B += D.y();
    return FromEdges(L, T, R, B);
}

Qt::CursorShape EdgeCursor(int E, Qt::CursorShape Otherwise) {
    if (E == (EdgeLeft | EdgeTop) || E == (EdgeRight | EdgeBottom))
        return Qt::SizeFDiagCursor;
    if (E == (EdgeRight | EdgeTop) || E == (EdgeLeft | EdgeBottom))
        return Qt::SizeBDiagCursor;
    if (E & (EdgeLeft | EdgeRight))
        return Qt::SizeHorCursor;
    if (E & (EdgeTop | EdgeBottom))
        return Qt::SizeVerCursor;
    return Otherwise;
}

QPoint ArrowStep(int Key) {
    switch (Key) {
    case Qt::Key_Left:
        return {-1, 0};
    case Qt::Key_Right:
        return {1, 0};
    case Qt::Key_Up:
        return {0, -1};
    case Qt::Key_Down:
        return {0, 1};
    default:
        return {};
    }
}

QRect Nudged(const QRect &Selection, const QPoint &Step, const QRect &Desktop) {
    return MovedInside(Selection.translated(Step), Desktop);
}

QRect ShiftResized(const QRect &Selection, const QPoint &Step) {
    const QSize Size(std::max(1, Selection.width() + Step.x()),
                     std::max(1, Selection.height() + Step.y()));
    return QRect(Selection.topLeft(), Size);
}

QRect WindowAt(const std::vector<QRect> &Windows, const QPoint &Point) {
    for (const QRect &R : Windows)
        if (R.contains(Point))
            return R;
    return {};
}

QRect HintBox(const TScreenArea &Screen) {
    const QRectF Local(QPointF(0, 0), QSizeF(Screen.Native.size()) / Screen.Ratio);
    return QRect(qRound(Local.center().x()) - 220, 24, 440, 32);
}

QRect SpyPanel(const TScreenArea &S) {
    const QSize Size(qRound(320 * S.Ratio), qRound(64 * S.Ratio));
    return QRect(
        QPoint(S.Native.center().x() - Size.width() / 2, S.Native.top() + qRound(24 * S.Ratio)),
        Size);
}

QRect SpyTarget(const QRect &Panel, qreal R) {
    if (Panel.isEmpty())
        return {};
    return QRect(Panel.topLeft() + QPoint(qRound(8 * R), qRound(8 * R)),
                 QSize(qRound(48 * R), qRound(48 * R)));
}

} // namespace camera
