#include "Capture.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <stdexcept>

namespace camera {

namespace {

enum TEdge { EdgeLeft = 1, EdgeTop = 2, EdgeRight = 4, EdgeBottom = 8 };

const QColor OutlineColor(0, 160, 255);
const QColor ShadeColor(0, 0, 0, 100);

// A rectangle from its left, top, right and bottom, right and bottom excluded.
QRect FromEdges(int Left, int Top, int Right, int Bottom) {
    if (Left > Right)
        std::swap(Left, Right);
    if (Top > Bottom)
        std::swap(Top, Bottom);
    return QRect(Left, Top, Right - Left, Bottom - Top);
}

// Keeps Rect inside Bounds without changing its size where it fits.
QRect MovedInside(QRect Rect, const QRect &Bounds) {
    if (Rect.right() > Bounds.right())
        Rect.moveRight(Bounds.right());
    if (Rect.bottom() > Bounds.bottom())
        Rect.moveBottom(Bounds.bottom());
    if (Rect.left() < Bounds.left())
        Rect.moveLeft(Bounds.left());
    if (Rect.top() < Bounds.top())
        Rect.moveTop(Bounds.top());
    return Rect.intersected(Bounds);
}

QString HintText(TMode Mode) {
    switch (Mode) {
    case TMode::SubArea:
        return QStringLiteral("拖动鼠标选择截图区域，双击或回车确认，Esc或右键取消");
    case TMode::Window:
        return QStringLiteral("移动鼠标选择窗口，单击确认，Esc或右键取消");
    case TMode::WindowLikeSpy:
        return QStringLiteral("按住准星拖到要截取的窗口上，松开即截取；Esc或右键取消");
    }
    return {};
}

} // namespace

// A borderless window over one screen showing its frozen image; it hands everything to the
// capture. Errors never leave its handlers: they end the capture instead.
class TOverlay : public QWidget {
public:
    TOverlay(TCapture &Capture, const TCapture::TFrozenScreen &Screen)
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
    qreal Ratio() const { return FScreen.Ratio; }
    const TCapture::TFrozenScreen &Screen() const { return FScreen; }

protected:
    void paintEvent(QPaintEvent *Event) override {
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
    void mousePressEvent(QMouseEvent *E) override {
        Safely([&] { FCapture.MousePress(this, E->globalPosition(), E->button()); });
    }
    void mouseMoveEvent(QMouseEvent *E) override {
        Safely([&] { FCapture.MouseMove(this, E->globalPosition()); });
    }
    void mouseReleaseEvent(QMouseEvent *E) override {
        Safely([&] { FCapture.MouseRelease(this, E->globalPosition(), E->button()); });
    }
    void mouseDoubleClickEvent(QMouseEvent *E) override {
        Safely([&] { FCapture.MouseDoubleClick(this, E->globalPosition(), E->button()); });
    }
    void keyPressEvent(QKeyEvent *E) override {
        Safely([&] { FCapture.KeyPress(E->key(), E->modifiers()); });
    }
    void closeEvent(QCloseEvent *) override { FCapture.Cancel(); }
    // Focus and activation change nothing on the screen: no repaint of the whole frozen image.
    void focusInEvent(QFocusEvent *) override {}
    void focusOutEvent(QFocusEvent *) override {}
    bool event(QEvent *E) override {
        return E->type() == QEvent::ActivationChange || QWidget::event(E);
    }

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

TCapture::TCapture(TMode Mode, std::unique_ptr<IWindowFinder> Finder)
    : FMode(Mode), FFinder(std::move(Finder)) {}

TCapture::~TCapture() = default;

QImage TCapture::Run() {
    const QList<QScreen *> Screens = QGuiApplication::screens();
    QScreen *PointerScreen = QGuiApplication::screenAt(QCursor::pos());
    if (!PointerScreen)
        PointerScreen = QGuiApplication::primaryScreen();
    // The windows first: once the frozen screens are up they would be the topmost ones.
    FWindows = FFinder->TopLevelWindows();
    FScreens.reserve(Screens.size());
    for (QScreen *S : Screens) {
        TFrozenScreen F;
        F.Logical = S->geometry();
        F.Image = S->grabWindow(0).toImage();
        if (F.Image.isNull())
            continue;
        F.Image.setDevicePixelRatio(1);
        // The screen's corner is the same in both systems; only its size is scaled.
        F.Native = QRect(F.Logical.topLeft(), F.Image.size());
        F.Ratio = F.Logical.width() > 0 ? qreal(F.Native.width()) / F.Logical.width() : 1;
        if (S == PointerScreen)
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
        F.Overlay->setCursor(FMode == TMode::SubArea ? Qt::CrossCursor : Qt::ArrowCursor);
        F.Overlay->show();
    }
    if (FMode == TMode::Window)
        PointAt(NativeFromGlobal(QCursor::pos(), nullptr));
    // Should a screen never be painted, Esc and the arrow keys must still reach the capture.
    QTimer::singleShot(500, FScreens[FMain].Overlay.get(), [this] { StartKeyboardGrab(); });

    const QMetaObject::Connection Quit =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { Cancel(); });
    if (!FDone)
        FLoop.exec();
    QObject::disconnect(Quit);
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

QPoint TCapture::NativeFromGlobal(const QPointF &Global, const TOverlay *Overlay) const {
    const TFrozenScreen *S = nullptr;
    for (const TFrozenScreen &F : FScreens)
        if (F.Logical.contains(Global.toPoint()))
            S = &F;
    if (!S && Overlay)
        S = &Overlay->Screen();
    if (!S)
        S = &FScreens[FMain];
    const QPointF Offset = (Global - QPointF(S->Logical.topLeft())) * S->Ratio;
    return S->Native.topLeft() + QPoint(int(std::floor(Offset.x())), int(std::floor(Offset.y())));
}

QRectF TCapture::ToLocal(const TFrozenScreen &Screen, const QRect &Native) const {
    const QPointF TopLeft = QPointF(Native.topLeft() - Screen.Native.topLeft()) / Screen.Ratio;
    return QRectF(TopLeft, QSizeF(Native.size()) / Screen.Ratio);
}

QRect TCapture::Highlight() const {
    return FMode == TMode::SubArea ? FSelection : FWindowRect;
}

QRect TCapture::PanelRect() const {
    if (FMode != TMode::WindowLikeSpy)
        return {};
    const TFrozenScreen &S = FScreens[FMain];
    const QSize Size(qRound(320 * S.Ratio), qRound(64 * S.Ratio));
    return QRect(
        QPoint(S.Native.center().x() - Size.width() / 2, S.Native.top() + qRound(24 * S.Ratio)),
        Size);
}

QRect TCapture::TargetRect() const {
    const QRect Panel = PanelRect();
    if (Panel.isEmpty())
        return {};
    const qreal R = FScreens[FMain].Ratio;
    return QRect(Panel.topLeft() + QPoint(qRound(8 * R), qRound(8 * R)),
                 QSize(qRound(48 * R), qRound(48 * R)));
}

QRect TCapture::HintRect(const TFrozenScreen &Screen) const {
    if (&Screen != &FScreens[FMain])
        return {};
    if (FMode == TMode::WindowLikeSpy)
        return ToLocal(Screen, PanelRect()).toAlignedRect();
    if (FMode == TMode::SubArea && !FSelection.isEmpty())
        return {};
    const QRectF Local(QPointF(0, 0), QSizeF(Screen.Native.size()) / Screen.Ratio);
    return QRect(qRound(Local.center().x()) - 220, 24, 440, 32);
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
    const QRect Local = H.isEmpty() ? QRect() : ToLocal(Screen, H).toAlignedRect();
    QRegion Shade(Update);
    if (!Local.isEmpty())
        Shade -= Local;
    P.setClipRegion(Shade);
    P.fillRect(Update, ShadeColor);
    P.setClipping(false);

    if (!Local.isEmpty()) {
        P.setPen(QPen(OutlineColor, 2));
        P.setBrush(Qt::NoBrush);
        P.drawRect(QRectF(Local).adjusted(1, 1, -1, -1));
    }
    if (FMode == TMode::SubArea && !Local.isEmpty()) {
        P.setBrush(OutlineColor);
        P.setPen(Qt::NoPen);
        const QPointF C = QRectF(Local).center();
        const qreal L = Local.left(), T = Local.top();
        const qreal Ri = Local.left() + Local.width(), B = Local.top() + Local.height();
        for (const QPointF &Pt :
             {QPointF(L, T), QPointF(C.x(), T), QPointF(Ri, T), QPointF(L, C.y()),
              QPointF(Ri, C.y()), QPointF(L, B), QPointF(C.x(), B), QPointF(Ri, B)})
            P.drawRect(QRectF(Pt - QPointF(3, 3), QSizeF(6, 6)));
        // The size in screen pixels beside the rectangle, above it where there is room.
        const QString Size = QStringLiteral("%1 × %2").arg(H.width()).arg(H.height());
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

    const QRect Hint = HintRect(Screen);
    if (!Hint.isEmpty() && Hint.intersects(Update)) {
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(255, 255, 255, 230));
        P.drawRoundedRect(Hint, 6, 6);
        QRect TextRect = Hint.adjusted(10, 0, -10, 0);
        if (FMode == TMode::WindowLikeSpy) {
            // The crosshair stays in its box until it is picked up.
            const QRectF Box = ToLocal(Screen, TargetRect());
            P.setPen(QPen(QColor(90, 90, 90), 1));
            P.setBrush(QColor(240, 240, 240));
            P.drawRect(Box.adjusted(0.5, 0.5, -0.5, -0.5));
            if (!FSpyDragging) {
                P.setRenderHint(QPainter::Antialiasing);
                P.setPen(QPen(QColor(200, 0, 0), 2));
                P.setBrush(Qt::NoBrush);
                const QPointF C = Box.center();
                const qreal Rad = Box.width() * 0.3;
                P.drawEllipse(C, Rad, Rad);
                P.drawLine(QPointF(C.x() - Rad * 1.4, C.y()), QPointF(C.x() + Rad * 1.4, C.y()));
                P.drawLine(QPointF(C.x(), C.y() - Rad * 1.4), QPointF(C.x(), C.y() + Rad * 1.4));
                P.setRenderHint(QPainter::Antialiasing, false);
            }
            TextRect.setLeft(qRound(Box.right()) + 10);
        }
        P.setPen(Qt::black);
        P.drawText(TextRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, HintText(FMode));
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
    if (W && W->setKeyboardGrabEnabled(true))
        return;
    if (++FGrabTries < 100)
        QTimer::singleShot(30, Main, [this] { GrabKeyboard(); });
}

void TCapture::UpdateAround(const QRect &Old, const QRect &New) {
    for (const TFrozenScreen &S : FScreens) {
        QRegion Region;
        for (const QRect &R : {Old, New})
            if (!R.isEmpty())
                Region += ToLocal(S, R).toAlignedRect().adjusted(-8, -40, 160, 8);
        Region += HintRect(S);
        S.Overlay->update(Region);
    }
}

void TCapture::SetSelection(const QRect &Value) {
    const QRect Old = FSelection;
    const QRect OldHints = HintRect(FScreens[FMain]);
    FSelection = Value.intersected(FDesktop);
    if (Old != FSelection) {
        UpdateAround(Old, FSelection);
        FScreens[FMain].Overlay->update(OldHints);
    }
}

void TCapture::SetWindowRect(const QRect &Value) {
    const QRect Old = FWindowRect;
    FWindowRect = Value.intersected(FDesktop);
    if (Old != FWindowRect)
        UpdateAround(Old, FWindowRect);
}

int TCapture::HitEdges(const QPoint &P, int Tol) const {
    const QRect S = FSelection;
    if (S.isEmpty() || !S.adjusted(-Tol, -Tol, Tol, Tol).contains(P))
        return 0;
    const int L = S.left(), T = S.top(), R = S.left() + S.width(), B = S.top() + S.height();
    int Edges = 0;
    const auto Near = [Tol](int A, int B) { return std::abs(A - B) <= Tol; };
    if (Near(P.x(), L) && (!Near(P.x(), R) || std::abs(P.x() - L) <= std::abs(P.x() - R)))
        Edges |= EdgeLeft;
    else if (Near(P.x(), R))
        Edges |= EdgeRight;
    if (Near(P.y(), T) && (!Near(P.y(), B) || std::abs(P.y() - T) <= std::abs(P.y() - B)))
        Edges |= EdgeTop;
    else if (Near(P.y(), B))
        Edges |= EdgeBottom;
    return Edges;
}

void TCapture::UpdateCursor(TOverlay *Overlay, const QPoint &P) {
    Qt::CursorShape Shape = Qt::CrossCursor;
    if (FMode != TMode::SubArea) {
        Shape = FSpyDragging ? Qt::CrossCursor : Qt::ArrowCursor;
    } else {
        const int E = FDrag == TDrag::Resize ? FEdges : HitEdges(P, qRound(5 * Overlay->Ratio()));
        if (E == (EdgeLeft | EdgeTop) || E == (EdgeRight | EdgeBottom))
            Shape = Qt::SizeFDiagCursor;
        else if (E == (EdgeRight | EdgeTop) || E == (EdgeLeft | EdgeBottom))
            Shape = Qt::SizeBDiagCursor;
        else if (E & (EdgeLeft | EdgeRight))
            Shape = Qt::SizeHorCursor;
        else if (E & (EdgeTop | EdgeBottom))
            Shape = Qt::SizeVerCursor;
        else if (FDrag == TDrag::Move || (FDrag == TDrag::None && FSelection.contains(P)))
            Shape = Qt::SizeAllCursor;
    }
    if (Overlay->cursor().shape() != Shape)
        Overlay->setCursor(Shape);
}

void TCapture::PointAt(const QPoint &P) {
    if (PanelRect().contains(P))
        SetWindowRect({});
    else
        SetWindowRect(WindowAt(FWindows, P));
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
    const QPoint P = NativeFromGlobal(Global, Overlay);
    switch (FMode) {
    case TMode::SubArea: {
        FStartSelection = FSelection;
        FAnchor = P;
        FEdges = HitEdges(P, qRound(5 * Overlay->Ratio()));
        if (FEdges)
            FDrag = TDrag::Resize;
        else if (FSelection.contains(P))
            FDrag = TDrag::Move;
        else {
            FDrag = TDrag::New;
            SetSelection({});
        }
        break;
    }
    case TMode::Window:
        break;
    case TMode::WindowLikeSpy:
        if (TargetRect().contains(P)) {
            FSpyDragging = true;
            for (const TFrozenScreen &S : FScreens)
                S.Overlay->setCursor(Qt::CrossCursor);
            FScreens[FMain].Overlay->update(HintRect(FScreens[FMain]));
        }
        break;
    }
    UpdateCursor(Overlay, P);
}

void TCapture::MouseMove(TOverlay *Overlay, const QPointF &Global) {
    if (FDone)
        return;
    const QPoint P = NativeFromGlobal(Global, Overlay);
    switch (FMode) {
    case TMode::SubArea: {
        const QPoint D = P - FAnchor;
        const QRect S = FStartSelection;
        if (FDrag == TDrag::New) {
            SetSelection(FromEdges(FAnchor.x(), FAnchor.y(), P.x(), P.y()));
        } else if (FDrag == TDrag::Move) {
            SetSelection(MovedInside(S.translated(D), FDesktop));
        } else if (FDrag == TDrag::Resize) {
            int L = S.left(), T = S.top(), R = S.left() + S.width(), B = S.top() + S.height();
            if (FEdges & EdgeLeft)
                L += D.x();
            if (FEdges & EdgeRight)
                R += D.x();
            if (FEdges & EdgeTop)
                T += D.y();
            if (FEdges & EdgeBottom)
                B += D.y();
            SetSelection(FromEdges(L, T, R, B));
        }
        break;
    }
    case TMode::Window:
        PointAt(P);
        break;
    case TMode::WindowLikeSpy:
        if (FSpyDragging)
            PointAt(P);
        break;
    }
    UpdateCursor(Overlay, P);
}

void TCapture::MouseRelease(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button) {
    if (FDone || Button != Qt::LeftButton)
        return;
    const QPoint P = NativeFromGlobal(Global, Overlay);
    switch (FMode) {
    case TMode::SubArea:
        FDrag = TDrag::None;
        if (FSelection.isEmpty())
            SetSelection({});
        UpdateCursor(Overlay, P);
        break;
    case TMode::Window:
        PointAt(P);
        if (!FWindowRect.isEmpty())
            Confirm(FWindowRect);
        break;
    case TMode::WindowLikeSpy:
        if (!FSpyDragging)
            break;
        FSpyDragging = false;
        PointAt(P);
        // Let go over no window (or back on the panel): nothing to take.
        if (FWindowRect.isEmpty())
            Cancel();
        else
            Confirm(FWindowRect);
        break;
    }
}

void TCapture::MouseDoubleClick(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button) {
    if (FDone)
        return;
    const QPoint P = NativeFromGlobal(Global, Overlay);
    if (Button == Qt::LeftButton && FMode == TMode::SubArea && FSelection.contains(P)) {
        FDrag = TDrag::None;
        Confirm(FSelection);
        return;
    }
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
        if (FMode == TMode::SubArea && !FSelection.isEmpty())
            Confirm(FSelection);
        else if (FMode == TMode::Window && !FWindowRect.isEmpty())
            Confirm(FWindowRect);
        return;
    }
    if (FMode != TMode::SubArea || FSelection.isEmpty() || FDrag != TDrag::None)
        return;
    QPoint D;
    switch (Key) {
    case Qt::Key_Left:
        D = {-1, 0};
        break;
    case Qt::Key_Right:
        D = {1, 0};
        break;
    case Qt::Key_Up:
        D = {0, -1};
        break;
    case Qt::Key_Down:
        D = {0, 1};
        break;
    default:
        return;
    }
    if (Modifiers & Qt::ShiftModifier) {
        // Shift moves the right and bottom edges; the rectangle keeps at least one pixel.
        const QSize Size(std::max(1, FSelection.width() + D.x()),
                         std::max(1, FSelection.height() + D.y()));
        SetSelection(QRect(FSelection.topLeft(), Size));
    } else {
        SetSelection(MovedInside(FSelection.translated(D), FDesktop));
    }
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

void TCapture::Confirm(const QRect &Region) {
    if (FDone || Region.isEmpty())
        return;
    if (FFault)
        throw std::runtime_error("capture fault armed for testing");
    FResult = Cut(Region);
    FDone = true;
    FLoop.quit();
}

void TCapture::Fail(std::exception_ptr Error) {
    if (!FError)
        FError = Error;
    FResult = QImage();
    FDone = true;
    FLoop.quit();
}

void TCapture::Cancel() {
    if (FDone)
        return;
    FResult = QImage();
    FDone = true;
    FLoop.quit();
}

QRect WindowAt(const std::vector<QRect> &Windows, const QPoint &Point) {
    for (const QRect &R : Windows)
        if (R.contains(Point))
            return R;
    return {};
}

} // namespace camera
