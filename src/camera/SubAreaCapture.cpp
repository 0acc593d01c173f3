#include "SubAreaCapture.h"

#include <QFontMetrics>
#include <QPainter>

namespace camera {

namespace {

// How near an edge, in Qt pixels, the pointer grabs it.
constexpr int EdgeTolerance = 5;

int Tolerance(qreal Ratio) {
    return qRound(EdgeTolerance * Ratio);
}

} // namespace

QString TSubAreaCapture::HintText() const {
    if (!FHint.isEmpty())
        return FHint;
    return QStringLiteral("拖动鼠标选择截图区域，双击或回车确认，Esc或右键取消");
}

QRect TSubAreaCapture::HintRect(const TFrozenScreen &Screen) const {
    if (!FSelection.isEmpty())
        return {};
    // Instructions of their own are longer: room for a second line.
    const QRect Box = TCapture::HintRect(Screen);
    return FHint.isEmpty() || Box.isEmpty() ? Box : Box.adjusted(0, 0, 0, 22);
}

void TSubAreaCapture::SetSelection(const QRect &Value) {
    const QRect Old = FSelection;
    const QRect OldHints = HintRect(MainScreen());
    FSelection = Value.intersected(Desktop());
    if (Old != FSelection) {
        HighlightChanged(Old, FSelection);
        UpdateMainHint(OldHints);
    }
}

Qt::CursorShape TSubAreaCapture::CursorAt(const QPoint &P, qreal Ratio) const {
    const int E = FDrag == TDrag::Resize ? FEdges : HitEdges(FSelection, P, Tolerance(Ratio));
    const bool Moves = FDrag == TDrag::Move || (FDrag == TDrag::None && FSelection.contains(P));
    return EdgeCursor(E, Moves ? Qt::SizeAllCursor : Qt::CrossCursor);
}

void TSubAreaCapture::Press(const QPoint &P, qreal Ratio) {
    FStartSelection = FSelection;
    FAnchor = P;
    FEdges = HitEdges(FSelection, P, Tolerance(Ratio));
    if (FEdges) {
        FDrag = TDrag::Resize;
    } else if (FSelection.contains(P)) {
        FDrag = TDrag::Move;
    } else {
        FDrag = TDrag::New;
        SetSelection({});
    }
}

void TSubAreaCapture::Move(const QPoint &P) {
    switch (FDrag) {
    case TDrag::None:
        break;
    case TDrag::New:
        SetSelection(FromEdges(FAnchor.x(), FAnchor.y(), P.x(), P.y()));
        break;
    case TDrag::Move:
        SetSelection(MovedInside(FStartSelection.translated(P - FAnchor), Desktop()));
        break;
    case TDrag::Resize:
        SetSelection(ResizedByEdges(FStartSelection, FEdges, P - FAnchor));
        break;
    }
}

void TSubAreaCapture::Release(const QPoint &) {
    FDrag = TDrag::None;
    if (FSelection.isEmpty())
        SetSelection({});
}

bool TSubAreaCapture::DoubleClick(const QPoint &P) {
    if (!FSelection.contains(P))
        return false;
    FDrag = TDrag::None;
    Confirm(FSelection);
    return true;
}

void TSubAreaCapture::Enter() {
    Confirm(FSelection);
}

void TSubAreaCapture::Arrow(const QPoint &Step, Qt::KeyboardModifiers Modifiers) {
    if (FSelection.isEmpty() || FDrag != TDrag::None)
        return;
    // Shift moves the right and bottom edges.
    if (Modifiers & Qt::ShiftModifier)
        SetSelection(ShiftResized(FSelection, Step));
    else
        SetSelection(Nudged(FSelection, Step, Desktop()));
}

void TSubAreaCapture::PaintHighlight(QPainter &P, const QRect &Local, const QRect &Native) const {
    // Handles on the corners and the middles of the edges.
    P.setBrush(OutlineColor());
    P.setPen(Qt::NoPen);
    const QPointF C = QRectF(Local).center();
    const qreal L = Local.left(), T = Local.top();
    const qreal Ri = Local.left() + Local.width(), B = Local.top() + Local.height();
    for (const QPointF &Pt : {QPointF(L, T), QPointF(C.x(), T), QPointF(Ri, T), QPointF(L, C.y()),
                              QPointF(Ri, C.y()), QPointF(L, B), QPointF(C.x(), B), QPointF(Ri, B)})
        P.drawRect(QRectF(Pt - QPointF(3, 3), QSizeF(6, 6)));
    // The size in screen pixels beside the rectangle, above it where there is room.
    const QString Size = QStringLiteral("%1 × %2").arg(Native.width()).arg(Native.height());
    const QFontMetrics M(P.font());
    QRect Label(0, 0, M.horizontalAdvance(Size) + 12, M.height() + 6);
    Label.moveBottomLeft(Local.topLeft() - QPoint(0, 4));
    if (Label.top() < 0)
        Label.moveTopLeft(Local.topLeft() + QPoint(4, 4));
    P.setBrush(QColor(0, 0, 0, 190));
    P.drawRoundedRect(Label, 3, 3);
    P.setPen(Qt::white);
    P.drawText(Label, Qt::AlignCenter, Size);
}

} // namespace camera
