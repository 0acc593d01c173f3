// The whole program, started as a person starts it, on the test desktop.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <memory>

#include "AppProcess.h"

class tst_E2EStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void StartsHiddenWithItsIcon();
    void ASecondStartEndsAndTheFirstStays();
    void ManyStartsAtOnceLeaveOne();
    void TheFileNameNamesTheInstance();
    void ACrashedFirstInstanceBlocksNothing();
    void AMinimisedFirstInstanceComesBack();
    void CloseHidesAndExitEnds();
    void AMissingDatabaseIsReportedOnce();
    void AnOversizedSettingsFileIsReportedOnce();
};

void tst_E2EStartup::initTestCase() {
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "needs the test desktop (scripts/test.sh)");
}

void tst_E2EStartup::StartsHiddenWithItsIcon() {
    TAppProcess App;
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    QVERIFY(!X11::WaitForTrayIcon(App.Process().processId()).isEmpty());
    // Nothing but the icon is on screen. The tray host docks the icon a moment after it first
    // appears, and it is unmapped while it moves into the tray: wait for it to be back.
    QTRY_COMPARE_WITH_TIMEOUT(X11::WindowsOf(App.Process().processId()).size(), 1, 10000);
    QVERIFY(X11::FindWindows("晴川助手(简易版)").isEmpty());
}

void tst_E2EStartup::ASecondStartEndsAndTheFirstStays() {
    TAppProcess App;
    QVERIFY(App.Start());
    QElapsedTimer T;
    T.start();
    QCOMPARE(App.StartAgain(10000), 0);
    qInfo("second start ended after %lld ms", static_cast<long long>(T.elapsed()));
    QVERIFY(App.IsRunning());
    // It showed nothing while it was there, and the first shows nothing either.
    QCOMPARE(X11::WindowsOf(App.Process().processId()).size(), 1);
}

void tst_E2EStartup::ManyStartsAtOnceLeaveOne() {
    TAppProcess App; // only its folder: all twenty start from there
    std::vector<std::unique_ptr<QProcess>> Runs;
    for (int I = 0; I < 20; ++I) {
        auto P = std::make_unique<QProcess>();
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.remove("QT_QPA_PLATFORM");
        Env.insert("QINGCHUAN_POWER_LOG", App.Dir() + "poweroff.log");
        P->setProcessEnvironment(Env);
        P->start(App.ExePath(), {});
        Runs.push_back(std::move(P));
    }
    // Nineteen hand over to the one that stays and end; if more than one stayed, this times out.
    int Running = 0, EndedWell = 0;
    const auto Count = [&] {
        Running = EndedWell = 0;
        for (auto &P : Runs) {
            if (P->state() != QProcess::NotRunning)
                ++Running;
            else if (P->exitStatus() == QProcess::NormalExit && P->exitCode() == 0)
                ++EndedWell;
        }
        return Running <= 1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(Count(), 30000);
    for (auto &P : Runs) {
        P->terminate();
        P->waitForFinished(5000);
    }
    QCOMPARE(Running, 1);
    QCOMPARE(EndedWell, 19);
}

void tst_E2EStartup::TheFileNameNamesTheInstance() {
    TAppProcess First;
    QVERIFY(First.Start());
    // Same file name in another folder: the same instance. That folder has no cfg.ini, so a
    // copy that went on would make the user's settings in its XDG folders: a second copy leaves
    // before it writes anything.
    TAppProcess Elsewhere(QString(), false);
    QCOMPARE(Elsewhere.StartAgain(10000), 0);
    QVERIFY(!QFileInfo::exists(Elsewhere.Dir() + "xdg-config"));
    QVERIFY(!QFileInfo::exists(Elsewhere.Dir() + "xdg-data"));
    // Another file name: another instance, beside the first.
    TAppProcess Copy("qingchuan-copy");
    // The first holds the hotkeys, so the copy may stop at its start-up warnings: it is enough
    // that it runs instead of ending as a second instance.
    Copy.Start(5000);
    QVERIFY(First.IsRunning());
    QVERIFY(Copy.IsRunning());
}

void tst_E2EStartup::ACrashedFirstInstanceBlocksNothing() {
    TAppProcess First;
    QVERIFY(First.Start());
    First.Process().kill();
    First.Process().waitForFinished(5000);
    TAppProcess Next;
    QVERIFY(Next.Start());
}

void tst_E2EStartup::AMinimisedFirstInstanceComesBack() {
    TAppProcess App;
    QVERIFY(App.Start());
    const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
    QVERIFY(!Icon.isEmpty());
    QVERIFY(X11::ClickOn(Icon, 1, 2));
    const QString Main = X11::WaitForWindow("晴川助手(简易版)");
    QVERIFY(!Main.isEmpty());
    X11::XDoTool({"windowminimize", "--sync", Main});
    QVERIFY(X11::WaitForNoWindow("晴川助手(简易版)"));
    QCOMPARE(App.StartAgain(10000), 0);
    QVERIFY(!X11::WaitForWindow("晴川助手(简易版)").isEmpty());
}

void tst_E2EStartup::CloseHidesAndExitEnds() {
    TAppProcess App;
    QVERIFY(App.Start());
    const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
    QVERIFY(X11::ClickOn(Icon, 1, 2));
    const QString Main = X11::WaitForWindow("晴川助手(简易版)");
    QVERIFY(!Main.isEmpty());
    X11::XDoTool({"windowactivate", "--sync", Main});
    X11::XDoTool({"key", "alt+F4"});
    QVERIFY(X11::WaitForNoWindow("晴川助手(简易版)"));
    QVERIFY(App.IsRunning());
    // The icon's menu: its last entry is "退出程序".
    QVERIFY(X11::ClickOn(Icon, 3));
    // A loaded machine may take a while to show the menu; keys pressed before it has the
    // keyboard would be lost.
    QVERIFY(!X11::WaitForTallWindowOf(App.Process().processId()).isEmpty());
    QTRY_VERIFY(X11::KeyboardGrabbed());
    X11::XDoTool({"key", "Up"});
    X11::XDoTool({"key", "Return"});
    QCOMPARE(App.WaitForExit(10000), 0);
}

void tst_E2EStartup::AMissingDatabaseIsReportedOnce() {
    TAppProcess App;
    QVERIFY(QFile::remove(App.Dir() + "DB.mdb"));
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("QT_QPA_PLATFORM");
    Env.insert("QINGCHUAN_REPORT_READY", "1");
    QProcess &P = App.Process();
    P.setProcessEnvironment(Env);
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(App.ExePath(), {});
    QVERIFY(P.waitForStarted());
    // The error box: a window of the program other than its icon.
    const QString Box = X11::WaitForTallWindowOf(P.processId());
    QVERIFY(!Box.isEmpty());
    // The box has the focus as it comes up; Return presses its OK.
    X11::XDoTool({"windowactivate", Box});
    QVERIFY(X11::WaitForActive(Box));
    X11::XDoTool({"key", "Return"});
    // The program goes on, and no second box follows.
    QString Output;
    QTRY_VERIFY2_WITH_TIMEOUT((Output += QString::fromUtf8(P.readAll())).contains("ready"),
                              qPrintable(Output + " box " + Box), 10000);
    // A second report would come from the next look at the database: the scheduler's poll, once
    // a second. A second and a half covers it.
    QTest::qWait(1500);
    QVERIFY(App.IsRunning());
    for (const QString &W : X11::WindowsOf(P.processId()))
        QVERIFY(X11::Geometry(W).height() <= 40);
    QVERIFY(!QFile::exists(App.Dir() + "DB.mdb"));
}

void tst_E2EStartup::AnOversizedSettingsFileIsReportedOnce() {
    TAppProcess App;
    // Grown past the size a settings file may have, its own lines (and ConnStr) still at the top.
    QFile Ini(App.Dir() + "cfg.ini");
    QVERIFY(Ini.open(QIODevice::Append));
    const QByteArray Line = ";" + QByteArray(999, 'x') + "\n";
    for (int I = 0; I < 1100; ++I)
        Ini.write(Line);
    Ini.close();
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("QT_QPA_PLATFORM");
    Env.insert("QINGCHUAN_REPORT_READY", "1");
    Env.insert("QINGCHUAN_REPORT_BOXES", "1");
    QProcess &P = App.Process();
    P.setProcessEnvironment(Env);
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(App.ExePath(), {});
    QVERIFY(P.waitForStarted());
    QString Output;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (Output += QString::fromUtf8(P.readAll()))
                .contains(QRegularExpression("^ready", QRegularExpression::MultilineOption)) &&
            Output.contains("box "),
        qPrintable(Output), 20000);
    // A second box would come from the main window's opening of the database, before "ready",
    // or from the scheduler's first polls, once a second: two and a half seconds cover both.
    QTest::qWait(2500);
    Output += QString::fromUtf8(P.readAll());
    QStringList Boxes;
    for (const QString &L : Output.split('\n'))
        if (L.startsWith("box "))
            Boxes << L;
    QCOMPARE(Boxes.size(), 1);
    QVERIFY2(Boxes[0].contains("too large"), qPrintable(Boxes[0]));
    QVERIFY(App.IsRunning());
}

QTEST_GUILESS_MAIN(tst_E2EStartup)
#include "tst_e2e_startup.moc"
