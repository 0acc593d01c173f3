#include "PortalScreenSource.h"

#include <QDBusConnection>
#include <QScreen>

#include "PortalWait.h"
#include "X11ScreenSource.h"
#include "platform/Session.h"

namespace camera {

std::vector<QImage> TPortalScreenSource::Grab(const QList<QScreen *> &Screens) {
    const QImage Desktop = AwaitPortalScreenshot(QDBusConnection::sessionBus(), FTimeoutMs);
    std::vector<QImage> Result;
    // Given up while waiting: nothing to show, nothing to tell.
    if (Desktop.isNull()) {
        Result.resize(Screens.size());
        return Result;
    }
    QRect Box;
    for (QScreen *S : Screens)
        Box |= S->geometry();
    Result.reserve(Screens.size());
    if (Box.isEmpty()) {
        Result.resize(Screens.size());
        return Result;
    }
    const qreal Sx = qreal(Desktop.width()) / Box.width();
    const qreal Sy = qreal(Desktop.height()) / Box.height();
    for (QScreen *S : Screens) {
        const QRect G = S->geometry().translated(-Box.topLeft());
        const QRect Part = QRectF(G.x() * Sx, G.y() * Sy, G.width() * Sx, G.height() * Sy)
                               .toAlignedRect()
                               .intersected(Desktop.rect());
        Result.push_back(Part.isEmpty() ? QImage() : Desktop.copy(Part));
    }
    return Result;
}

std::unique_ptr<IScreenSource> CreateScreenSource() {
    // On a Wayland session the X root holds only the XWayland windows, black elsewhere.
    if (platform::IsWaylandSession())
        return std::make_unique<TPortalScreenSource>();
    return std::make_unique<TX11ScreenSource>();
}

} // namespace camera
