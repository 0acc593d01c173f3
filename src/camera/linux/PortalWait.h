#pragma once

#include <QDBusConnection>
#include <QImage>

namespace camera {

// The portal's picture of the desktop, awaited with the program's windows working all along.
// Should the answer be slow in coming (the desktop asking the user for permission first), a
// small window says what is awaited and lets the user give up with its button or Esc; the
// request is then dropped (see TPortalScreenshot::Drop). Returns the picture, or a null image
// when the user gave up or the program is ending; throws TCaptureFailure when the desktop gave
// none.
QImage AwaitPortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs);

} // namespace camera
