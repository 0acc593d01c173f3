#include "Overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/Session.h"

namespace camera {

namespace {

// A Wayland compositor gives the keyboard to an X11 window it manages, not to one that
// bypasses it: there the overlay is an ordinary window asking to fill its screen.
Qt::WindowFlags OverlayFlags() {
    const Qt::WindowFlags Flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    return platform::IsWaylandSession() ? Flags : Flags | Qt::X11BypassWindowManagerHint;
}

} // namespace

TOverlay::TOverlay(TCapture &Capture, const TCapture::TFrozenScreen &Screen)
    : QWidget(nullptr, OverlayFlags()), FCapture(Capture), FScreen(Screen) {
    setObjectName("CameraOverlay");
    setWindowTitle("CameraOverlay");
    // Every pixel is painted from the frozen image: no background to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(Screen.Logical);
    if (!(windowFlags() & Qt::X11BypassWindowManagerHint))
        setWindowState(Qt::WindowFullScreen);
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
