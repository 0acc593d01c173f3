#pragma once

#include <QImage>
#include <QList>
#include <memory>
#include <stdexcept>
#include <vector>

class QScreen;

namespace camera {

// A capture that could not freeze the screens; what() is the sentence shown to the user.
class TCaptureFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the frozen image of the screens comes from: the X server's root window, or the desktop's
// screenshot service where X11 sees only part of the screen.
class IScreenSource {
public:
    virtual ~IScreenSource() = default;
    // One image per screen, in the order given, sized in the pixels of the windowing system; a
    // null image for a screen that could not be taken. Throws TCaptureFailure when nothing could.
    virtual std::vector<QImage> Grab(const QList<QScreen *> &Screens) = 0;
};

// Chosen once per capture from the session the program runs in.
std::unique_ptr<IScreenSource> CreateScreenSource();

} // namespace camera
