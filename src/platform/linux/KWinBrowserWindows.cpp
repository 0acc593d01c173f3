#include "KWinBrowserWindows.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryFile>
#include <QTimer>
#include <atomic>
#include <unistd.h>
#include <utility>

#include "XcbBrowserWindows.h"

namespace platform::linux_ {

namespace {

const QString KWinService = "org.kde.KWin";
const QString ReceiverInterface = "org.qingchuan.BrowserWindows";
// KWin runs a script within milliseconds; a desktop that never answers must not hold the
// program for longer than a user would wait for a key press to do something.
constexpr int AnswerTimeoutMs = 3000;

std::atomic<int> Instances{0};

// The script: it walks KWin's windows, acts on the browsers' Wayland windows and calls back
// with the ids it found (minimised by "hide"; on the desktop for "find").
QString Script(const QString &Mode, const QStringList &Hidden, const QString &Service,
               const QString &Path, const QString &Token) {
    QJsonArray Browsers;
    for (std::string_view Name : TXcbBrowserWindows::BrowserClassNames())
        Browsers.append(
            QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size())).toLower());
    const auto Json = [](const QJsonArray &A) {
        return QString::fromUtf8(QJsonDocument(A).toJson(QJsonDocument::Compact));
    };
    const auto Text = [&](const QString &S) { return Json(QJsonArray{S}).mid(1).chopped(1); };
    return QString(R"(
const browsers = %1, hidden = %2, mode = %3, own = %4;
const found = [];
const windows = workspace.clientList();
for (let i = 0; i < windows.length; i++) {
    const w = windows[i];
    // X11 windows carry a window id; they are withdrawn the X11 way instead.
    if (w.windowId !== undefined || w.pid == own || !w.managed)
        continue;
    if (browsers.indexOf(String(w.resourceClass).toLowerCase()) < 0)
        continue;
    const id = String(w.internalId);
    if (mode == "hide") {
        if (!w.minimized && w.minimizable) {
            w.minimized = true;
            found.push(id);
        }
    } else if (mode == "show") {
        if (hidden.indexOf(id) >= 0)
            w.minimized = false;
    } else if (hidden.indexOf(id) < 0 || !w.minimized) {
        found.push(id);
    }
}
callDBus(%5, %6, %7, "Report", %8, found.join(","));
)")
        .arg(Json(Browsers), Json(QJsonArray::fromStringList(Hidden)), Text(Mode),
             QString::number(::getpid()), Text(Service), Text(Path), Text(ReceiverInterface),
             Text(Token));
}

} // namespace

// Takes the script's answers on the bus.
class TKWinReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.qingchuan.BrowserWindows")
public:
    QString Token;
    std::optional<QStringList> Answer;
    QEventLoop *Loop = nullptr;

public Q_SLOTS:
    Q_SCRIPTABLE void Report(const QString &Token, const QString &Ids) {
        if (Token != this->Token)
            return;
        Answer = Ids.split(',', Qt::SkipEmptyParts);
        if (Loop)
            Loop->quit();
    }
};

TKWinBrowserWindows::TKWinBrowserWindows(const QString &BusAddress)
    : FBus(QDBusConnection::sessionBus()), FReceiver(std::make_unique<TKWinReceiver>()) {
    const int N = Instances++;
    if (!BusAddress.isEmpty()) {
        FConnectionName = QString("qingchuan-kwin-%1").arg(N);
        FBus = QDBusConnection::connectToBus(BusAddress, FConnectionName);
    }
    FObjectPath = QString("/org/qingchuan/BrowserWindows%1").arg(N);
    FBus.registerObject(FObjectPath, FReceiver.get(), QDBusConnection::ExportScriptableSlots);
}

TKWinBrowserWindows::~TKWinBrowserWindows() {
    FBus.unregisterObject(FObjectPath);
    if (!FConnectionName.isEmpty())
        QDBusConnection::disconnectFromBus(FConnectionName);
}

bool TKWinBrowserWindows::Present() const {
    return FBus.isConnected() && FBus.interface() &&
           FBus.interface()->isServiceRegistered(KWinService).value();
}

std::optional<QStringList> TKWinBrowserWindows::RunScript(const QString &Mode) {
    // A press that comes while the script of the last one runs has nothing to add.
    if (FBusy || !FBus.isConnected())
        return std::nullopt;
    static int Serial = 0;
    const QString Token = QString("%1-%2").arg(::getpid()).arg(++Serial);
    const QString Plugin = "qingchuan-browsers-" + Token;
    QTemporaryFile File(QDir::tempPath() + "/qingchuan-kwin-XXXXXX.js");
    if (!File.open())
        return std::nullopt;
    File.write(Script(Mode, FHidden, FBus.baseService(), FObjectPath, Token).toUtf8());
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
    return std::exchange(FReceiver->Answer, std::nullopt);
}

bool TKWinBrowserWindows::Apply(bool Show) {
    if (Show) {
        const bool Done = RunScript("show").has_value();
        // Windows closed since, or restored by the user, are forgotten with the rest.
        if (Done)
            FHidden.clear();
        return Done;
    }
    const std::optional<QStringList> Minimised = RunScript("hide");
    if (!Minimised)
        return false;
    for (const QString &Id : *Minimised)
        if (!FHidden.contains(Id))
            FHidden.append(Id);
    return true;
}

bool TKWinBrowserWindows::AnyOnDesktop() {
    const std::optional<QStringList> OnDesktop = RunScript("find");
    return OnDesktop && !OnDesktop->isEmpty();
}

} // namespace platform::linux_

#include "KWinBrowserWindows.moc"
