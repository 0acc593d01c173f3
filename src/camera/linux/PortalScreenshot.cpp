// The Screenshot call of the desktop portal: the call returns a request object at once, and the
// image's file arrives later in that request's Response signal.
#include "PortalScreenshot.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <atomic>

#include "../ScreenSource.h"

namespace camera {

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Receives the one Response of a request.
class TResponse : public QObject {
    Q_OBJECT
public:
    bool Arrived = false;
    uint Code = 2;
    QVariantMap Results;
    QEventLoop Loop;

public Q_SLOTS:
    void OnResponse(uint Response, const QVariantMap &Values) {
        Arrived = true;
        Code = Response;
        Results = Values;
        Loop.quit();
    }
};

bool Listen(QDBusConnection Bus, const QString &Path, TResponse &Receiver) {
    return Bus.connect(Service, Path, RequestInterface, QStringLiteral("Response"), &Receiver,
                       SLOT(OnResponse(uint, QVariantMap)));
}

void StopListening(QDBusConnection Bus, const QString &Path, TResponse &Receiver) {
    Bus.disconnect(Service, Path, RequestInterface, QStringLiteral("Response"), &Receiver,
                   SLOT(OnResponse(uint, QVariantMap)));
}

} // namespace

QImage TakePortalScreenshot(const QDBusConnection &Bus, int TimeoutMs) {
    if (!Bus.isConnected())
        throw TCaptureFailure("截图失败：无法连接到桌面会话总线。");
    // Unique on the connection even should two copies of this code share it.
    static std::atomic<int> Counter{0};
    const QString Token =
        QStringLiteral("qingchuan%1_%2").arg(++Counter).arg(QRandomGenerator::global()->generate());
    // The request's path is known before the call, so the answer cannot slip past: portals
    // older than this naming return another path, which is listened to as well.
    QString Sender = Bus.baseService().mid(1);
    Sender.replace('.', '_');
    const QString Expected = DesktopPath + "/request/" + Sender + "/" + Token;
    TResponse Receiver;
    Listen(Bus, Expected, Receiver);

    QDBusMessage Call = QDBusMessage::createMethodCall(
        Service, DesktopPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    const QVariantMap Options{{"handle_token", Token}, {"interactive", false}, {"modal", false}};
    Call << QString() << Options;
    const QDBusMessage Reply = Bus.call(Call, QDBus::Block, TimeoutMs);
    if (Reply.type() != QDBusMessage::ReplyMessage || Reply.arguments().isEmpty()) {
        StopListening(Bus, Expected, Receiver);
        if (Reply.errorName() == "org.freedesktop.DBus.Error.NoReply")
            throw TCaptureFailure("截图失败：桌面的截图服务没有应答。");
        throw TCaptureFailure("截图失败：当前桌面没有提供截图服务。");
    }
    const QString Handle = qvariant_cast<QDBusObjectPath>(Reply.arguments().first()).path();
    if (!Handle.isEmpty() && Handle != Expected)
        Listen(Bus, Handle, Receiver);

    if (!Receiver.Arrived) {
        QTimer Timeout;
        Timeout.setSingleShot(true);
        QObject::connect(&Timeout, &QTimer::timeout, &Receiver.Loop, &QEventLoop::quit);
        Timeout.start(TimeoutMs);
        Receiver.Loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    StopListening(Bus, Expected, Receiver);
    if (!Handle.isEmpty() && Handle != Expected)
        StopListening(Bus, Handle, Receiver);
    if (!Receiver.Arrived) {
        // Withdrawn, so that a late answer leaves no file behind to nobody.
        if (!Handle.isEmpty())
            Bus.call(QDBusMessage::createMethodCall(Service, Handle, RequestInterface,
                                                    QStringLiteral("Close")),
                     QDBus::NoBlock);
        throw TCaptureFailure("截图失败：桌面的截图服务没有应答。");
    }
    // 1: the user (or the desktop's policy) said no; anything else: the service failed.
    if (Receiver.Code == 1)
        throw TCaptureFailure("截图失败：桌面拒绝了截图请求。");
    if (Receiver.Code != 0)
        throw TCaptureFailure("截图失败：桌面的截图服务出错。");

    const QUrl Uri(Receiver.Results.value("uri").toString());
    const QString File = Uri.isLocalFile() ? Uri.toLocalFile() : QString();
    QImage Image;
    if (!File.isEmpty()) {
        Image.load(File);
        // The file was written for this call only.
        QFile::remove(File);
    }
    if (Image.isNull())
        throw TCaptureFailure("截图失败：无法读取桌面返回的截图。");
    return Image;
}

} // namespace camera

#include "PortalScreenshot.moc"
