#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>

#include "AppProcess.h"
#include "Require.h"
#include "TestSupport.h"
#include "platform/linux/XcbHotKeys.h"
#include "platform/linux/XkbLayoutKeys.h"

namespace {

const QString Portal = QStringLiteral("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");

// Starts the program as TAppProcess::Start does, but closes the boxes of its start-up as a
// person would (Enter), reading their texts from the program's report. Returns once the program
// says it is ready.
bool StartReadingBoxes(TAppProcess &App, QStringList &Boxes, int TimeoutMs = 30000) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("QINGCHUAN_REPORT_READY", "1");
    Env.insert("QINGCHUAN_REPORT_BOXES", "1");
    Env.insert("QINGCHUAN_POWER_LOG", App.Dir() + "poweroff.log");
    Env.remove("QT_QPA_PLATFORM");
    QProcess &P = App.Process();
    P.setProcessEnvironment(Env);
    P.setWorkingDirectory(App.Dir());
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(App.ExePath(), {});
    if (!P.waitForStarted(5000))
        return false;
    QString Output, Seen;
    // Whatever went wrong, what the program said is shown with it.
    const auto Fail = [&](const char *Why) {
        Seen += QString::fromUtf8(P.readAll());
        qWarning("%s; the program said:\n%s", Why, qPrintable(Seen));
        return false;
    };
    QElapsedTimer T;
    T.start();
    while (T.elapsed() < TimeoutMs && P.state() == QProcess::Running) {
        P.waitForReadyRead(100);
        const QString Read = QString::fromUtf8(P.readAll());
        Seen += Read;
        Output += Read;
        while (Output.contains('\n')) {
            const QString Line = Output.section('\n', 0, 0);
            Output = Output.section('\n', 1);
            if (Line.startsWith("ready "))
                return true;
            if (!Line.startsWith("box "))
                continue;
            Boxes << Line.mid(4);
            // A box is titled with the program's file name.
            const QString Title = QFileInfo(App.ExePath()).fileName();
            const QString W = X11::WaitForWindow(Title);
            if (W.isEmpty())
                return Fail("no box came up");
            X11::XDoTool({"windowactivate", "--sync", W});
            X11::XDoTool({"key", "Return"});
            if (!X11::WaitForNoWindow(Title, 5000))
                return Fail("the box stayed after Enter");
        }
    }
    return Fail(P.state() == QProcess::Running ? "not ready in time" : "the program ended");
}

// Whether the program holds the combination: a grab of our own is refused.
bool HeldElsewhere(uint32_t Modifiers, uint32_t Key) {
    platform::linux_::TXcbHotKeys Probe;
    if (!Probe.Register(1, Modifiers, Key))
        return true;
    Probe.Unregister(1);
    return false;
}

} // namespace

class tst_E2EHotKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QC_REQUIRE_DISPLAY();
        QProcess::execute("setxkbmap", {"us"});
    }

    void AHeldCombinationIsWarnedAtStartUpAndTheOthersWork() {
        platform::linux_::TXcbHotKeys Other;
        QVERIFY(Other.Register(1, platform::ModControl, '2'));
        // A name of its own, so no other copy of the program on this machine is "the first".
        TAppProcess App("qc-e2e-hotkeys-" + QString::number(QCoreApplication::applicationPid()));
        QStringList Boxes;
        QVERIFY(StartReadingBoxes(App, Boxes));
        QCOMPARE(Boxes, QStringList{"Ctrl+2 couldn't be assigned to a hotkey."});
        QVERIFY(HeldElsewhere(platform::ModControl, '1'));
        QVERIFY(HeldElsewhere(platform::ModControl, '3'));
        QVERIFY(HeldElsewhere(platform::ModControl | platform::ModAlt, 'Q'));
        // Ctrl+3 asks for the QQ number.
        X11::XDoTool({"key", "ctrl+3"});
        QVERIFY(!X11::WaitForWindow("聊天").isEmpty());
        X11::XDoTool({"windowactivate", "--sync", X11::FindWindows("聊天").value(0)});
        X11::XDoTool({"key", "Escape"});
        QVERIFY(X11::WaitForNoWindow("聊天"));
        // Ctrl+Alt+Q shows the portal window, and again hides it.
        QVERIFY(X11::FindWindows(Portal).isEmpty());
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY(!X11::WaitForWindow(Portal).isEmpty());
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY(X11::WaitForNoWindow(Portal));
        QVERIFY(App.IsRunning());
    }

    void WithoutSettingsOnlyCtrlAltQIsRegistered() {
        TAppProcess App("qc-e2e-hotkeys-" + QString::number(QCoreApplication::applicationPid()));
        // An empty cfg.ini: still the portable copy, with no setting stored.
        QFile Empty(App.Dir() + "cfg.ini");
        QVERIFY(Empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Empty.close();
        QStringList Boxes;
        QVERIFY(StartReadingBoxes(App, Boxes));
        // The database cannot be found without settings, which is said; no hotkey warning is.
        for (const QString &B : Boxes)
            QVERIFY2(!B.contains("couldn't be assigned"), qPrintable(B));
        QVERIFY(HeldElsewhere(platform::ModControl | platform::ModAlt, 'Q'));
        QVERIFY(!HeldElsewhere(platform::ModControl, '1'));
        QVERIFY(!HeldElsewhere(platform::ModControl, '2'));
        QVERIFY(!HeldElsewhere(platform::ModControl, '3'));
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY(!X11::WaitForWindow(Portal).isEmpty());
    }

    void HotKeysComeBackAfterAKeymapWithoutTheirKeys() {
        QProcess::execute("setxkbmap", {"us"});
        const auto Us = platform::linux_::TXkbServerKeymap().Current();
        QVERIFY(Us);
        const uint32_t KeyQ = Us->KeyCode("AD01");
        const uint16_t CtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        TAppProcess App("qc-e2e-hotkeys-" + QString::number(QCoreApplication::applicationPid()));
        QVERIFY(App.Start());
        QVERIFY(!X11::GrabFree(KeyQ, CtrlAlt));
        // A tool loads a keymap of one key (and the modifiers), then the full one comes back.
        QVERIFY(X11::LoadKeymapOfThreeKeys());
        // The program lets go of the key that was Q once it has read the keymap.
        QTRY_VERIFY_WITH_TIMEOUT(X11::GrabFree(KeyQ, CtrlAlt), 10000);
        QCOMPARE(QProcess::execute("setxkbmap", {"us"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!X11::GrabFree(KeyQ, CtrlAlt), 10000);
        QVERIFY(HeldElsewhere(platform::ModControl, '1'));
        QVERIFY(HeldElsewhere(platform::ModControl, '2'));
        QVERIFY(HeldElsewhere(platform::ModControl, '3'));
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY(!X11::WaitForWindow(Portal).isEmpty());
        QVERIFY(App.IsRunning());
    }
};

QTEST_MAIN(tst_E2EHotKeys)
#include "tst_e2e_hotkeys.moc"
