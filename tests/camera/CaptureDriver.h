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
    // Shows it on top and waits until it is on the screen.
    bool ShowOnTop();
    // Hides it and waits until the server has unmapped it.
    void HideNow();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage FImage;
};

// Runs Capture; once the frozen screens are up, starts xdotool with the arguments Steps gives
// at that moment. A capture still running 15 s later is ended with Esc.
int32_t Drive(const std::function<int32_t()> &Capture, const std::function<QStringList()> &Steps);
int32_t Drive(const std::function<int32_t()> &Capture, const QStringList &Steps);

// What another process gets from the clipboard for that type (empty when nothing).
QByteArray ReadClipboard(const QString &Type);
QImage ClipboardPng();
// Puts a text on the clipboard, to see later whether a capture replaced it.
void SetClipboardText(const QString &Text);
QString ClipboardText();

// Whether Image shows exactly the pattern of the screen area At.
bool ShowsPattern(const QImage &Image, const QRect &At);

// The primary screen in screen pixels.
QRect NativeScreen();

// The capture windows still in existence.
int OverlayCount();
// The centre of the spy panel's crosshair, in screen pixels (only during a capture).
QPoint TargetCenter();

} // namespace CaptureDriver
