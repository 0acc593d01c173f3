#include "ClipboardBridge.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

#include "platform/Session.h"

namespace camera {

namespace {

xcb_atom_t Atom(xcb_connection_t *C, const char *Name) {
    xcb_intern_atom_reply_t *Reply =
        xcb_intern_atom_reply(C, xcb_intern_atom(C, 0, uint16_t(std::strlen(Name)), Name), nullptr);
    const xcb_atom_t Result = Reply ? Reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(Reply);
    return Result;
}

// Sees another client ask this one for the clipboard's formats.
class TTargetsAsked : public QAbstractNativeEventFilter {
public:
    TTargetsAsked(xcb_atom_t Clipboard, xcb_atom_t Targets, QEventLoop &Loop)
        : FClipboard(Clipboard), FTargets(Targets), FLoop(Loop) {}
    bool Asked = false;

    bool nativeEventFilter(const QByteArray &Type, void *Message, qintptr *) override {
        if (Type != "xcb_generic_event_t")
            return false;
        const auto *E = static_cast<const xcb_generic_event_t *>(Message);
        if ((E->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto *R = static_cast<const xcb_selection_request_event_t *>(Message);
        if (R->selection == FClipboard && R->target == FTargets && !Asked) {
            Asked = true;
            // Qt answers this event once the filter lets it through: quit after that.
            QTimer::singleShot(0, &FLoop, &QEventLoop::quit);
        }
        return false;
    }

private:
    xcb_atom_t FClipboard, FTargets;
    QEventLoop &FLoop;
};

} // namespace

void SetClipboardImage(const QImage &Image, int LimitMs) {
    auto *App = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *X11 = App ? App->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *C = X11 ? X11->connection() : nullptr;
    if (!C || !platform::IsWaylandSession()) {
        QGuiApplication::clipboard()->setImage(Image, QClipboard::Clipboard);
        return;
    }
    QEventLoop Loop;
    TTargetsAsked Filter(Atom(C, "CLIPBOARD"), Atom(C, "TARGETS"), Loop);
    App->installNativeEventFilter(&Filter);
    QGuiApplication::clipboard()->setImage(Image, QClipboard::Clipboard);
    if (!Filter.Asked) {
        // A compositor that does not copy the clipboard never asks: the capture ends anyway.
        QTimer::singleShot(LimitMs, &Loop, &QEventLoop::quit);
        Loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    App->removeNativeEventFilter(&Filter);
}

} // namespace camera
