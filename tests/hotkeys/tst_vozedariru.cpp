#include <QtTest>

#include "../tasks/TaskTestSupport.h"
#include "TestSupport.h"
#include "config/IniFile.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/VozedaRiru.h"
#include "tasks/TaskManager.h"

namespace {

const QByteArray Keys123 = "[ShortCut]\nShowOrHideIE=16433\nScreenShot=16434\nChat=16435\n";

struct TRig {
    TFakePlatform Fake;
    int PortalToggles = 0;
    QStringList Ran;
    std::unique_ptr<TVozedaRiru> Gen;
    void Create() {
        TVozedaRiru::TContext C;
        C.Platform = Fake.Platform();
        C.TogglePortalWindow = [this] { ++PortalToggles; };
        Gen = std::make_unique<TVozedaRiru>(std::move(C));
        Gen->SetOnDispatch([this](TVozedaRiru::TFeature F, const QString &Arg) {
            const char *Names[] = {"IE", "Capture", "Chat", "Portal"};
            Ran << QString(Names[int(F)]) + (Arg.isEmpty() ? QString() : " " + Arg);
        });
    }
    // The shortcut values held by the fake, in the order they were registered.
    QList<uint32_t> Held() const {
        QList<uint32_t> V;
        for (const auto &H : Fake.HotKeys->Held) {
            uint32_t Value = H.VirtualKey;
            if (H.Modifiers & platform::ModShift)
                Value |= HotKeyShift;
            if (H.Modifiers & platform::ModControl)
                Value |= HotKeyCtrl;
            if (H.Modifiers & platform::ModAlt)
                Value |= HotKeyAlt;
            V << Value;
        }
        return V;
    }
};

} // namespace

class tst_VozedaRiru : public QObject {
    Q_OBJECT
private slots:
    void RegistersTheThreeStoredAndTheFixedHotKey() {
        TTestConfig Cfg;
        Cfg.WriteIni(Keys123);
        Dialogs::TDialogScript Script;
        TRig R;
        R.Create();
        QCOMPARE(R.Held(), (QList<uint32_t>{16433, 16434, 16435, 49233}));
        QVERIFY(Script.Shown().isEmpty());
        // Going away lets go of all four.
        R.Gen.reset();
        QVERIFY(R.Fake.HotKeys->Held.empty());
    }

    void NoSettingsMeansOnlyTheFixedHotKeyAndNoWarning() {
        TTestConfig Cfg;
        Dialogs::TDialogScript Script;
        TRig R;
        R.Create();
        QCOMPARE(R.Held(), QList<uint32_t>{49233});
        QVERIFY(Script.Shown().isEmpty());
    }

    void AHeldCombinationIsReportedAndTheOthersWork() {
        TTestConfig Cfg;
        Cfg.WriteIni(Keys123);
        Dialogs::TDialogScript Script;
        TRig R;
        R.Fake.HotKeys->Taken.push_back({platform::ModControl, '2'});
        R.Create();
        QCOMPARE(R.Held(), (QList<uint32_t>{16433, 16435, 49233}));
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("warning"));
        QCOMPARE(Script.Shown()[0].Text, QString("Ctrl+2 couldn't be assigned to a hotkey."));
        QVERIFY(R.Fake.HotKeys->Press(platform::ModControl, '1'));
        QVERIFY(R.Fake.HotKeys->Press(platform::ModControl | platform::ModAlt, 'Q'));
        QCOMPARE(R.Ran, (QStringList{"IE", "Portal"}));
        QCOMPARE(R.PortalToggles, 1);
    }

    void PressesRunTheirFeatures() {
        TTestConfig Cfg;
        Cfg.WriteIni(Keys123);
        Dialogs::TDialogScript Script;
        TRig R;
        R.Fake.SchemeHandlers->Registered.insert("tencent");
        R.Create();
        const auto Ctrl = platform::ModControl;
        R.Fake.HotKeys->Press(Ctrl, '1');
        R.Fake.HotKeys->Press(Ctrl, '2');
        // The chat asks for the number, and only a non-empty one goes on, exactly as typed.
        Script.Answer(QString(" 12345 "));
        R.Fake.HotKeys->Press(Ctrl, '3');
        Script.Answer(QString(""));
        R.Fake.HotKeys->Press(Ctrl, '3');
        R.Fake.HotKeys->Press(Ctrl, '3'); // cancelled
        R.Fake.HotKeys->Press(Ctrl | platform::ModAlt, 'Q');
        R.Fake.HotKeys->Press(Ctrl | platform::ModAlt, 'Q');
        QCOMPARE(R.Ran, (QStringList{"IE", "Capture", "Chat  12345 ", "Portal", "Portal"}));
        QCOMPARE(R.PortalToggles, 2);
        // The features themselves ran: the browsers were toggled and the chat was opened.
        QCOMPARE(R.Fake.BrowserWindows->Calls.size(), size_t(1));
        QCOMPARE(R.Fake.SchemeHandlers->Opened.size(), size_t(1));
        QVERIFY(
            QString::fromStdString(R.Fake.SchemeHandlers->Opened[0]).contains("uin=%2012345%20&"));
        QCOMPARE(Script.Shown().size(), 3);
        for (const Dialogs::TShown &S : Script.Shown()) {
            QCOMPARE(S.Kind, QString("input"));
            QCOMPARE(S.Caption, QString("聊天"));
            QCOMPARE(S.Text, QString("QQ号码"));
        }
    }

    void PressesFollowTheStoredValuesOfTheMoment() {
        TTestConfig Cfg;
        Cfg.WriteIni(Keys123);
        Dialogs::TDialogScript Script;
        TRig R;
        R.Create();
        // Edited by hand while running: the registrations stay, the matching follows the file.
        Cfg.WriteIni("[ShortCut]\nShowOrHideIE=16434\nScreenShot=16433\nChat=0\n");
        R.Fake.HotKeys->Press(platform::ModControl, '1');
        R.Fake.HotKeys->Press(platform::ModControl, '2');
        R.Fake.HotKeys->Press(platform::ModControl, '3');
        QCOMPARE(R.Ran, (QStringList{"Capture", "IE"}));
        QVERIFY(Script.Shown().isEmpty());
        // The same value for two features: the first in order wins; the fixed key yields too.
        Cfg.WriteIni("[ShortCut]\nShowOrHideIE=16433\nScreenShot=16433\nChat=49233\n");
        R.Ran.clear();
        R.Fake.HotKeys->Press(platform::ModControl, '1');
        Script.Answer(QString("777"));
        R.Fake.HotKeys->Press(platform::ModControl | platform::ModAlt, 'Q');
        QCOMPARE(R.Ran, (QStringList{"IE", "Chat 777"}));
        QCOMPARE(R.PortalToggles, 0);
    }

    void AStoredCtrlAltQTakesTheFixedKey() {
        TTestConfig Cfg;
        Cfg.WriteIni("[ShortCut]\nShowOrHideIE=49233\n");
        Dialogs::TDialogScript Script;
        TRig R;
        R.Create();
        QCOMPARE(R.Held(), QList<uint32_t>{49233});
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("Ctrl+Alt+Q couldn't be assigned to a hotkey."));
        R.Fake.HotKeys->Press(platform::ModControl | platform::ModAlt, 'Q');
        QCOMPARE(R.Ran, QStringList{"IE"});
    }

    // A desktop without system-wide hotkeys, whether it says so at once or later (a portal
    // answers when it does): one notice and no warning per key; the scheduler runs even when
    // the notice cannot be remembered in cfg.ini.
    void ADesktopWithoutHotKeys_data() {
        QTest::addColumn<int>("AtStart"); // -1: not answered yet, 0: none, 1: offered
        QTest::addColumn<int>("Later");   // the answer that follows, -1: none
        QTest::addColumn<bool>("TooLarge");
        QTest::addColumn<int>("Notices");
        QTest::addColumn<int>("WriteErrors");
        QTest::newRow("none, said at once") << 0 << -1 << false << 1 << 0;
        QTest::newRow("none, said later") << -1 << 0 << false << 1 << 0;
        QTest::newRow("offered, said later") << -1 << 1 << false << 0 << 0;
        QTest::newRow("none, cfg.ini too large") << 0 << -1 << true << 1 << 1;
        QTest::newRow("none later, cfg.ini too large") << -1 << 0 << true << 1 << 1;
    }
    void ADesktopWithoutHotKeys() {
        QFETCH(int, AtStart);
        QFETCH(int, Later);
        QFETCH(bool, TooLarge);
        QFETCH(int, Notices);
        QFETCH(int, WriteErrors);
        TTestConfig Cfg;
        Cfg.WriteIni(TooLarge ? QByteArray(TIniFile::MaxFileSize + 1, ';') : Keys123);
        Dialogs::TDialogScript Script;
        TRig R;
        R.Fake.HotKeys->Offered =
            AtStart < 0 ? std::optional<bool>() : std::optional<bool>(AtStart == 1);
        // A notice that could not be remembered once threw out of this, taking the scheduler
        // and every tool with it.
        R.Create();
        QVERIFY(R.Gen && R.Gen->TaskManager() && R.Gen->Chat() && R.Gen->ScreenShot());
        if (AtStart < 0) {
            // Nothing is said before the desktop has answered, and nothing waits for it.
            QVERIFY(Script.Shown().isEmpty());
            QVERIFY(!R.Gen->HotKeysOffered());
            R.Fake.HotKeys->Answer(Later == 1);
        }
        QCOMPARE(R.Gen->HotKeysOffered(), std::optional<bool>(AtStart == 1 || Later == 1));
        int Shown = 0, Errors = 0;
        for (const Dialogs::TShown &S : Script.Shown()) {
            QVERIFY2(S.Kind != "warning", qPrintable(S.Text));
            Shown += S.Kind == "message" && S.Text.startsWith("当前桌面不支持全局热键");
            Errors += S.Kind == "error" && S.Text.startsWith("Unable to write to");
        }
        QCOMPARE(Shown, Notices);
        QCOMPARE(Errors, WriteErrors);
        // The next start on the same desktop: told only where cfg.ini could remember it.
        R.Gen.reset();
        Script.Clear();
        R.Fake.HotKeys->Offered = AtStart == 1 || Later == 1;
        R.Create();
        QCOMPARE(Script.Shown().size(), TooLarge ? 2 : 0);
        // The settings file's own report of its size comes from the event loop: it is answered
        // here, not left to a later test's loop.
        QCoreApplication::processEvents();
    }

    // A hotkey warning at start-up is a modal box with a loop of its own, open while the
    // dispatcher is still being created; a task that falls due meanwhile reaches the handler the
    // main window hands over, instead of finding none and being dropped.
    void ATaskDueDuringTheStartUpWarningIsReminded() {
        TTestConfig Cfg(true);
        // Two features on one combination: the second is refused and warned about.
        Cfg.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n"
                     "[ShortCut]\nShowOrHideIE=16433\nChat=16433\n");
        const QDateTime Due = QDateTime::currentDateTime().addSecs(2);
        {
            TTaskTable Rows(Cfg.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("开会", Due.date(), Due.time()).isEmpty());
        }
        static QStringList Reminded;
        Reminded.clear();
        // Nobody answers the warning until the task's second is well past: its poll and its
        // timer have both run inside the box's loop by then.
        bool WarningSeen = false;
        QTimer User;
        User.setInterval(20);
        connect(&User, &QTimer::timeout, [&] {
            QWidget *Box = QApplication::activeModalWidget();
            if (!Box || QDateTime::currentDateTime() < Due.addMSecs(1500))
                return;
            WarningSeen = true;
            User.stop();
            QTimer::singleShot(0, Box, [Box] { Box->close(); });
        });
        User.start();
        TRig R;
        TVozedaRiru::TContext C;
        C.Platform = R.Fake.Platform();
        C.OnRemind = [](TTask *Task) { Reminded << Task->Name; };
        R.Gen = std::make_unique<TVozedaRiru>(std::move(C));
        QVERIFY(WarningSeen);
        QTRY_COMPARE(Reminded, QStringList{"开会"});
    }
};

QTEST_MAIN(tst_VozedaRiru)
#include "tst_vozedariru.moc"
