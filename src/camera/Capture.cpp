#include "Capture.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <stdexcept>

#include "Overlay.h"
#include "ScreenSource.h"
#include "WindowFinder.h"

namespace camera {

namespace {

const QColor ShadeColor(0, 0, 0, 100);

} // namespace

const QColor &TCapture::OutlineColor() {
    static const QColor Color(0, 160, 255);
    return Color;
}

TCapture::TCapture() = default;

TCapture::~TCapture() = default;

void TCapture::SetScreenSource(std::unique_ptr<IScreenSource> Value) {
    FSource = std::move(Value);
}

QImage TCapture::Run() {
    const QList<QScreen *> Screens = QGuiApplication::screens();
    QScreen *PointerScreen = QGuiApplication::screenAt(QCursor::pos());
    if (!PointerScreen)
        PointerScreen = QGuiApplication::primaryScreen();
    Prepare();
    if (!FSource)
        FSource = CreateScreenSource();
    // The grab may wait for the desktop with events going on: a screen may go meanwhile.
    QList<QPointer<QScreen>> Watched(Screens.begin(), Screens.end());
    QPointer<QScreen> PointerWatched(PointerScreen);
    std::vector<QImage> Images = FSource->Grab(Screens);
    FScreens.reserve(Screens.size());
    for (qsizetype I = 0; I < Watched.size() && size_t(I) < Images.size(); ++I) {
        QScreen *S = Watched[I];
        if (!S)
            continue;
        TFrozenScreen F;
        F.Logical = S->geometry();
        F.Image = std::move(Images[I]);
        if (F.Image.isNull())
            continue;
        F.Image.setDevicePixelRatio(1);
        // The screen's corner is the same in both systems; only its size is scaled.
        F.Native = QRect(F.Logical.topLeft(), F.Image.size());
        F.Ratio = F.Logical.width() > 0 ? qreal(F.Native.width()) / F.Logical.width() : 1;
        if (S == PointerWatched)
            FMain = FScreens.size();
        FDesktop |= F.Native;
        FScreens.push_back(std::move(F));
    }
    if (FScreens.empty())
        return {};

    for (TFrozenScreen &F : FScreens)
        F.Overlay = std::make_unique<TOverlay>(*this, F);
    const QRect Target = TargetRect();
    for (TFrozenScreen &F : FScreens) {
        F.Overlay->setProperty("TargetCenter", Target.center());
        F.Overlay->setProperty("Hint", HintText());
        F.Overlay->setCursor(CursorAt(QPoint(), F.Ratio));
        F.Overlay->show();
    }
    Started();
    // Should a screen never be painted, Esc and the arrow keys must still reach the capture.
    QTimer::singleShot(500, FScreens[FMain].Overlay.get(), [this] { StartKeyboardGrab(); });

    const QMetaObject::Connection Quit =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { Cancel(); });
    if (!FDone)
        FLoop.exec();
    QObject::disconnect(Quit);
    if (!FError && !FResult.isNull() && FOnTaken)
        FOnTaken(FResult);
    for (TFrozenScreen &F : FScreens) {
        if (QWindow *W = F.Overlay->windowHandle())
            W->setKeyboardGrabEnabled(false);
        F.Overlay->hide();
    }
    for (TFrozenScreen &F : FScreens)
        F.Overlay.reset();
    if (FError)
        std::rethrow_exception(FError);
    return FResult;
}

QPoint TCapture::NativeAt(const QPointF &Global, const TOverlay *Overlay) const {
    const TFrozenScreen *S = nullptr;
    for (const TFrozenScreen &F : FScreens)
        if (F.Logical.contains(Global.toPoint()))
            S = &F;
    if (!S && Overlay)
        S = &Overlay->Screen();
    if (!S)
        S = &FScreens[FMain];
    return NativeFromGlobal(*S, Global);
}

QRect TCapture::HintRect(const TFrozenScreen &Screen) const {
    return IsMain(Screen) ? HintBox(Screen) : QRect();
}

void TCapture::Paint(const TFrozenScreen &Screen, QPainter &P, const QRect &Update) const {
    const qreal R = Screen.Ratio;
    if (R == 1) // the common case: a plain copy, no scaling path
        P.drawImage(Update.topLeft(), Screen.Image, Update);
    else
        P.drawImage(
            QRectF(Update), Screen.Image,
            QRectF(Update.x() * R, Update.y() * R, Update.width() * R, Update.height() * R));

    const QRect H = Highlight();
    const QRect Local = H.isEmpty() ? QRect() : LocalFromNative(Screen, H).toAlignedRect();
    QRegion Shade(Update);
    if (!Local.isEmpty())
        Shade -= Local;
    P.setClipRegion(Shade);
    P.fillRect(Update, ShadeColor);
    P.setClipping(false);

    if (!Local.isEmpty()) {
        P.setPen(QPen(OutlineColor(), 2));
        P.setBrush(Qt::NoBrush);
        P.drawRect(QRectF(Local).adjusted(1, 1, -1, -1));
        PaintHighlight(P, Local, H);
    }

    const QRect Hint = HintRect(Screen);
    if (!Hint.isEmpty() && Hint.intersects(Update)) {
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(255, 255, 255, 230));
        P.drawRoundedRect(Hint, 6, 6);
        QRect TextRect = Hint.adjusted(10, 0, -10, 0);
        PaintHint(Screen, P, TextRect);
        P.setPen(Qt::black);
        P.drawText(TextRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, HintText());
    }
}

void TCapture::Painted(const TOverlay *) {
    if (++FPaintedCount != FScreens.size())
        return;
    // Once painted everywhere, after the image has gone out to the screen.
    QTimer::singleShot(0, FScreens[FMain].Overlay.get(), [this] {
        if (FDone)
            return;
        SyncWindowSystem();
        StartKeyboardGrab();
        if (FOnShown)
            FOnShown();
    });
}

void TCapture::StartKeyboardGrab() {
    if (FGrabStarted)
        return;
    FGrabStarted = true;
    GrabKeyboard();
}

void TCapture::GrabKeyboard() {
    if (FDone)
        return;
    TOverlay *Main = FScreens[FMain].Overlay.get();
    Main->activateWindow();
    Main->setFocus();
    // Another client (a menu just closing, the hotkey still held) may hold the keyboard for a
    // moment: try again for a while.
    QWindow *W = Main->windowHandle();
    if (W && W->setKeyboardGrabEnabled(true)) {
        Main->setProperty("KeyboardGrabbed", true);
        return;
    }
    if (++FGrabTries < 100)
        QTimer::singleShot(30, Main, [this] { GrabKeyboard(); });
}

void TCapture::HighlightChanged(const QRect &Old, const QRect &New) {
    for (const TFrozenScreen &S : FScreens) {
        S.Overlay->setProperty("Highlight", New);
        QRegion Region;
        for (const QRect &R : {Old, New})
            if (!R.isEmpty())
                Region += LocalFromNative(S, R).toAlignedRect().adjusted(-8, -40, 160, 8);
        Region += HintRect(S);
        S.Overlay->update(Region);
    }
}

void TCapture::UpdateMainHint(const QRect &Local) {
    FScreens[FMain].Overlay->update(Local);
}

void TCapture::SetCursorEverywhere(Qt::CursorShape Shape) {
    for (const TFrozenScreen &S : FScreens)
        S.Overlay->setCursor(Shape);
}

void TCapture::UpdateCursor(TOverlay *Overlay, const QPoint &P) {
    const Qt::CursorShape Shape = CursorAt(P, Overlay->Ratio());
    if (Overlay->cursor().shape() != Shape)
        Overlay->setCursor(Shape);
}

void TCapture::MousePress(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button) {
    if (FDone)
        return;
    if (Button == Qt::RightButton) {
        Cancel();
        return;
    }
    if (Button != Qt::LeftButton)
        return;
    const QPoint P = NativeAt(Global, Overlay);
    Press(P, Overlay->Ratio());
    UpdateCursor(Overlay, P);
}

void TCapture::MouseMove(TOverlay *Overlay, const QPointF &Global) {
    if (FDone)
        return;
    const QPoint P = NativeAt(Global, Overlay);
    Move(P);
    UpdateCursor(Overlay, P);
}

void TCapture::MouseRelease(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button) {
    if (FDone || Button != Qt::LeftButton)
        return;
    const QPoint P = NativeAt(Global, Overlay);
    Release(P);
    if (!FDone)
        UpdateCursor(Overlay, P);
}

void TCapture::MouseDoubleClick(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button) {
    if (FDone)
        return;
    if (Button == Qt::LeftButton && DoubleClick(NativeAt(Global, Overlay)))
        return;
    // Otherwise the second click counts as a click of its own.
    MousePress(Overlay, Global, Button);
}

void TCapture::KeyPress(int Key, Qt::KeyboardModifiers Modifiers) {
    if (FDone)
        return;
    if (Key == Qt::Key_Escape) {
        Cancel();
        return;
    }
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        Enter();
        return;
    }
    const QPoint Step = ArrowStep(Key);
    if (!Step.isNull())
        Arrow(Step, Modifiers);
}

QImage TCapture::Cut(const QRect &Region) const {
    QImage Out(Region.size(), QImage::Format_RGB32);
    // Parts of the region that no monitor shows stay black.
    Out.fill(Qt::black);
    QPainter P(&Out);
    for (const TFrozenScreen &S : FScreens)
        if (S.Native.intersects(Region))
            P.drawImage(S.Native.topLeft() - Region.topLeft(), S.Image);
    return Out;
}

void TCapture::Finish(QImage Result) {
    FResult = std::move(Result);
    FDone = true;
    FLoop.quit();
}

void TCapture::Confirm(const QRect &Region) {
    if (FDone || Region.isEmpty())
        return;
    if (FFault)
        throw std::runtime_error("capture fault armed for testing");
    Finish(Cut(Region));
}

void TCapture::Fail(std::exception_ptr Error) {
    if (!FError)
        FError = Error;
    Finish({});
}

void TCapture::Cancel() {
    if (!FDone)
        Finish({});
}

} // namespace camera
