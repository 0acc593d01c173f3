#pragma once

#include <QEventLoop>
#include <QImage>
#include <QRect>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "CaptureGeometry.h"

class QPainter;

namespace camera {

class TOverlay;
class IScreenSource;

// One capture: every screen is grabbed and shown frozen in a borderless window on top of it, the
// user picks over that, and the picked pixels are cut from the grabbed images. Positions are
// kept in the pixels of the windowing system (root-window pixels on X11), so that a pick is
// exact on every monitor whatever its scale factor. What the user picks, and how, is up to the
// manner of capture deriving from this.
class TCapture {
public:
    TCapture();
    virtual ~TCapture();
    TCapture(const TCapture &) = delete;
    TCapture &operator=(const TCapture &) = delete;

    // Called once the frozen image is up on every screen.
    void SetOnShown(std::function<void()> Value) { FOnShown = std::move(Value); }
    // Called with the pixels picked while the frozen screens are still up and one of them has
    // the keyboard (the clipboard is set there: a Wayland compositor lets an X11 client set it
    // only while one of its windows has the keyboard).
    void SetOnTaken(std::function<void(const QImage &)> Value) { FOnTaken = std::move(Value); }
    // Makes the confirmation fail with an internal error (for tests).
    void SetFault(bool Value) { FFault = Value; }
    // Where the frozen image comes from; without one, the session's own is taken.
    void SetScreenSource(std::unique_ptr<IScreenSource> Value);

    // Lets the user pick; the pixels picked, or a null image when the user gave up. An error
    // raised while picking is thrown from here once the frozen screens are gone; a screen that
    // could not be frozen throws TCaptureFailure before anything is shown.
    QImage Run();

    // For the overlay windows.
    struct TFrozenScreen : TScreenArea {
        QImage Image; // Native.size() pixels
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

protected:
    // What a manner of capture decides. Points and rectangles are in root-window pixels; Ratio
    // is that of the screen under the pointer.
    virtual QString HintText() const = 0;
    // The rectangle outlined (and taken on confirming), empty for none.
    virtual QRect Highlight() const = 0;
    virtual Qt::CursorShape CursorAt(const QPoint &P, qreal Ratio) const = 0;
    // Before the screens are frozen, and once the frozen screens are shown.
    virtual void Prepare() {}
    virtual void Started() {}
    // The left button pressed, the pointer moved, the left button let go.
    virtual void Press(const QPoint &, qreal) {}
    virtual void Move(const QPoint &) {}
    virtual void Release(const QPoint &) {}
    // A left double click; false when it counts as a press of its own.
    virtual bool DoubleClick(const QPoint &) { return false; }
    // Return or Enter, and an arrow key's step.
    virtual void Enter() {}
    virtual void Arrow(const QPoint &, Qt::KeyboardModifiers) {}
    // The instructions' box on Screen, in its window's coordinates (empty: none shown); what is
    // drawn in it beside the text, which starts at TextRect.
    virtual QRect HintRect(const TFrozenScreen &Screen) const;
    virtual void PaintHint(const TFrozenScreen &, QPainter &, QRect &) const {}
    // What is drawn on the highlight besides its outline; Local in the window's coordinates.
    virtual void PaintHighlight(QPainter &, const QRect &, const QRect &) const {}
    // The crosshair a pick starts from, if any.
    virtual QRect TargetRect() const { return {}; }

    static const QColor &OutlineColor();
    const TFrozenScreen &MainScreen() const { return FScreens[FMain]; }
    const QRect &Desktop() const { return FDesktop; }
    bool IsMain(const TFrozenScreen &Screen) const { return &Screen == &MainScreen(); }
    QPoint NativeAt(const QPointF &Global, const TOverlay *Overlay) const;
    // Repaints what a change of the highlight from Old to New touches.
    void HighlightChanged(const QRect &Old, const QRect &New);
    void UpdateMainHint(const QRect &Local);
    void SetCursorEverywhere(Qt::CursorShape Shape);
    void UpdateCursor(TOverlay *Overlay, const QPoint &P);
    // Takes the pixels of Region; nothing for an empty one.
    void Confirm(const QRect &Region);

private:
    void StartKeyboardGrab();
    void GrabKeyboard();
    QImage Cut(const QRect &Region) const;
    void Finish(QImage Result);

    std::function<void()> FOnShown;
    std::function<void(const QImage &)> FOnTaken;
    bool FFault = false;
    std::unique_ptr<IScreenSource> FSource;
    std::vector<TFrozenScreen> FScreens;
    size_t FMain = 0; // the screen where the pointer was when the capture began
    QRect FDesktop;   // all screens, root-window pixels
    size_t FPaintedCount = 0;
    bool FGrabStarted = false;
    int FGrabTries = 0;
    bool FDone = false;
    QImage FResult;
    std::exception_ptr FError;
    QEventLoop FLoop;
};

} // namespace camera
