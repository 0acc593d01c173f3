#include "CaptureDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

#include "camera/CameraDll.h"

namespace CaptureDriver {

QRgb Pattern(int X, int Y) {
    return qRgb(X & 255, Y & 255, ((X >> 8) * 40 + (Y >> 8) * 90 + X * 7 + Y * 13) & 255);
}

TPatternWindow::TPatternWindow(const QRect &Geometry)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      FImage(Geometry.size(), QImage::Format_RGB32) {
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

bool TPatternWindow::ShowOnTop() {
    show();
    raise();
    if (!QTest::qWaitForWindowExposed(this))
        return false;
    QTest::qWait(150);
    return true;
}

void TPatternWindow::HideNow() {
    hide();
    QTest::qWait(150);
}

void TPatternWindow::paintEvent(QPaintEvent *Event) {
    QPainter P(this);
    P.setClipRect(Event->rect());
    P.drawImage(QPointF(0, 0), FImage);
}

namespace {

struct TDriveState {
    std::function<QStringList()> Steps;
    std::unique_ptr<QProcess> XDoTool;
    QTimer Safety;
};

void SendEscape() {
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            QCoreApplication::postEvent(
                W, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

void OnShown(void *Data) {
    auto *S = static_cast<TDriveState *>(Data);
    S->XDoTool = std::make_unique<QProcess>();
    S->XDoTool->start("xdotool", S->Steps());
    S->Safety.setSingleShot(true);
    QObject::connect(&S->Safety, &QTimer::timeout, &SendEscape);
    S->Safety.start(15000);
}

} // namespace

int32_t Drive(const std::function<int32_t()> &Capture, const std::function<QStringList()> &Steps) {
    TDriveState S;
    S.Steps = Steps;
    CameraSetShownHook(&OnShown, &S);
    const int32_t Result = Capture();
    CameraSetShownHook(nullptr, nullptr);
    if (S.XDoTool && !S.XDoTool->waitForFinished(10000))
        S.XDoTool->kill();
    return Result;
}

int32_t Drive(const std::function<int32_t()> &Capture, const QStringList &Steps) {
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

void SetClipboardText(const QString &Text) {
    QGuiApplication::clipboard()->setText(Text, QClipboard::Clipboard);
    QTest::qWait(50);
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
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            return W->property("TargetCenter").toPoint();
    return {};
}

} // namespace CaptureDriver
