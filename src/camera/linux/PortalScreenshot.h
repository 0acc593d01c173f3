#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QPointer>

namespace camera {

class TPortalRequest;

// The whole desktop, taken by the desktop's screenshot service (the desktop portal) without a
// dialog of the program's, for sessions whose X server sees only the windows of X11 clients.
// Nothing waits: the answer comes in Finished. The portal takes the call at once but may answer
// only after asking the user (GNOME's "Allow Applications to Take Screenshots?"), so only taking
// the call is timed; the answer is awaited until it comes or the request is dropped.
class TPortalScreenshot : public QObject {
    Q_OBJECT
public:
    // CallTimeoutMs: how long the portal may take to take the call.
    TPortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs, QObject *Parent = nullptr);
    // Drops the request if it is still unanswered.
    ~TPortalScreenshot() override;
    // Asks the portal; Finished may come before this returns (no bus, say).
    void Start();
    // Gives up waiting: Finished does not come. The request is left open rather than withdrawn
    // (a portal that has already asked the user takes the picture all the same, and only an
    // open request says where it put it): a picture that still arrives is removed unseen.
    void Drop();

Q_SIGNALS:
    // Once: the picture, or a null image and the sentence for the user (there is no such
    // service, it did not take the call in time, it refused, it failed, or its file could not
    // be read).
    void Finished(const QImage &Image, const QString &Failure);

private:
    QPointer<TPortalRequest> FRequest;
    int FCallTimeoutMs;
};

// The same, awaited: user input goes on being handled meanwhile. Throws TCaptureFailure with
// the sentence for the user.
QImage TakePortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs);

} // namespace camera
