#pragma once

#include "Capture.h"

namespace camera {

// A rectangle dragged out by the user: moved by dragging inside it, resized by its edges, nudged
// by the arrow keys (Shift resizes); a double click inside it or Enter takes it.
class TSubAreaCapture : public TCapture {
public:
    TSubAreaCapture() = default;
    // Hint: instructions of its own in place of the usual ones, for a pick of a window that has
    // to fall back to a region.
    explicit TSubAreaCapture(QString Hint) : FHint(std::move(Hint)) {}

protected:
    QString HintText() const override;
    QRect Highlight() const override { return FSelection; }
    Qt::CursorShape CursorAt(const QPoint &P, qreal Ratio) const override;
    void Press(const QPoint &P, qreal Ratio) override;
    void Move(const QPoint &P) override;
    void Release(const QPoint &P) override;
    bool DoubleClick(const QPoint &P) override;
    void Enter() override;
    void Arrow(const QPoint &Step, Qt::KeyboardModifiers Modifiers) override;
    // The instructions give way to the selection once there is one.
    QRect HintRect(const TFrozenScreen &Screen) const override;
    void PaintHighlight(QPainter &P, const QRect &Local, const QRect &Native) const override;

private:
    enum class TDrag { None, New, Move, Resize };

    void SetSelection(const QRect &Value);

    QString FHint;
    QRect FSelection;
    TDrag FDrag = TDrag::None;
    int FEdges = 0;
    QPoint FAnchor;
    QRect FStartSelection;
};

} // namespace camera
