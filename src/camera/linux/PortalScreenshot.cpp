// The Screenshot call of the desktop portal: the call returns a request object at once, and the
// image's file arrives later in that request's Response signal.
#include "PortalScreenshot.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <ctime>

#include "../ScreenSource.h"
#include "PortalFile.h"

namespace camera {

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
// A dropped request still listens this long for a late answer whose file is to be removed;
// nobody leaves a permission dialog open longer than this.
constexpr int OrphanLifetimeMs = 60 * 60 * 1000;

} // namespace

// One request on the bus; outlives its TPortalScreenshot once dropped, to clean up after a late
// answer.
class TPortalRequest : public QObject {
    Q_OBJECT
public:
    TPortalRequest(const QDBusConnection &Bus, TPortalScreenshot *Owner)
        : FBus(Bus), FOwner(Owner) {}
    ~TPortalRequest() override { StopListening(); }

    void Start(int CallTimeoutMs);
    void Drop();

public Q_SLOTS:
    void OnResponse(uint Response, const QVariantMap &Results);

private:
    void Listen(const QString &Path);
    void StopListening();
    void Finish(const QImage &Image, const QString &Failure);

    QDBusConnection FBus;
    QPointer<TPortalScreenshot> FOwner;
    QStringList FPaths;
    std::time_t FSince = 0;
    bool FStarted = false;
    bool FDropped = false;
    bool FDone = false;
};

void TPortalRequest::Listen(const QString &Path) {
    if (Path.isEmpty() || FPaths.contains(Path))
        return;
    FBus.connect(Service, Path, RequestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
    FPaths << Path;
}

void TPortalRequest::StopListening() {
    for (const QString &Path : std::as_const(FPaths))
        FBus.disconnect(Service, Path, RequestInterface, QStringLiteral("Response"), this,
                        SLOT(OnResponse(uint, QVariantMap)));
    FPaths.clear();
}

void TPortalRequest::Start(int CallTimeoutMs) {
    FStarted = true;
    if (!FBus.isConnected()) {
        Finish({}, QStringLiteral("截图失败：无法连接到桌面会话总线。"));
        return;
    }
    // Unique on the connection even should two copies of this code share it.
    static std::atomic<int> Counter{0};
    const QString Token =
        QStringLiteral("qingchuan%1_%2").arg(++Counter).arg(QRandomGenerator::global()->generate());
    // The request's path is known before the call, so the answer cannot slip past: portals
    // older than this naming return another path, which is listened to as well.
    QString Sender = FBus.baseService().mid(1);
    Sender.replace('.', '_');
    Listen(DesktopPath + "/request/" + Sender + "/" + Token);
    FSince = std::time(nullptr);

    QDBusMessage Call = QDBusMessage::createMethodCall(
        Service, DesktopPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    const QVariantMap Options{{"handle_token", Token}, {"interactive", false}, {"modal", false}};
    Call << QString() << Options;
    auto *Watcher = new QDBusPendingCallWatcher(FBus.asyncCall(Call, CallTimeoutMs), this);
    connect(Watcher, &QDBusPendingCallWatcher::finished, this, [this, Watcher] {
        Watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> Reply = *Watcher;
        if (Reply.isError()) {
            if (Reply.error().type() == QDBusError::NoReply)
                Finish({}, QStringLiteral("截图失败：桌面的截图服务没有应答。"));
            else
                Finish({}, QStringLiteral("截图失败：当前桌面没有提供截图服务。"));
            return;
        }
        Listen(Reply.value().path());
    });
}

void TPortalRequest::Drop() {
    FDropped = true;
    FOwner = nullptr;
    if (FDone || !FStarted) {
        deleteLater();
        return;
    }
    // Kept until the late answer, or the end of the program.
    setParent(QCoreApplication::instance());
    QTimer::singleShot(OrphanLifetimeMs, this, &QObject::deleteLater);
}

void TPortalRequest::OnResponse(uint Response, const QVariantMap &Results) {
    if (FDone)
        return;
    const QUrl Uri(Results.value("uri").toString());
    const QString File = Uri.isLocalFile() ? Uri.toLocalFile() : QString();
    if (FDropped) {
        // Nobody wants the picture any more: it must not stay behind.
        if (Response == 0)
            TakePortalFile(File, FSince);
        FDone = true;
        StopListening();
        deleteLater();
        return;
    }
    // 1: the user (or the desktop's policy) said no; anything else: the service failed.
    if (Response == 1)
        Finish({}, QStringLiteral("截图失败：桌面拒绝了截图请求。"));
    else if (Response != 0)
        Finish({}, QStringLiteral("截图失败：桌面的截图服务出错。"));
    else if (const QImage Image = TakePortalFile(File, FSince); !Image.isNull())
        Finish(Image, {});
    else
        Finish({}, QStringLiteral("截图失败：无法读取桌面返回的截图。"));
}

void TPortalRequest::Finish(const QImage &Image, const QString &Failure) {
    if (FDone)
        return;
    FDone = true;
    StopListening();
    if (FDropped) {
        deleteLater();
        return;
    }
    if (FOwner)
        Q_EMIT FOwner->Finished(Image, Failure);
}

TPortalScreenshot::TPortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs, QObject *Parent)
    : QObject(Parent), FRequest(new TPortalRequest(Bus, this)), FCallTimeoutMs(CallTimeoutMs) {}

TPortalScreenshot::~TPortalScreenshot() {
    Drop();
}

void TPortalScreenshot::Start() {
    if (FRequest)
        FRequest->Start(FCallTimeoutMs);
}

void TPortalScreenshot::Drop() {
    if (FRequest)
        FRequest->Drop();
    FRequest = nullptr;
}

QImage TakePortalScreenshot(const QDBusConnection &Bus, int CallTimeoutMs) {
    TPortalScreenshot Request(Bus, CallTimeoutMs);
    QImage Result;
    QString Failure;
    bool Done = false;
    QEventLoop Loop;
    QObject::connect(&Request, &TPortalScreenshot::Finished,
                     [&](const QImage &Image, const QString &Why) {
                         Result = Image;
                         Failure = Why;
                         Done = true;
                         Loop.quit();
                     });
    Request.Start();
    if (!Done)
        Loop.exec();
    if (Result.isNull())
        throw TCaptureFailure(Failure.toStdString());
    return Result;
}

} // namespace camera

#include "PortalScreenshot.moc"
