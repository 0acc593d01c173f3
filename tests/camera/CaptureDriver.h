#pragma once

#include <QImage>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

// Drives the capture library on the test display: a known pattern on the screen, xdotool playing
// the user's part inside the capture call, and the clipboard read back by another process.
namespace CaptureDriver {

// The colour of screen pixel (X, Y) in the pattern; neighbours and distant pixels all differ.
QRgb Pattern(int X, int Y);

// A window outside the window manager's reach at an exact place (in screen pixels), painted
// with the pattern of the screen pixels it covers.
class TPatternWindow : public QWidget {
public:
    explicit TPatternWindow(const QRect &Geometry);
    // Shows it on top and waits until its pixels are on the screen.
    bool ShowOnTop();
    // Hides it and waits until the server has unmapped it.
    bool HideNow();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QRect FGeometry;
    QImage FImage;
};

// One step of the user's part in a capture: xdotool run with Args, or, where Ready is set, a
// wait until Ready holds (What names it when it never does).
struct TStep {
    QStringList Args;
    std::function<bool()> Ready;
    QString What;
};
using TSteps = QList<TStep>;

// xdotool with these arguments, once the one before has finished. Arguments holding a "key"
// command wait first until the capture holds the keyboard, so that no key goes elsewhere.
TStep Do(const QStringList &Args);
// Waits until the capture outlines exactly Rect (screen pixels); an empty Rect: nothing.
TStep UntilOutlined(const QRect &Rect);
// Waits until Ready holds.
TStep Until(const QString &What, std::function<bool()> Ready);

// Runs Capture; once the frozen screens are up, plays the steps Steps gives at that moment, one
// after the other. A wait that does not hold within 10 s, or a capture still running 15 s after
// it began, is ended with Esc; the capture's result, or -1 when a wait gave up (named in a
// warning).
int32_t Drive(const std::function<int32_t()> &Capture, const std::function<TSteps()> &Steps);
int32_t Drive(const std::function<int32_t()> &Capture, const TSteps &Steps);

// Whether a capture window holds the keyboard: it grabbed it, and Qt sends keys to it.
bool CaptureHasKeyboard();
// The rectangle the capture outlines (screen pixels), empty when none or no capture runs.
QRect Outlined();
// The pointer's shape over the capture windows.
Qt::CursorShape OverlayCursor();

// What another process gets from the clipboard for that type (empty when nothing).
QByteArray ReadClipboard(const QString &Type);
QImage ClipboardPng();
// Puts a text on the clipboard, to see later whether a capture replaced it; false when another
// process could not read it back.
bool SetClipboardText(const QString &Text);
QString ClipboardText();

// Whether Image shows exactly the pattern of the screen area At.
bool ShowsPattern(const QImage &Image, const QRect &At);
// Whether the screen itself shows exactly the pattern over At (screen pixels).
bool ScreenShowsPattern(const QRect &At);

// The primary screen in screen pixels.
QRect NativeScreen();

// The capture windows still in existence.
int OverlayCount();
// The centre of the spy panel's crosshair, in screen pixels (only during a capture).
QPoint TargetCenter();

} // namespace CaptureDriver
