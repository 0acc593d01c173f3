#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "TestSupport.h"
#include "app/Main.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/VozedaRiru.h"
#include "tasks/Pop.h"
#include "tools/CpuMonitor.h"
#include "tools/IECtrl.h"

// The CPU gauge, the CPU alert and the browser commands of the main window, over fake services.
class tst_CommonPageTools : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TCpuMonitor::ResetSampling();
        Dir = std::make_unique<TTestConfig>(true);
        Pop = std::make_unique<TFrm_Pop>();
        Form = std::make_unique<TFrm_Main>(Fakes.Platform());
        TFrm_Main::TWindows Windows;
        Windows.Pop = Pop.get();
        Form->SetWindows(Windows);
        Form->FormCreate();
        // Ticks come from the test, not from the clock.
        Form->Gen()->CpuMonitor()->SetActive(false);
    }
    void cleanup() {
        Form.reset();
        Pop.reset();
        Dir.reset();
    }

    // What the first toggle of a process does is the browser backend's test; here the commands
    // start from a known state, whatever ran before.
    void browserCommands() {
        for (const char *Name : {"HideIE", "ShowIE", "HideOrShowIE", "ChangeMainPage"})
            QVERIFY2(Form->Action(Name)->isEnabled(), Name);
        auto &Calls = Fakes.BrowserWindows->Calls;
        Calls.clear();
        Form->Action("ShowIE")->trigger();
        Form->Action("HideOrShowIE")->trigger(); // after a show, hides
        Form->Action("HideOrShowIE")->trigger();
        Form->Action("HideIE")->trigger();
        Form->Action("HideOrShowIE")->trigger(); // after a hide, shows
        Form->Action("ShowIE")->trigger();
        Form->Action("HideOrShowIE")->trigger(); // after a show, hides
        QCOMPARE(Calls, (std::vector<bool>{true, false, true, false, true, true, false}));
        // The dispatcher's object is the one the hotkey reaches.
        Form->Gen()->IECtrl()->HideOrShowIE();
        QCOMPARE(Calls.back(), true);
    }

    void changeMainPageAsksFirst() {
        auto &Calls = Fakes.StartPage->Calls;
        Calls.clear();
        Dialogs::TDialogScript Script;
        Script.Answer(QVariant()); // Cancel
        Script.Answer(QString());  // OK with nothing typed
        Script.Answer(QString("http://home.example/"));
        for (int I = 0; I < 3; ++I)
            Form->Action("ChangeMainPage")->trigger();
        // Two inputs that change nothing, one that does, and its message.
        QCOMPARE(Script.Shown().size(), 4);
        QCOMPARE(Script.Shown()[3].Text, "没有找到已安装的浏览器，主页没有更改。");
        QCOMPARE(Script.Shown()[0].Kind, "input");
        QCOMPARE(Script.Shown()[0].Caption, "请输入网址");
        QCOMPARE(Script.Shown()[0].Text, "主页地址");
        QCOMPARE(Calls, std::vector<std::string>{"user http://home.example/"});

        // A file that could not be written: one message names it.
        Calls.clear();
        Script.Clear();
        Fakes.StartPage->Results = {
            {"Firefox", platform::TStartPageOutcome::Failed, "/home/u/.mozilla/firefox/p/user.js"}};
        Script.Answer(QString("http://x/"));
        Form->Action("ChangeMainPage")->trigger();
        QCOMPARE(Calls, std::vector<std::string>{"user http://x/"});
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[1].Kind, "message");
        QCOMPARE(Script.Shown()[1].Text,
                 "主页：http://x/\n未更改：\n"
                 "Firefox：Failed to set data for '/home/u/.mozilla/firefox/p/user.js'");
        Fakes.StartPage->Results.clear();
    }

    void gaugeShowsEachSample() {
        auto *Label6 = Form->findChild<QLabel *>("Label6");
        auto *Bar = Form->findChild<QProgressBar *>("ProgressBar1");
        QVERIFY(Label6 && Bar);
        QCOMPARE(Label6->text(), "CPU使用率:   0.0");
        TCpuMonitor *Monitor = Form->Gen()->CpuMonitor();
        Fakes.CpuTimes->Load = 20;
        Monitor->TimerTimer(); // the baseline changes nothing
        QCOMPARE(Label6->text(), "CPU使用率:   0.0");
        Fakes.CpuTimes->Load = 0;
        Monitor->TimerTimer();
        QCOMPARE(Label6->text(), "CPU使用率:0.5%");
        QCOMPARE(Bar->value(), 0);
        Fakes.CpuTimes->Load = 64.2;
        Monitor->TimerTimer();
        QCOMPARE(Label6->text(), "CPU使用率:64.7%");
        QCOMPARE(Bar->value(), 64);

        Form->CpuMonitorMonitor(37.46);
        QCOMPARE(Label6->text(), "CPU使用率:37.5%");
        QCOMPARE(Bar->value(), 37);
        // The label keeps what was computed; the bar stays within its range.
        Form->CpuMonitorMonitor(100.5);
        QCOMPARE(Label6->text(), "CPU使用率:100.5%");
        QCOMPARE(Bar->value(), 100);
        Form->CpuMonitorMonitor(-2.3);
        QCOMPARE(Label6->text(), "CPU使用率:-2.3%");
        QCOMPARE(Bar->value(), 0);
    }

    void alarmPopsTheSharedReminder() {
        Config().SetCPUMonitor(true);
        TCpuMonitor *Monitor = Form->Gen()->CpuMonitor();
        Fakes.CpuTimes->Load = 90;
        for (int I = 0; I < 16; ++I)
            Monitor->TimerTimer();
        QVERIFY(!Pop->isVisible());
        QVERIFY(Pop->Label1()->text().isEmpty());
        Monitor->TimerTimer(); // tick 17
        QCOMPARE(Pop->Label1()->text(), "CPU使用率超过设定值");
        QVERIFY(Pop->isVisible());
    }

    // The alert's level itself counts as high: fifteen samples of exactly the level alarm,
    // fifteen just under it never do.
    void alarmAtExactlyTheLevel_data() {
        QTest::addColumn<double>("Load");
        QTest::addColumn<bool>("Alarms");
        // The monitor adds half a percent and keeps whole percents: 79.5 is a sample of 80.
        QTest::newRow("at the level") << TCpuMonitor::AlarmLevel - 0.5 << true;
        QTest::newRow("just under") << TCpuMonitor::AlarmLevel - 0.6 << false;
    }
    void alarmAtExactlyTheLevel() {
        QFETCH(double, Load);
        QFETCH(bool, Alarms);
        Config().SetCPUMonitor(true);
        TCpuMonitor *Monitor = Form->Gen()->CpuMonitor();
        Fakes.CpuTimes->Load = Load;
        // The baseline, fifteen samples to fill the queue, and the one that checks it; then as
        // many again, in case a wrong level only shows on a later round.
        for (int I = 0; I < 2 * (TCpuMonitor::QueueLength + 2); ++I)
            Monitor->TimerTimer();
        QCOMPARE(Pop->isVisible(), Alarms);
        QCOMPARE(Monitor->UsageQueue().value(0), TCpuMonitor::AlarmLevel - (Alarms ? 0 : 1));
    }

    void noAlarmWhenSwitchedOff() {
        Config().SetCPUMonitor(false);
        auto *Label6 = Form->findChild<QLabel *>("Label6");
        Fakes.CpuTimes->Load = 100;
        for (int I = 0; I < 40; ++I)
            Form->Gen()->CpuMonitor()->TimerTimer();
        QCOMPARE(Label6->text(), "CPU使用率:100.5%");
        QVERIFY(!Pop->isVisible());
    }

private:
    TFakePlatform Fakes;
    std::unique_ptr<TTestConfig> Dir;
    std::unique_ptr<TFrm_Pop> Pop; // the reminder window the CPU alert shows
    std::unique_ptr<TFrm_Main> Form;
};

QTEST_MAIN(tst_CommonPageTools)
#include "tst_commonpage_tools.moc"
