#include "Overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace camera {

TOverlay::TOverlay(TCapture &Capture, const TCapture::TFrozenScreen &Screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint),
      FCapture(Capture), FScreen(Screen) {
    setObjectName("CameraOverlay");
    setWindowTitle("CameraOverlay");
    // Every pixel is painted from the frozen image: no background to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(Screen.Logical);
}

void TOverlay::paintEvent(QPaintEvent *Event) {
    Safely([&] {
        QPainter P(this);
        FCapture.Paint(FScreen, P, Event->rect());
        P.end();
        if (!FPainted) {
            FPainted = true;
            FCapture.Painted(this);
        }
    });
}

void TOverlay::mousePressEvent(QMouseEvent *E) {
    Safely([&] { FCapture.MousePress(this, E->globalPosition(), E->button()); });
}

void TOverlay::mouseMoveEvent(QMouseEvent *E) {
    Safely([&] { FCapture.MouseMove(this, E->globalPosition()); });
}

void TOverlay::mouseReleaseEvent(QMouseEvent *E) {
    Safely([&] { FCapture.MouseRelease(this, E->globalPosition(), E->button()); });
}

void TOverlay::mouseDoubleClickEvent(QMouseEvent *E) {
    Safely([&] { FCapture.MouseDoubleClick(this, E->globalPosition(), E->button()); });
}

void TOverlay::keyPressEvent(QKeyEvent *E) {
    Safely([&] { FCapture.KeyPress(E->key(), E->modifiers()); });
}

void TOverlay::closeEvent(QCloseEvent *) {
    FCapture.Cancel();
}

bool TOverlay::event(QEvent *E) {
    return E->type() == QEvent::ActivationChange || QWidget::event(E);
}

} // namespace camera
