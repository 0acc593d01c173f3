#pragma once

#include <QDBusConnection>
#include <QImage>

namespace camera {

// The whole desktop, taken by the desktop's screenshot service (the desktop portal) without a
// dialog, for sessions whose X server sees only the windows of X11 clients. Waits for the answer
// at most TimeoutMs; the file the service writes is read and then removed. Throws
// TCaptureFailure, with the sentence for the user, when there is no such service, it refused,
// it did not answer in time, or its file could not be read.
QImage TakePortalScreenshot(const QDBusConnection &Bus, int TimeoutMs);

} // namespace camera
