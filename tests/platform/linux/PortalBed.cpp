#include "PortalBed.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>

namespace {

const QString PortalFrontend = "/usr/libexec/xdg-desktop-portal";

// KDE's backend lies in the architecture's own library folder (/usr/lib/<triplet>/libexec): found
// where the session bus would start it from, its D-Bus service file, else by looking in each.
QString KdeBackend() {
    QFile Service("/usr/share/dbus-1/services/org.freedesktop.impl.portal.desktop.kde.service");
    if (Service.open(QIODevice::ReadOnly))
        for (const QByteArray &Line : Service.readAll().split('\n'))
            if (Line.startsWith("Exec=")) {
                const QString Program = QString::fromUtf8(Line.mid(5).trimmed()).section(' ', 0, 0);
                if (QFileInfo(Program).isExecutable())
                    return Program;
            }
    QStringList Places{"/usr/libexec"};
    for (const QString &Dir : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        Places << "/usr/lib/" + Dir + "/libexec";
    for (const QString &Place : Places)
        if (QFileInfo(Place + "/xdg-desktop-portal-kde").isExecutable())
            return Place + "/xdg-desktop-portal-kde";
    return {};
}
// Each daemon claims its bus name well within a second here; this leaves room for a loaded
// machine.
constexpr int StartTimeoutMs = 20000;

} // namespace

TPortalBed::~TPortalBed() {
    Stop();
}

QString TPortalBed::Fail(const QString &Why, bool Missing) {
    Stop();
    return Missing ? Why + " (scripts/setup.sh installs it)" : Why;
}

QProcess *TPortalBed::Launch(const QString &Program, const QStringList &Arguments,
                             const QProcessEnvironment &Env, bool ReadOutput) {
    auto P = std::make_unique<QProcess>();
    P->setProcessEnvironment(Env);
    // Each daemon's messages go to a file of its own in the bed's folder, kept for a failure.
    P->setStandardErrorFile(FDir.filePath(QFileInfo(Program).fileName() + ".log"));
    if (!ReadOutput)
        P->setStandardOutputFile(QProcess::nullDevice());
    P->start(Program, Arguments);
    if (!P->waitForStarted())
        return nullptr;
    FProcesses.push_back(std::move(P));
    return FProcesses.back().get();
}

QDBusConnection TPortalBed::Bus() const {
    return QDBusConnection(FConnectionName);
}

bool TPortalBed::WaitForNames(const QStringList &Names) {
    QDBusConnectionInterface *Bus = this->Bus().interface();
    return QTest::qWaitFor(
        [&] {
            for (const QString &N : Names)
                if (!Bus->isServiceRegistered(N))
                    return false;
            return true;
        },
        StartTimeoutMs);
}

QString TPortalBed::Start(TKind Kind, const QString &Display) {
    if (!FDir.isValid())
        return Fail("no temporary folder");
    const QString Root = FDir.path();
    QDir().mkpath(Root + "/run");
    QFile::setPermissions(Root + "/run",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(Root + "/config");
    QDir().mkpath(Root + "/portals");

    // The bus, with an address of its own.
    const QString Daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (Daemon.isEmpty())
        return Fail("dbus-daemon is not installed", true);
    FEnv = QProcessEnvironment::systemEnvironment();
    FEnv.insert("XDG_RUNTIME_DIR", Root + "/run");
    FEnv.insert("XDG_CONFIG_HOME", Root + "/config");
    FEnv.insert("XDG_DESKTOP_PORTAL_DIR", Root + "/portals");
    FEnv.remove("WAYLAND_DISPLAY");
    QProcess *Bus = new QProcess;
    FProcesses.emplace_back(Bus);
    Bus->setProcessEnvironment(FEnv);
    Bus->start(Daemon, {"--session", "--nofork", "--nosyslog", "--print-address=1",
                        "--address=unix:tmpdir=" + Root});
    if (!Bus->waitForStarted() ||
        !QTest::qWaitFor([&] { return Bus->canReadLine(); }, StartTimeoutMs))
        return Fail("dbus-daemon did not start");
    FAddress = QString::fromUtf8(Bus->readLine()).trimmed();
    FEnv.insert("DBUS_SESSION_BUS_ADDRESS", FAddress);
    FConnectionName = "portal-bed-" + QString::number(quintptr(this), 16);
    if (!QDBusConnection::connectToBus(FAddress, FConnectionName).isConnected())
        return Fail("cannot connect to " + FAddress);
    if (Kind == TKind::NoPortal)
        return {};
    if (Kind == TKind::BareDisplay || Kind == TKind::StatusNotifier) {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            return Fail("Xvfb is not installed", true);
        if (!StartDisplay())
            return Fail("Xvfb did not start");
        FEnv.insert("DISPLAY", FDisplay);
        if (Kind == TKind::BareDisplay)
            return {};
        const QString Watcher = QStandardPaths::findExecutable("status-notifier-watcher");
        if (Watcher.isEmpty() || !QFile::exists("/usr/bin/python3"))
            return Fail("status-notifier-watcher (haskell-status-notifier-item-utils) or "
                        "/usr/bin/python3 is not installed",
                        true);
        if (!Launch(Watcher, {}, FEnv) || !WaitForNames({"org.kde.StatusNotifierWatcher"}))
            return Fail("status-notifier-watcher did not start");
        if (!Launch("/usr/bin/python3", {QString(QC_PORTAL_BED_DIR) + "/sni_host.py"}, FEnv))
            return Fail("the tray host did not start");
        // The watcher tells programs of a notification area only once a host has registered.
        const bool Host = QTest::qWaitFor(
            [&] {
                const QDBusMessage Reply =
                    this->Bus().call(QDBusMessage::createMethodCall(
                                         "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                         "org.freedesktop.DBus.Properties", "Get")
                                     << QString("org.kde.StatusNotifierWatcher")
                                     << QString("IsStatusNotifierHostRegistered"));
                return Reply.type() == QDBusMessage::ReplyMessage &&
                       Reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
            },
            StartTimeoutMs);
        if (!Host)
            return Fail("the tray host did not register (python3-dbus, python3-gi?)");
        return {};
    }

    if (!QFile::exists(PortalFrontend))
        return Fail("xdg-desktop-portal is not installed", true);
    if (Kind == TKind::FakeBackend || Kind == TKind::FakeNoShortcuts) {
        // The system's interpreter: the one with python3-dbus and python3-gi.
        const QString Python = QFile::exists("/usr/bin/python3")
                                   ? QString("/usr/bin/python3")
                                   : QStandardPaths::findExecutable("python3");
        if (Python.isEmpty())
            return Fail("python3 is not installed", true);
        FEnv.insert("XDG_CURRENT_DESKTOP", "fake");
        const QString Portal =
            Kind == TKind::FakeBackend ? "fake.portal" : "fake-noshortcuts.portal";
        QFile::copy(QString(QC_PORTAL_BED_DIR) + "/" + Portal, Root + "/portals/fake.portal");
        FPython = Python;
        FFakeBackend = Launch(Python, {QString(QC_PORTAL_BED_DIR) + "/fake_portal.py"}, FEnv);
        if (!FFakeBackend || !WaitForNames({"org.freedesktop.impl.portal.desktop.fake"}))
            return Fail("the fake backend did not start (python3-dbus, python3-gi?)");
    } else {
        const QString Xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString Kga = QStandardPaths::findExecutable("kglobalaccel5");
        const QString Backend = KdeBackend();
        if ((Display.isEmpty() && Xvfb.isEmpty()) || Kga.isEmpty() || Backend.isEmpty())
            return Fail("Xvfb, kglobalaccel5 or xdg-desktop-portal-kde is not installed", true);
        FDisplay = Display;
        if (FDisplay.isEmpty() && !StartDisplay())
            return Fail("Xvfb gave no display");
        FEnv.insert("DISPLAY", FDisplay);
        FEnv.insert("XDG_CURRENT_DESKTOP", "KDE");
        FEnv.insert("QT_QPA_PLATFORM", "xcb");
        QFile::copy("/usr/share/xdg-desktop-portal/portals/kde.portal",
                    Root + "/portals/kde.portal");
        if (!Launch(Kga, {}, FEnv) || !Launch(Backend, {}, FEnv) ||
            !WaitForNames({"org.kde.kglobalaccel", "org.freedesktop.impl.portal.desktop.kde"}))
            return Fail("kglobalaccel5 or xdg-desktop-portal-kde did not start");
    }
    if (!Launch(PortalFrontend, {}, FEnv) || !WaitForNames({"org.freedesktop.portal.Desktop"}))
        return Fail("xdg-desktop-portal did not start");
    return {};
}

bool TPortalBed::StartDisplay() {
    // An X server of our own: the keys pressed here reach nobody else's test, and no window
    // manager or tray host of the test desktop is there.
    QProcess *X =
        Launch(QStandardPaths::findExecutable("Xvfb"),
               {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, FEnv, true);
    if (!X || !QTest::qWaitFor([&] { return X->canReadLine(); }, StartTimeoutMs))
        return false;
    FDisplay = ":" + QString::fromUtf8(X->readLine()).trimmed();
    return true;
}

QString TPortalBed::RestartFakeBackend() {
    const QString Name = "org.freedesktop.impl.portal.desktop.fake";
    const auto It = std::find_if(FProcesses.begin(), FProcesses.end(),
                                 [this](const auto &P) { return P.get() == FFakeBackend; });
    if (!FFakeBackend || It == FProcesses.end())
        return "no fake backend in this bed";
    FFakeBackend->terminate();
    if (!FFakeBackend->waitForFinished(StartTimeoutMs))
        return "the fake backend did not end";
    QDBusConnectionInterface *Bus = this->Bus().interface();
    if (!QTest::qWaitFor([&] { return !Bus->isServiceRegistered(Name); }, StartTimeoutMs))
        return "the fake backend's name stayed";
    // Started again in its old place in the list, so that it still ends before the frontend.
    auto P = std::make_unique<QProcess>();
    P->setProcessEnvironment(FEnv);
    P->setStandardErrorFile(FDir.filePath("fake_portal.restarted.log"));
    P->setStandardOutputFile(QProcess::nullDevice());
    P->start(FPython, {QString(QC_PORTAL_BED_DIR) + "/fake_portal.py"});
    if (!P->waitForStarted())
        return "the fake backend did not start again";
    FFakeBackend = P.get();
    *It = std::move(P);
    if (!WaitForNames({Name}))
        return "the fake backend did not take its name again";
    return {};
}

void TPortalBed::Stop() {
    FFakeBackend = nullptr;
    if (!FConnectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(FConnectionName);
        FConnectionName.clear();
    }
    // The daemons first, the bus last; helpers the bus started leave with it.
    EndInReverse(FProcesses);
}

void EndInReverse(std::vector<std::unique_ptr<QProcess>> &Processes) {
    while (!Processes.empty()) {
        std::unique_ptr<QProcess> &P = Processes.back();
        if (P->state() != QProcess::NotRunning) {
            P->terminate();
            if (!P->waitForFinished(5000)) {
                P->kill();
                P->waitForFinished();
            }
        }
        Processes.pop_back();
    }
}

QVariant TPortalBed::Control(const QString &Method, const QVariantList &Arguments) const {
    QDBusMessage Call = QDBusMessage::createMethodCall("org.freedesktop.impl.portal.desktop.fake",
                                                       "/org/freedesktop/portal/desktop",
                                                       "test.fakeportal.Control", Method);
    Call.setArguments(Arguments);
    const QDBusMessage Reply = Bus().call(Call);
    return Reply.arguments().value(0);
}

int TPortalBed::Run(const QString &Program, const QStringList &Arguments) const {
    QProcess P;
    P.setProcessEnvironment(FEnv);
    P.start(Program, Arguments);
    if (!P.waitForFinished(StartTimeoutMs))
        return -1;
    return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
}
