#pragma once

#include <QImage>

namespace camera {

// Puts Image on the clipboard, for a caller whose window has the keyboard now. On a Wayland
// session the program's windows are X11 windows, and the compositor copies the X clipboard into
// its own only while an X11 window has the keyboard (sway: "denying write access to clipboard: no
// xwayland surface focused"): it does so by asking the new owner for its formats (TARGETS). So
// there this waits, at most LimitMs, until that question has been answered, and the caller keeps
// its window in front until then.
void SetClipboardImage(const QImage &Image, int LimitMs = 1500);

} // namespace camera
