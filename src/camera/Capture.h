#pragma once

#include <QEventLoop>
#include <QImage>
#include <QRect>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "WindowFinder.h"

class QPainter;
class QScreen;
class QWidget;

namespace camera {

enum class TMode { SubArea, Window, WindowLikeSpy };

class TOverlay;

// One capture: every screen is grabbed and shown frozen in a borderless window on top of it, the
// user picks over that, and the picked pixels are cut from the grabbed images. Positions are
// kept in the pixels of the windowing system (root-window pixels on X11), so that a pick is
// exact on every monitor whatever its scale factor.
class TCapture {
public:
    TCapture(TMode Mode, std::unique_ptr<IWindowFinder> Finder);
    ~TCapture();
    TCapture(const TCapture &) = delete;
    TCapture &operator=(const TCapture &) = delete;

    // Called once the frozen image is up on every screen.
    void SetOnShown(std::function<void()> Value) { FOnShown = std::move(Value); }
    // Makes the confirmation fail with an internal error (for tests).
    void SetFault(bool Value) { FFault = Value; }

    // Lets the user pick; the pixels picked, or a null image when the user gave up. An error
    // raised while picking is thrown from here once the frozen screens are gone.
    QImage Run();

    // For the overlay windows.
    struct TFrozenScreen {
        QRect Logical;   // in Qt's coordinates
        QRect Native;    // in root-window pixels
        qreal Ratio = 1; // root-window pixels per Qt pixel
        QImage Image;    // Native.size() pixels
        std::unique_ptr<TOverlay> Overlay;
    };
    void Paint(const TFrozenScreen &Screen, QPainter &P, const QRect &Update) const;
    void Painted(const TOverlay *Overlay);
    void MousePress(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button);
    void MouseMove(TOverlay *Overlay, const QPointF &Global);
    void MouseRelease(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button);
    void MouseDoubleClick(TOverlay *Overlay, const QPointF &Global, Qt::MouseButton Button);
    void KeyPress(int Key, Qt::KeyboardModifiers Modifiers);
    // Ends the capture with the error being handled.
    void Fail(std::exception_ptr Error);
    void Cancel();

private:
    enum class TDrag { None, New, Move, Resize };

    QPoint NativeFromGlobal(const QPointF &Global, const TOverlay *Overlay) const;
    QRectF ToLocal(const TFrozenScreen &Screen, const QRect &Native) const;
    QRect Highlight() const;
    void SetHighlight(const QRect &Value);
    void SetSelection(const QRect &Value);
    void SetWindowRect(const QRect &Value);
    void UpdateAround(const QRect &Old, const QRect &New);
    QRect HintRect(const TFrozenScreen &Screen) const;
    QRect TargetRect() const; // the crosshair of the spy panel, root-window pixels
    QRect PanelRect() const;
    int HitEdges(const QPoint &P, int Tolerance) const;
    void UpdateCursor(TOverlay *Overlay, const QPoint &P);
    void PointAt(const QPoint &P);
    void Confirm(const QRect &Region);
    void StartKeyboardGrab();
    void GrabKeyboard();
    QImage Cut(const QRect &Region) const;

    TMode FMode;
    std::unique_ptr<IWindowFinder> FFinder;
    std::function<void()> FOnShown;
    bool FFault = false;
    std::vector<TFrozenScreen> FScreens;
    size_t FMain = 0; // the screen where the pointer was when the capture began
    QRect FDesktop;   // all screens, root-window pixels
    std::vector<QRect> FWindows;
    QRect FSelection;
    QRect FWindowRect;
    TDrag FDrag = TDrag::None;
    int FEdges = 0;
    QPoint FAnchor;
    QRect FStartSelection;
    bool FSpyDragging = false;
    size_t FPaintedCount = 0;
    bool FGrabStarted = false;
    int FGrabTries = 0;
    bool FDone = false;
    QImage FResult;
    std::exception_ptr FError;
    QEventLoop FLoop;
};

} // namespace camera
