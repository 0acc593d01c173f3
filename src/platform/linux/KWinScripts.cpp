#include "KWinScripts.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTimer>
#include <atomic>
#include <unistd.h>
#include <utility>

namespace platform::linux_ {

namespace {

const QString KWinService = "org.kde.KWin";
// KWin runs a script within milliseconds; a desktop that never answers must not hold the
// program for longer than a user would wait for a key press to do something.
constexpr int AnswerTimeoutMs = 3000;

std::atomic<int> Instances{0};

// 128 bits from the system's random source (getrandom, /dev/urandom), in hex: a name no other
// client of the bus can guess.
QString Unguessable() {
    quint32 Words[4];
    QRandomGenerator::system()->fillRange(Words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(Words), sizeof Words).toHex());
}

} // namespace

QString JsString(const QString &Text) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{Text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

// Takes the scripts' answers on the bus. Any client of the session bus may call it: only the
// answer that carries the running script's token and comes from KWin's own connection counts.
class TKWinScriptReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.qingchuan.KWinScript")
public:
    QString Token;
    QString KWin; // the unique name of the connection that owns KWin's name
    std::optional<QString> Answer;
    QEventLoop *Loop = nullptr;

public Q_SLOTS:
    Q_SCRIPTABLE void Report(const QString &Token, const QString &Answer) {
        if (this->Token.isEmpty() || Token != this->Token || KWin.isEmpty() || !calledFromDBus() ||
            message().service() != KWin)
            return;
        this->Answer = Answer;
        if (Loop)
            Loop->quit();
    }
};

TKWinScripts::TKWinScripts(const QString &BusAddress)
    : FBus(QDBusConnection::sessionBus()), FReceiver(std::make_unique<TKWinScriptReceiver>()) {
    const int N = Instances++;
    if (!BusAddress.isEmpty()) {
        FConnectionName = QString("qingchuan-kwin-%1").arg(N);
        FBus = QDBusConnection::connectToBus(BusAddress, FConnectionName);
    }
    FObjectPath = "/org/qingchuan/KWinScript" + Unguessable();
    FBus.registerObject(FObjectPath, FReceiver.get(), QDBusConnection::ExportScriptableSlots);
}

TKWinScripts::~TKWinScripts() {
    FBus.unregisterObject(FObjectPath);
    if (!FConnectionName.isEmpty())
        QDBusConnection::disconnectFromBus(FConnectionName);
}

bool TKWinScripts::Present() const {
    return FBus.isConnected() && FBus.interface() &&
           FBus.interface()->isServiceRegistered(KWinService).value();
}

std::optional<QString> TKWinScripts::Run(const QString &Body) {
    if (FBusy || !FBus.isConnected())
        return std::nullopt;
    // Answers are taken only from the connection that owns KWin's name now.
    if (!FBus.interface())
        return std::nullopt;
    const QDBusReply<QString> Owner = FBus.interface()->serviceOwner(KWinService);
    if (!Owner.isValid() || Owner.value().isEmpty())
        return std::nullopt;
    const QString Token = Unguessable();
    static std::atomic<int> Serial{0};
    const QString Plugin = QString("qingchuan-%1-%2").arg(::getpid()).arg(++Serial);
    QTemporaryFile File(QDir::tempPath() + "/qingchuan-kwin-XXXXXX.js");
    if (!File.open())
        return std::nullopt;
    File.write(QString("let answer = '';\n%1\ncallDBus(%2, %3, 'org.qingchuan.KWinScript', "
                       "'Report', %4, String(answer));\n")
                   .arg(Body, JsString(FBus.baseService()), JsString(FObjectPath), JsString(Token))
                   .toUtf8());
    File.close();

    const auto Call = [&](const QString &Path, const QString &Interface, const QString &Method,
                          const QVariantList &Arguments) {
        QDBusMessage M = QDBusMessage::createMethodCall(KWinService, Path, Interface, Method);
        M.setArguments(Arguments);
        return FBus.call(M, QDBus::Block, AnswerTimeoutMs);
    };
    const QDBusMessage Loaded =
        Call("/Scripting", "org.kde.kwin.Scripting", "loadScript", {File.fileName(), Plugin});
    if (Loaded.type() != QDBusMessage::ReplyMessage || Loaded.arguments().isEmpty() ||
        Loaded.arguments().first().toInt() < 0)
        return std::nullopt;
    FBusy = true;
    FReceiver->Token = Token;
    FReceiver->KWin = Owner.value();
    FReceiver->Answer.reset();
    const QString ScriptPath = "/" + QString::number(Loaded.arguments().first().toInt());
    if (Call(ScriptPath, "org.kde.kwin.Script", "run", {}).type() == QDBusMessage::ReplyMessage &&
        !FReceiver->Answer) {
        // KWin reads and runs the script after run() has returned; its answer is awaited here
        // without taking user input, so no second press starts inside this one.
        QEventLoop Loop;
        FReceiver->Loop = &Loop;
        QTimer::singleShot(AnswerTimeoutMs, &Loop, &QEventLoop::quit);
        Loop.exec(QEventLoop::ExcludeUserInputEvents);
        FReceiver->Loop = nullptr;
    }
    Call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {Plugin});
    FBusy = false;
    FReceiver->Token.clear();
    FReceiver->KWin.clear();
    return std::exchange(FReceiver->Answer, std::nullopt);
}

} // namespace platform::linux_

#include "KWinScripts.moc"
