#include "CompositorBed.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <functional>
#include <unistd.h>

#include "PortalBed.h"

namespace {

// Each desktop is up within a fraction of a second here; this leaves room for a loaded machine.
constexpr int StartTimeoutMs = 20000;
// The unprivileged user sway runs as.
constexpr uid_t Nobody = 65534;

} // namespace

TCompositorBed::~TCompositorBed() {
    Stop();
    // For a look at the desktop's and the clients' logs after a failure.
    if (qEnvironmentVariableIsSet("QC_KEEP_BED"))
        FDir.setAutoRemove(false);
}

QString TCompositorBed::Fail(const QString &Why, bool Missing) {
    Stop();
    return Missing ? Why + " (scripts/setup.sh installs it)" : Why;
}

QProcess *TCompositorBed::Start(const QString &Program, const QStringList &Arguments,
                                const QProcessEnvironment &Env, const QString &Log) {
    auto P = std::make_unique<QProcess>();
    P->setProcessEnvironment(Env);
    P->setStandardOutputFile(FDir.filePath(Log));
    P->setStandardErrorFile(FDir.filePath(Log), QIODevice::Append);
    P->start(Program, Arguments);
    if (!P->waitForStarted())
        return nullptr;
    FProcesses.push_back(std::move(P));
    return FProcesses.back().get();
}

QString TCompositorBed::WaitForDisplay() {
    (void)QTest::qWaitFor(
        [&] {
            const QStringList Sockets =
                QDir(FRuntimeDir).entryList({"wayland-*"}, QDir::System | QDir::NoDotAndDotDot);
            for (const QString &S : Sockets)
                if (!S.endsWith(".lock"))
                    FWaylandDisplay = S;
            return !FWaylandDisplay.isEmpty();
        },
        StartTimeoutMs);
    return FWaylandDisplay;
}

QString TCompositorBed::StartSway(bool XWayland) {
    const QString Sway = QStandardPaths::findExecutable("sway");
    const QString Setpriv = QStandardPaths::findExecutable("setpriv");
    if (Sway.isEmpty() || Setpriv.isEmpty())
        return Fail("sway or setpriv is not installed", true);
    if (!FDir.isValid())
        return Fail("no temporary folder");
    // The user must reach its folder, which only it may enter.
    QFile::setPermissions(FDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    FRuntimeDir = FDir.filePath("run");
    QDir().mkpath(FRuntimeDir);
    if (::chown(QFile::encodeName(FRuntimeDir).constData(), Nobody, Nobody) != 0)
        return Fail("cannot hand the runtime folder to nobody");
    QFile::setPermissions(FRuntimeDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile Config(FDir.filePath("sway.conf"));
    // With XWayland, sway hands its clients DISPLAY; a client of its own writes it down.
    const QString Environment = FRuntimeDir + "/environment";
    const QByteArray Text =
        XWayland ? "xwayland enable\nexec env > " + QFile::encodeName(Environment) + "\n"
                 : QByteArray("xwayland disable\n");
    if (!Config.open(QIODevice::WriteOnly) || Config.write(Text) < 0)
        return Fail("cannot write sway's configuration");
    Config.close();
    FSwaySocket = FRuntimeDir + "/ipc.sock";

    QProcessEnvironment Env;
    Env.insert("PATH", qEnvironmentVariable("PATH"));
    Env.insert("HOME", FDir.path());
    Env.insert("XDG_RUNTIME_DIR", FRuntimeDir);
    // sway takes the socket's path from here when nothing is there yet.
    Env.insert("SWAYSOCK", FSwaySocket);
    Env.insert("WLR_BACKENDS", "headless");
    Env.insert("WLR_RENDERER", "pixman");
    Env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    if (!Start(Setpriv,
               {"--reuid=65534", "--regid=65534", "--clear-groups", Sway, "-c", Config.fileName()},
               Env, "sway.log"))
        return Fail("sway did not start");
    if (WaitForDisplay().isEmpty() ||
        !QTest::qWaitFor([&] { return QFile::exists(FSwaySocket); }, StartTimeoutMs))
        return Fail("sway did not come up; see " + FDir.filePath("sway.log"));
    if (XWayland) {
        FX11AsNobody = true;
        const bool Found = QTest::qWaitFor(
            [&] {
                QFile File(Environment);
                if (!File.open(QIODevice::ReadOnly))
                    return false;
                for (const QByteArray &Line : File.readAll().split('\n'))
                    if (Line.startsWith("DISPLAY="))
                        FX11Display = QString::fromUtf8(Line.mid(8));
                return !FX11Display.isEmpty();
            },
            StartTimeoutMs);
        if (!Found)
            return Fail("sway gave no X display; see " + FDir.filePath("sway.log"));
    }
    return {};
}

QString TCompositorBed::StartKWin(TPortalBed &Bus, bool XWayland) {
    const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
    return Why.isEmpty() ? StartKWin(Bus.BusAddress(), XWayland) : Fail(Why);
}

QString TCompositorBed::StartKWin(const QString &BusAddress, bool XWayland) {
    // The packaged program carries a file capability this container refuses; a plain copy runs,
    // and KWin loads its platform plugin only under its own name.
    if (!QFile::exists("/usr/bin/kwin_wayland"))
        return Fail("kwin_wayland is not installed", true);
    if (!FDir.isValid())
        return Fail("no temporary folder");
    QDir().mkpath(FDir.filePath("bin"));
    const QString KWin = FDir.filePath("bin/kwin_wayland");
    if (!QFile::copy("/usr/bin/kwin_wayland", KWin))
        return Fail("cannot copy kwin_wayland");
    QFile::setPermissions(KWin, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    FRuntimeDir = FDir.filePath("run");
    QDir().mkpath(FRuntimeDir);
    QFile::setPermissions(FRuntimeDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    FBusAddress = BusAddress;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("DISPLAY");
    Env.remove("WAYLAND_DISPLAY");
    Env.insert("XDG_RUNTIME_DIR", FRuntimeDir);
    Env.insert("XDG_CONFIG_HOME", FDir.filePath("config"));
    Env.insert("DBUS_SESSION_BUS_ADDRESS", BusAddress);
    Env.remove("QT_QPA_PLATFORM");
    QStringList Arguments{
        "--virtual",       "--width",         "1280", "--height", "800", "--socket", "wayland-kw",
        "--no-lockscreen", "--no-kactivities"};
    if (XWayland)
        Arguments << "--xwayland";
    QProcess *Process = Start(KWin, Arguments, Env, "kwin.log");
    if (!Process)
        return Fail("kwin_wayland did not start");
    const QDBusConnection Bus = QDBusConnection::connectToBus(BusAddress, "compositor-bed");
    const bool Up =
        WaitForDisplay() == "wayland-kw" &&
        QTest::qWaitFor(
            [&] { return Bus.interface()->isServiceRegistered("org.kde.KWin").value(); },
            StartTimeoutMs);
    QDBusConnection::disconnectFromBus("compositor-bed");
    if (!Up)
        return Fail("kwin_wayland did not come up; see " + FDir.filePath("kwin.log"));
    // KWin names no display for its X server: it is the one on Xwayland's command line.
    if (XWayland &&
        !QTest::qWaitFor(
            [&] {
                const QString Task = QString("/proc/%1/task").arg(Process->processId());
                for (const QString &Thread :
                     QDir(Task).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                    QFile Children(Task + "/" + Thread + "/children");
                    if (!Children.open(QIODevice::ReadOnly))
                        continue;
                    for (const QByteArray &Pid : Children.readAll().split(' ')) {
                        QFile Line("/proc/" + QString::fromLatin1(Pid.trimmed()) + "/cmdline");
                        if (Pid.trimmed().isEmpty() || !Line.open(QIODevice::ReadOnly))
                            continue;
                        const QList<QByteArray> Args = Line.readAll().split('\0');
                        if (Args.size() > 1 && Args[0].endsWith("Xwayland"))
                            FX11Display = QString::fromLatin1(Args[1]);
                    }
                }
                return FX11Display.startsWith(':');
            },
            StartTimeoutMs))
        return Fail("kwin_wayland started no X server; see " + FDir.filePath("kwin.log"));
    return {};
}

QProcess *TCompositorBed::Launch(const QString &Program, const QStringList &Arguments, bool X11) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("DISPLAY");
    Env.remove("WAYLAND_DISPLAY");
    if (X11) {
        // sway's X server takes clients of its own user only.
        Env.insert("QT_QPA_PLATFORM", "xcb");
        Env.insert("DISPLAY", FX11Display);
        Env.remove("XAUTHORITY");
        if (!FX11AsNobody)
            return Start(Program, Arguments, Env,
                         QString("client%1.log").arg(static_cast<qsizetype>(FProcesses.size())));
        return Start("setpriv",
                     QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", Program} +
                         Arguments,
                     Env, QString("client%1.log").arg(static_cast<qsizetype>(FProcesses.size())));
    } else {
        Env.insert("QT_QPA_PLATFORM", "wayland");
        Env.insert("WAYLAND_DISPLAY", FWaylandDisplay);
    }
    Env.insert("XDG_RUNTIME_DIR", FRuntimeDir);
    return Start(Program, Arguments, Env,
                 QString("client%1.log").arg(static_cast<qsizetype>(FProcesses.size())));
}

int TCompositorBed::Run(const QStringList &Commands) const {
    QProcess Msg;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("SWAYSOCK", FSwaySocket);
    Msg.setProcessEnvironment(Env);
    Msg.start("swaymsg", {Commands.join("; ")});
    if (!Msg.waitForFinished(StartTimeoutMs))
        return -1;
    return Msg.exitStatus() == QProcess::NormalExit ? Msg.exitCode() : -1;
}

std::map<QString, QString> TCompositorBed::SwayViews() const {
    QProcess Msg;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("SWAYSOCK", FSwaySocket);
    Msg.setProcessEnvironment(Env);
    Msg.start("swaymsg", {"-r", "-t", "get_tree"});
    std::map<QString, QString> Views;
    if (!Msg.waitForFinished(StartTimeoutMs))
        return Views;
    std::function<void(const QJsonObject &, bool)> Walk = [&](const QJsonObject &Node,
                                                              bool Hidden) {
        if (Node.value("type").toString() == "workspace")
            Hidden = Node.value("name").toString() == "__i3_scratch";
        QString AppId = Node.value("app_id").toString();
        if (AppId.isEmpty())
            AppId = Node.value("window_properties").toObject().value("class").toString();
        if (!AppId.isEmpty())
            Views[AppId] = Hidden                                            ? "hidden"
                           : Node.value("type").toString() == "floating_con" ? "floating"
                                                                             : "tiled";
        for (const char *Children : {"nodes", "floating_nodes"})
            for (const QJsonValue Child : Node.value(Children).toArray())
                Walk(Child.toObject(), Hidden);
    };
    Walk(QJsonDocument::fromJson(Msg.readAllStandardOutput()).object(), false);
    return Views;
}

QString TCompositorBed::KWinScript(const QString &Body) {
    // The script prints its answer to KWin's log, between marks of this run.
    const QString Mark = QString("QCSCRIPT%1_").arg(++FQueries);
    const QString Path = FDir.filePath(Mark + ".js");
    QFile Script(Path);
    if (!Script.open(QIODevice::WriteOnly))
        return {};
    Script.write(QString("let answer = ''; const l = workspace.clientList();\n%2\n"
                         "print('%1<' + answer + '>%1');\n")
                     .arg(Mark, Body)
                     .toUtf8());
    Script.close();
    QDBusConnection Bus = QDBusConnection::connectToBus(FBusAddress, "compositor-bed-query");
    const auto Call = [&](const QString &Object, const QString &Interface, const QString &Method,
                          const QVariantList &Arguments) {
        QDBusMessage M = QDBusMessage::createMethodCall("org.kde.KWin", Object, Interface, Method);
        M.setArguments(Arguments);
        return Bus.call(M);
    };
    const QDBusMessage Loaded =
        Call("/Scripting", "org.kde.kwin.Scripting", "loadScript", {Path, Mark});
    QString Answer;
    if (Loaded.type() == QDBusMessage::ReplyMessage && !Loaded.arguments().isEmpty()) {
        Call("/" + QString::number(Loaded.arguments().first().toInt()), "org.kde.kwin.Script",
             "run", {});
        (void)QTest::qWaitFor(
            [&] {
                QFile Log(FDir.filePath("kwin.log"));
                if (!Log.open(QIODevice::ReadOnly))
                    return false;
                const QString All = QString::fromUtf8(Log.readAll());
                const qsizetype Start = All.indexOf(Mark + "<");
                const qsizetype End = All.indexOf(">" + Mark);
                if (Start < 0 || End < Start)
                    return false;
                Answer = All.mid(Start + Mark.size() + 1, End - Start - Mark.size() - 1);
                return true;
            },
            StartTimeoutMs);
    }
    Call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {Mark});
    QDBusConnection::disconnectFromBus("compositor-bed-query");
    return Answer;
}

std::map<QString, QString> TCompositorBed::KWinWindows() {
    const QString Answer =
        KWinScript("for (let i = 0; i < l.length; i++) answer += ' ' + l[i].resourceClass + '=' + "
                   "(l[i].minimized ? 'minimized' : 'shown');");
    std::map<QString, QString> Windows;
    for (const QString &Pair : Answer.split(' ', Qt::SkipEmptyParts)) {
        const qsizetype Eq = Pair.indexOf('=');
        if (Eq > 0)
            Windows[Pair.left(Eq)] = Pair.mid(Eq + 1);
    }
    return Windows;
}

void TCompositorBed::Stop() {
    // The clients first, the desktop last.
    EndInReverse(FProcesses);
}

int TCompositorBed::RunStandIn(int argc, char **argv) {
    // On X11 the window's class comes from the application's name.
    QCoreApplication::setApplicationName(argv[2]);
    QApplication App(argc, argv);
    QGuiApplication::setDesktopFileName(argv[2]);
    QWidget W;
    W.setWindowTitle(argv[2]);
    W.resize(300, 200);
    W.show();
    return App.exec();
}
