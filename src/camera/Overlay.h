#pragma once

#include <QWidget>

#include "Capture.h"

namespace camera {

// A borderless window over one screen showing its frozen image; it hands everything to the
// capture. Errors never leave its handlers: they end the capture instead. Tests follow the
// capture through its properties: "Highlight" (the rectangle outlined, root-window pixels),
// "KeyboardGrabbed" (set on the window holding the keyboard), "TargetCenter" (the spy
// panel's crosshair) and "Hint" (the instructions shown).
class TOverlay : public QWidget {
public:
    TOverlay(TCapture &Capture, const TCapture::TFrozenScreen &Screen);
    qreal Ratio() const { return FScreen.Ratio; }
    const TCapture::TFrozenScreen &Screen() const { return FScreen; }

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *E) override;
    void mouseMoveEvent(QMouseEvent *E) override;
    void mouseReleaseEvent(QMouseEvent *E) override;
    void mouseDoubleClickEvent(QMouseEvent *E) override;
    void keyPressEvent(QKeyEvent *E) override;
    void closeEvent(QCloseEvent *) override;
    // Focus and activation change nothing on the screen: no repaint of the whole frozen image.
    void focusInEvent(QFocusEvent *) override {}
    void focusOutEvent(QFocusEvent *) override {}
    bool event(QEvent *E) override;

private:
    template <class F> void Safely(F Fn) {
        try {
            Fn();
        } catch (...) {
            FCapture.Fail(std::current_exception());
        }
    }

    TCapture &FCapture;
    const TCapture::TFrozenScreen &FScreen;
    bool FPainted = false;
};

} // namespace camera
