// The program's command-line actions and its second start, as a desktop's own shortcut or its
// launcher uses them: handed to the running copy, or starting the program when none runs; and on
// a desktop without a notification area, a second start always brings the main window back.
#include <QProcess>
#include <QtTest>

#include "AppProcess.h"
#include "PortalBed.h"
#include "TestSupport.h"

namespace {

const QString MainTitle = QStringLiteral("晴川助手(简易版)");
const QString PortalTitle = QStringLiteral("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");

// The visible windows whose WM_CLASS instance is Name.
QStringList VisibleOfClass(const QString &Name) {
    const QString Out = X11::XDoTool({"search", "--onlyvisible", "--classname", "^" + Name + "$"});
    return Out.isEmpty() ? QStringList() : Out.split('\n');
}

// A process the test starts and ends itself.
class TOwnProcess {
public:
    TOwnProcess(const QString &Program, const QStringList &Args) { FProcess.start(Program, Args); }
    ~TOwnProcess() {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000)) {
            FProcess.kill();
            FProcess.waitForFinished(2000);
        }
    }
    bool Started() { return FProcess.waitForStarted(5000); }

private:
    QProcess FProcess;
};

} // namespace

class tst_E2EActions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void ActionsReachTheRunningCopy();
    void AnActionStartsTheProgramWhenNoneRuns();
    void WithoutANotificationAreaASecondStartShowsTheMainWindow();
};

void tst_E2EActions::initTestCase() {
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "needs the test desktop (scripts/test.sh)");
    QVERIFY2(!QStandardPaths::findExecutable("xmessage").isEmpty(),
             "xmessage (x11-utils) stands in for a browser window");
}

void tst_E2EActions::ActionsReachTheRunningCopy() {
    TAppProcess App;
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    QVERIFY(!X11::WaitForTrayIcon(App.Process().processId()).isEmpty());

    // A plain second start leaves a program that sits in the notification area where it is.
    QCOMPARE(App.StartAgain(10000), 0);
    // The portal window, shown and hidden again, as Ctrl+Alt+Q does.
    QCOMPARE(App.StartAgain(10000, {"--portal"}), 0);
    QVERIFY2(!X11::WaitForWindow(PortalTitle, 20000).isEmpty(), qPrintable(App.Output()));
    // Starts are heard in the order they came: the plain one has been handled by now.
    QVERIFY(X11::FindWindows(MainTitle).isEmpty());
    QCOMPARE(App.StartAgain(10000, {"--portal"}), 0);
    QVERIFY(X11::WaitForNoWindow(PortalTitle));

    // The chat asks for the number; Escape leaves it.
    QCOMPARE(App.StartAgain(10000, {"--chat"}), 0);
    const QString Ask = X11::WaitForWindow("聊天");
    QVERIFY(!Ask.isEmpty());
    X11::XDoTool({"windowactivate", Ask});
    QVERIFY(X11::WaitForActive(Ask));
    X11::XDoTool({"key", "Escape"});
    QVERIFY(X11::WaitForNoWindow("聊天"));

    // The capture holds the keyboard while the user picks; Escape ends it.
    QCOMPARE(App.StartAgain(10000, {"--capture"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(X11::KeyboardGrabbed(), 10000);
    X11::XDoTool({"key", "Escape"});
    QTRY_VERIFY_WITH_TIMEOUT(!X11::KeyboardGrabbed(), 10000);

    // The boss key: a browser's window goes, and comes back.
    TOwnProcess Browser("xmessage", {"-name", "firefox", "a browser"});
    QVERIFY(Browser.Started());
    QTRY_COMPARE_WITH_TIMEOUT(VisibleOfClass("firefox").size(), 1, 10000);
    QCOMPARE(App.StartAgain(10000, {"--hide-browsers"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(VisibleOfClass("firefox").size(), 0, 10000);
    QCOMPARE(App.StartAgain(10000, {"--hide-browsers"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(VisibleOfClass("firefox").size(), 1, 10000);

    // --show brings the main window of a program that sits in the notification area.
    QCOMPARE(App.StartAgain(10000, {"--show"}), 0);
    QVERIFY(!X11::WaitForWindow(MainTitle).isEmpty());

    // A mistyped action is refused, not taken for a plain start.
    QCOMPARE(App.StartAgain(10000, {"--hide-browser"}), 2);
    QVERIFY(App.IsRunning());
}

void tst_E2EActions::AnActionStartsTheProgramWhenNoneRuns() {
    TAppProcess App;
    QVERIFY2(App.Start(20000, {"--portal"}), qPrintable(App.Output()));
    QVERIFY2(!X11::WaitForWindow(PortalTitle, 20000).isEmpty(), qPrintable(App.Output()));
    // It runs on as the one copy: the next action goes to it.
    QCOMPARE(App.StartAgain(10000, {"--portal"}), 0);
    QVERIFY(X11::WaitForNoWindow(PortalTitle));
    QVERIFY(App.IsRunning());
}

void tst_E2EActions::WithoutANotificationAreaASecondStartShowsTheMainWindow() {
    // An X server of the test's own with a window manager and no tray host, and a bus without a
    // StatusNotifierItem watcher: a desktop with no notification area. The program starts hidden
    // there as on any X11 desktop, so only a second start can bring it into view.
    TPortalBed Bed;
    const QString Why = Bed.Start(TPortalBed::TKind::BareDisplay);
    QVERIFY2(Why.isEmpty(), qPrintable(Why));
    const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());
    const TEnvSet Display("DISPLAY", Bed.Display().toUtf8());
    const TEnvSet Sandbox("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QVERIFY2(!QStandardPaths::findExecutable("openbox").isEmpty(), "openbox is not installed");
    TOwnProcess Wm("openbox", {"--sm-disable"});
    QVERIFY(Wm.Started());
    QTRY_VERIFY_WITH_TIMEOUT(
        [] {
            QProcess P;
            P.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
            P.waitForFinished(5000);
            return P.readAllStandardOutput().contains("window id");
        }(),
        10000);

    TAppProcess App("qc-e2e-notray-" + QString::number(QCoreApplication::applicationPid()));
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    QVERIFY(X11::FindWindows(MainTitle).isEmpty());
    // Started again, from a terminal or the launcher: the main window comes.
    QCOMPARE(App.StartAgain(10000), 0);
    QString Main = X11::WaitForWindow(MainTitle);
    QVERIFY2(!Main.isEmpty(), qPrintable(App.Output()));
    // Closed with the close box it hides; the next start brings it back.
    X11::XDoTool({"windowactivate", "--sync", Main});
    QVERIFY(X11::WaitForActive(Main));
    X11::XDoTool({"key", "alt+F4"});
    QVERIFY(X11::WaitForNoWindow(MainTitle));
    QVERIFY(App.IsRunning());
    QCOMPARE(App.StartAgain(10000), 0);
    QVERIFY(!(Main = X11::WaitForWindow(MainTitle)).isEmpty());
    // Minimised, likewise.
    X11::XDoTool({"windowminimize", "--sync", Main});
    QVERIFY(X11::WaitForNoWindow(MainTitle));
    QCOMPARE(App.StartAgain(10000), 0);
    QVERIFY(!X11::WaitForWindow(MainTitle).isEmpty());
}

QTEST_GUILESS_MAIN(tst_E2EActions)
#include "tst_e2e_actions.moc"
