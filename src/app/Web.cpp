#include "Web.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "BringToFront.h"
#include "Portal.h"
#include "WebView.h"
#include "dialogs/Dialogs.h"

namespace {
// The outer size the window takes at every showing.
constexpr int OuterWidth = 1000;
constexpr int OuterHeight = 730;
// How long after a showing the window manager's frame may still arrive, and how often to look.
constexpr int FramePatienceMs = 1000;
constexpr int FrameWatchMs = 20;
} // namespace

TFrm_WB::TFrm_WB(QWidget *Parent) : QWidget(Parent, Qt::Window) {
    setObjectName("Frm_WB");
    setWindowTitle("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");
    setFont(QFont("Tahoma", 8));
    resize(535, 468);

    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(0, 0, 0, 0);

    FFrameWatch.setInterval(FrameWatchMs);
    connect(&FFrameWatch, &QTimer::timeout, this, Dialogs::Guarded([this] { FrameWatchTimer(); }));
}

void TFrm_WB::CreateBrowser() {
    if (Fwb1)
        return;
    Fwb1 = WebView::Create(this);
    if (!Fwb1)
        return;
    Fwb1->setObjectName("wb1");
    FLayout->addWidget(Fwb1);
}

void TFrm_WB::Load(const QString &Url) {
    FLoadStarted = true;
    WebView::Load(Fwb1, Url);
}

void TFrm_WB::NV(const QString &Url) {
    CreateBrowser();
    if (Url != FUrl) {
        Load(Url);
        FUrl = Url;
    }
    BringToFront(this);
    FocusPage();
}

void TFrm_WB::FocusPage() {
    // The games answer the arrow keys from their first press: the keyboard goes to the page
    // whenever the window is shown or a page is opened, not only after a click into it.
    if (Fwb1)
        Fwb1->setFocus(Qt::ActiveWindowFocusReason);
}

void TFrm_WB::showEvent(QShowEvent *Event) {
    QWidget::showEvent(Event);
    if (!Event->spontaneous())
        FormShow();
}

void TFrm_WB::setVisible(bool Visible) {
    // The web engine starts with the window's first showing, not with the program. Shown without
    // an address (the portal hotkey), the window opens on the home page; FUrl stays empty, so the
    // first "闯荡江湖" loads it again. The view is made before the window reaches the screen:
    // it draws through OpenGL, and added to a window already there it makes Qt replace the
    // window's native window.
    if (Visible && !FLoadStarted) {
        Dialogs::Guard([this] {
            CreateBrowser();
            Load(Portal::HomePage());
        });
    }
    // Where the user left the window, taken while it is still on the screen: the next showing
    // puts it back there (see FitFrame).
    if (!Visible && isVisible())
        FLeftAt = pos();
    QWidget::setVisible(Visible);
}

void TFrm_WB::FormShow() {
    FCentrePending = !FShownBefore;
    FKeepPlace = FShownBefore;
    FShownBefore = true;
    FocusPage();
    FitFrame();
    // The window manager puts its frame around the window a moment after it is shown; until
    // then the outer size is not known, so it is set again as soon as the frame is there.
    FFrameWatchTicks = 0;
    FFrameWatch.start();
}

void TFrm_WB::FrameWatchTimer() {
    if (FrameMargins() != FFittedMargins)
        FitFrame();
    if (++FFrameWatchTicks * FrameWatchMs >= FramePatienceMs || !isVisible())
        FFrameWatch.stop();
}

QMargins TFrm_WB::FrameMargins() const {
    const QRect Outer = frameGeometry();
    const QRect Inner = geometry();
    return QMargins(Inner.left() - Outer.left(), Inner.top() - Outer.top(),
                    Outer.right() - Inner.right(), Outer.bottom() - Inner.bottom());
}

void TFrm_WB::FitFrame() {
    const QMargins M = FrameMargins();
    FFittedMargins = M;
    resize(OuterWidth - M.left() - M.right(), OuterHeight - M.top() - M.bottom());
    if (FCentrePending) {
        if (QScreen *Screen = QGuiApplication::primaryScreen()) {
            const QRect Work = Screen->availableGeometry();
            // move() places the outer frame's corner.
            move(Work.left() + (Work.width() - OuterWidth) / 2,
                 Work.top() + (Work.height() - OuterHeight) / 2);
        }
    } else if (FKeepPlace && pos() != FLeftAt) {
        // While the window manager takes the window back it may report it for a moment at
        // the screen's corner, and Qt believes it; the place the user left it is asked for again.
        move(FLeftAt);
    }
}
