#include "CaptureDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDebug>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>
#include <xcb/xcb.h>

#include "camera/CameraDll.h"

namespace CaptureDriver {

QRgb Pattern(int X, int Y) {
    return qRgb(X & 255, Y & 255, ((X >> 8) * 40 + (Y >> 8) * 90 + X * 7 + Y * 13) & 255);
}

TPatternWindow::TPatternWindow(const QRect &Geometry)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      FGeometry(Geometry), FImage(Geometry.size(), QImage::Format_RGB32) {
    for (int Y = 0; Y < Geometry.height(); ++Y) {
        auto *Line = reinterpret_cast<QRgb *>(FImage.scanLine(Y));
        for (int X = 0; X < Geometry.width(); ++X)
            Line[X] = Pattern(Geometry.x() + X, Geometry.y() + Y);
    }
    // Screen pixels one for one, whatever the scale factor.
    const qreal Ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    FImage.setDevicePixelRatio(Ratio);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(
        QRectF(QPointF(Geometry.topLeft()) / Ratio, QSizeF(Geometry.size()) / Ratio).toRect());
}

namespace {

// How long a wait on the display may take before the test gives up on it.
constexpr int WaitMs = 10000;

xcb_connection_t *QtConnection() {
    auto *X11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return X11 ? X11->connection() : nullptr;
}

bool Viewable(WId Window) {
    xcb_connection_t *C = QtConnection();
    if (!C)
        return false;
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> A(
        xcb_get_window_attributes_reply(C, xcb_get_window_attributes(C, xcb_window_t(Window)),
                                        nullptr),
        &free);
    return A && A->map_state == XCB_MAP_STATE_VIEWABLE;
}

} // namespace

bool ScreenShowsPattern(const QRect &At) {
    const QImage Screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return ShowsPattern(Screen.copy(At.translated(-NativeScreen().topLeft())), At);
}

bool TPatternWindow::ShowOnTop() {
    show();
    raise();
    return QTest::qWaitForWindowExposed(this) && Viewable(winId()) &&
           QTest::qWaitFor([this] { return ScreenShowsPattern(FGeometry); }, WaitMs);
}

bool TPatternWindow::HideNow() {
    const WId Window = winId();
    hide();
    return QTest::qWaitFor([Window] { return !Viewable(Window); }, WaitMs);
}

void TPatternWindow::paintEvent(QPaintEvent *Event) {
    QPainter P(this);
    P.setClipRect(Event->rect());
    P.drawImage(QPointF(0, 0), FImage);
}

namespace {

QWidget *Overlay() {
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            return W;
    return nullptr;
}

bool HasKeyCommand(const QStringList &Args) {
    return Args.contains("key") || Args.contains("keydown") || Args.contains("keyup");
}

struct TDriveState {
    std::function<TSteps()> Make;
    TSteps Steps;
    qsizetype Next = 0;
    QDeadlineTimer StepDeadline;
    std::unique_ptr<QProcess> XDoTool;
    QTimer Poll;
    QTimer Safety;
    bool GaveUp = false;
};

void SendEscape() {
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            QCoreApplication::postEvent(
                W, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

// Whether the wait for What may go on; once it has lasted too long, the capture is ended.
bool StillWaiting(TDriveState &S, const QString &What) {
    if (!S.StepDeadline.hasExpired())
        return true;
    qWarning("capture driver: gave up after %d ms waiting for %s", WaitMs, qPrintable(What));
    S.GaveUp = true;
    S.Poll.stop();
    SendEscape();
    return false;
}

// Plays the steps from the event loop of the capture: each xdotool run once the one before has
// ended, each wait until its state holds.
void Advance(TDriveState &S) {
    if (S.XDoTool && S.XDoTool->state() != QProcess::NotRunning) {
        StillWaiting(S, "xdotool to finish");
        return;
    }
    while (S.Next < S.Steps.size()) {
        const TStep &Step = S.Steps[S.Next];
        if (Step.Ready) {
            if (!Step.Ready()) {
                StillWaiting(S, Step.What);
                return;
            }
        } else if (HasKeyCommand(Step.Args) && !CaptureHasKeyboard()) {
            StillWaiting(S, "the capture to hold the keyboard");
            return;
        } else {
            S.XDoTool = std::make_unique<QProcess>();
            S.XDoTool->start("xdotool", Step.Args);
        }
        ++S.Next;
        S.StepDeadline.setRemainingTime(WaitMs);
        if (S.XDoTool && S.XDoTool->state() != QProcess::NotRunning)
            return;
    }
    // Every step is played: the capture ends now, or it is ended after the same allowance.
    S.Poll.stop();
    S.Safety.start(WaitMs);
}

void OnShown(void *Data) {
    auto *S = static_cast<TDriveState *>(Data);
    S->Steps = S->Make();
    S->StepDeadline.setRemainingTime(WaitMs);
    S->Safety.setSingleShot(true);
    QObject::connect(&S->Safety, &QTimer::timeout, [S] {
        qWarning("capture driver: the capture did not end %d ms after its last step", WaitMs);
        S->GaveUp = true;
        SendEscape();
    });
    QObject::connect(&S->Poll, &QTimer::timeout, [S] { Advance(*S); });
    S->Poll.start(10);
    Advance(*S);
}

} // namespace

TStep Do(const QStringList &Args) {
    return {Args, {}, {}};
}

TStep UntilOutlined(const QRect &Rect) {
    QString What;
    QDebug(&What) << "the capture to outline" << Rect;
    return Until(What, [Rect] { return Outlined() == Rect; });
}

TStep Until(const QString &What, std::function<bool()> Ready) {
    return {{}, std::move(Ready), What};
}

bool CaptureHasKeyboard() {
    QWidget *W = Overlay();
    return W && W->property("KeyboardGrabbed").toBool() &&
           QGuiApplication::focusWindow() == W->windowHandle();
}

QRect Outlined() {
    QWidget *W = Overlay();
    return W ? W->property("Highlight").toRect() : QRect();
}

Qt::CursorShape OverlayCursor() {
    QWidget *W = Overlay();
    return W ? W->cursor().shape() : Qt::ArrowCursor;
}

int32_t Drive(const std::function<int32_t()> &Capture, const std::function<TSteps()> &Steps) {
    TDriveState S;
    S.Make = Steps;
    CameraSetShownHook(&OnShown, &S);
    const int32_t Result = Capture();
    CameraSetShownHook(nullptr, nullptr);
    S.Poll.stop();
    if (S.XDoTool && !S.XDoTool->waitForFinished(10000))
        S.XDoTool->kill();
    return S.GaveUp ? -1 : Result;
}

int32_t Drive(const std::function<int32_t()> &Capture, const TSteps &Steps) {
    return Drive(Capture, [Steps] { return Steps; });
}

QByteArray ReadClipboard(const QString &Type) {
    QProcess P;
    P.start("xclip", {"-selection", "clipboard", "-t", Type, "-o"});
    // The clipboard is served by this process: keep its event loop running meanwhile.
    QDeadlineTimer Deadline(5000);
    while (P.state() != QProcess::NotRunning && !Deadline.hasExpired())
        QTest::qWait(10);
    if (P.state() != QProcess::NotRunning) {
        P.kill();
        P.waitForFinished(1000);
        return {};
    }
    return P.exitCode() == 0 ? P.readAllStandardOutput() : QByteArray();
}

QImage ClipboardPng() {
    return QImage::fromData(ReadClipboard("image/png"), "PNG");
}

bool SetClipboardText(const QString &Text) {
    QGuiApplication::clipboard()->setText(Text, QClipboard::Clipboard);
    // The clipboard is ours once another process reads the text back.
    return QTest::qWaitFor([&Text] { return ClipboardText() == Text; }, WaitMs);
}

QString ClipboardText() {
    return QString::fromUtf8(ReadClipboard("UTF8_STRING"));
}

bool ShowsPattern(const QImage &Image, const QRect &At) {
    if (Image.size() != At.size())
        return false;
    const QImage I = Image.convertToFormat(QImage::Format_RGB32);
    for (int Y = 0; Y < At.height(); ++Y)
        for (int X = 0; X < At.width(); ++X)
            if ((I.pixel(X, Y) & 0xffffff) != (Pattern(At.x() + X, At.y() + Y) & 0xffffff))
                return false;
    return true;
}

QRect NativeScreen() {
    QScreen *S = QGuiApplication::primaryScreen();
    return QRect(S->geometry().topLeft(), S->geometry().size() * S->devicePixelRatio());
}

int OverlayCount() {
    int N = 0;
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            ++N;
    return N;
}

QPoint TargetCenter() {
    QWidget *W = Overlay();
    return W ? W->property("TargetCenter").toPoint() : QPoint();
}

} // namespace CaptureDriver
