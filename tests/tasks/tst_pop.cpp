// The reminder window: where it comes to rest, and the action it carries out afterwards.
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "TaskTestSupport.h"
#include "TestSupport.h"
#include "tasks/OleDate.h"
#include "tasks/Pop.h"
#include "tasks/TaskKinds.h"

class tst_Pop : public QObject {
    Q_OBJECT

    TFakePlatform FPlatform;

    // A window of the kind made for one due task, with a short rest so the test need not wait
    // ten seconds.
    TFrm_Pop *NewPop(const QString &TaskType, const QString &Target = QString()) {
        auto *Pop = new TFrm_Pop(FPlatform.Shell, FPlatform.Power);
        Pop->SetReleaseOnClose(true);
        Pop->SetTaskType(TaskType);
        Pop->SetExecTarget(Target);
        Pop->Timer2()->setInterval(150);
        return Pop;
    }

private slots:
    void init() {
        FPlatform.Shell->Opened.clear();
        FPlatform.Power->Calls = 0;
    }

    void showsTheTaskWithItsPrefixes() {
        TFrm_Pop Pop;
        QCOMPARE(Pop.windowTitle(), QString("提醒"));
        QVERIFY(Pop.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(Pop.size(), QSize(255, 159));
        Pop.SetTaskName("开会");
        Pop.SetStartDate(OleDate::FromDate({2024, 6, 5}));
        Pop.SetStartTime(OleDate::FromTime({10, 15, 30}));
        Pop.SetTaskMsg("");
        Pop.SetExecTarget("/tmp/plan.txt");
        QCOMPARE(Pop.Label1()->text(), QString("任务名称:开会"));
        QCOMPARE(Pop.Label2()->text(), "开始日期:" + OleDate::ShortDateText({2024, 6, 5}));
        QVERIFY2(Pop.Label3()->text().startsWith("开始时间") &&
                     Pop.Label3()->text().contains("10:15:30"),
                 qPrintable(Pop.Label3()->text()));
        QCOMPARE(Pop.Label4()->text(), QString("内容:"));
        QCOMPARE(Pop.Label5()->text(), QString("执行目标:/tmp/plan.txt"));
    }

    void restsAtTheBottomRightCorner() {
        QPointer<TFrm_Pop> Pop = NewPop("定时提醒");
        Pop->Timer2()->setInterval(60000);
        const QRect Screen = QGuiApplication::primaryScreen()->geometry();
        const QRect Work = QGuiApplication::primaryScreen()->availableGeometry();
        Pop->Pop();
        QVERIFY(Pop->isVisible());
        // It starts just below the screen and rises.
        QVERIFY(Pop->frameGeometry().top() > Screen.bottom() - 159);
        QTRY_VERIFY(Pop->Timer2()->isActive());
        // At rest in the corner of the work area, wholly on the screen.
        const QRect Frame = Pop->frameGeometry();
        QCOMPARE(Frame.right(), Work.right());
        QCOMPARE(Frame.bottom(), Work.bottom());
        QVERIFY(!Pop->Timer1()->isActive());
        delete Pop;
    }

    // The window starts wholly below the screen, its top on the first row under the screen's
    // last, and every step of the rise moves it up by 4 pixels from there.
    void riseStartsJustBelowTheScreen() {
        QPointer<TFrm_Pop> Pop = NewPop(TaskKinds::Remind);
        const auto Release = qScopeGuard([&] { delete Pop; });
        Pop->Timer2()->setInterval(60000);
        const int Below = QGuiApplication::primaryScreen()->geometry().bottom() + 1;
        QList<int> Tops;
        // Connected after the window's own step, so each entry is where that step put it.
        connect(Pop->Timer1(), &QTimer::timeout, Pop, [&] { Tops << Pop->frameGeometry().top(); });
        Pop->Pop();
        QCOMPARE(Pop->frameGeometry().top(), Below);
        QTRY_VERIFY(Tops.size() >= 2);
        QCOMPARE(Tops[0], Below - 4);
        QCOMPARE(Tops[1], Below - 8);
    }

    // The slide is paced so that it is seen: 40 steps of 4 pixels, each about 15 ms, take some
    // 0.6 s to come up. 1 ms steps were over in about 60 ms on an idle X11 desktop, but where
    // each step costs a drawing they can take as long as paced ones, so the steps' own pace is
    // checked too. Only a lower bound is checked of the time, which a busy machine cannot break:
    // it only makes the slide slower. On the way up the window is seen part-way.
    void slideIsSeen() {
        QPointer<TFrm_Pop> Pop = NewPop("定时提醒");
        QVERIFY(Pop->Timer1()->interval() >= 10 && Pop->Timer1()->interval() <= 20);
        QVERIFY(Pop->Timer3()->interval() >= 10 && Pop->Timer3()->interval() <= 20);
        Pop->Timer2()->setInterval(60000);
        const int Below = QGuiApplication::primaryScreen()->geometry().bottom() + 1;
        bool PartWay = false;
        QTimer Look;
        Look.setInterval(30);
        connect(&Look, &QTimer::timeout, [&] {
            PartWay = PartWay || (Pop && Pop->Timer1()->isActive() &&
                                  Pop->frameGeometry().top() < Below - 40 &&
                                  Pop->frameGeometry().bottom() > Below);
        });
        Look.start();
        QElapsedTimer Rise;
        Rise.start();
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        QVERIFY2(Rise.elapsed() >= 500, qPrintable(QString("up in %1 ms").arg(Rise.elapsed())));
        QVERIFY(PartWay);
        delete Pop;
    }

    // Every line of a reminder shows its whole text at the fonts the program really gets (no
    // Tahoma here: the CJK and Latin fallbacks), within the window's fixed size.
    void everyLineFits_data() {
        QTest::addColumn<QDate>("Date");
        QTest::addColumn<QTime>("Time");
        QTest::newRow("december") << QDate(2026, 12, 29) << QTime(23, 59, 59);
        QTest::newRow("september") << QDate(2026, 9, 30) << QTime(15, 29, 8);
    }
    void everyLineFits() {
        QFETCH(QDate, Date);
        QFETCH(QTime, Time);
        TFrm_Pop Pop;
        Pop.SetTaskName("每周例会与项目进度汇报");
        Pop.SetStartDate(OleDate::FromDate(Date));
        Pop.SetStartTime(OleDate::FromTime(Time));
        Pop.SetTaskMsg("带上笔记本电脑和上周的会议记录，提前五分钟到三楼会议室。");
        Pop.SetExecTarget("/home/user/文档/周报.txt");
        QCOMPARE(Pop.size(), QSize(255, 159));
        const QList<QLabel *> Labels = {Pop.Label1(), Pop.Label2(), Pop.Label3(), Pop.Label4(),
                                        Pop.Label5()};
        for (QLabel *Label : Labels) {
            const QRect Room = Label->contentsRect();
            const QFontMetrics FM(Label->font());
            const QString Why = Label->objectName() + ": " + Label->text();
            QVERIFY2(!Label->text().contains(QChar(0x2026)), qPrintable(Why));
            if (Label->wordWrap())
                QVERIFY2(FM.boundingRect(Room, Qt::TextWordWrap | Label->alignment(), Label->text())
                                 .height() <= Room.height(),
                         qPrintable(Why));
            else
                QVERIFY2(FM.horizontalAdvance(Label->text()) <= Room.width() &&
                             FM.height() <= Room.height(),
                         qPrintable(Why));
            QVERIFY2(Pop.rect().contains(Label->geometry()), qPrintable(Why));
            for (QLabel *Other : Labels)
                QVERIFY2(Other == Label || !Other->geometry().intersects(Label->geometry()),
                         qPrintable(Why + " overlaps " + Other->objectName()));
        }
        QVERIFY(Pop.Label2()->text().endsWith(OleDate::ShortDateText(Date)));
        QVERIFY(Pop.Label3()->text().endsWith(OleDate::LongTimeText(Time)));

        // A name far too long for its line is cut visibly, and kept whole in the tooltip.
        const QString Long = QString("很长的任务名称").repeated(10);
        Pop.SetTaskName(Long);
        QVERIFY(Pop.Label1()->text().endsWith(QChar(0x2026)));
        QVERIFY(QFontMetrics(Pop.Label1()->font()).horizontalAdvance(Pop.Label1()->text()) <=
                Pop.Label1()->contentsRect().width());
        QCOMPARE(Pop.Label1()->toolTip(), "任务名称:" + Long);
        QCOMPARE(Pop.TaskName(), Long);
    }

    // The window never takes the keyboard, so it is never the active one: the whole text of a
    // cut line still comes up when the pointer rests on it.
    void aCutLineIsWholeOverTheInactiveWindow_data() {
        QTest::addColumn<int>("Line");
        QTest::addColumn<QString>("Prefix");
        QTest::newRow("name") << 1 << "任务名称:";
        QTest::newRow("content") << 4 << "内容:";
        QTest::newRow("target") << 5 << "执行目标:";
    }
    void aCutLineIsWholeOverTheInactiveWindow() {
        QFETCH(int, Line);
        QFETCH(QString, Prefix);
        const QString Long = QString("很长的提醒文字").repeated(20);
        QWidget Typing;
        Typing.setWindowTitle("typing");
        Typing.setGeometry(10, 10, 200, 100);
        QPointer<TFrm_Pop> Pop = NewPop("定时提醒");
        Pop->Timer2()->setInterval(60000);
        Pop->SetTaskName(Line == 1 ? Long : "短");
        Pop->SetTaskMsg(Line == 4 ? Long : "短");
        Pop->SetExecTarget(Line == 5 ? Long : "短");
        QLabel *Label = Line == 1 ? Pop->Label1() : Line == 4 ? Pop->Label4() : Pop->Label5();
        QVERIFY(Label->text().endsWith(QChar(0x2026)));
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        Typing.show();
        Typing.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Typing));
        QVERIFY(!Pop->isActiveWindow());
        QToolTip::hideText();
        QTest::mouseMove(Label, Label->rect().center());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), Prefix + Long);
        QToolTip::hideText();
        delete Pop;
    }

    void opensTheTargetAfterTheRest() {
        QPointer<TFrm_Pop> Pop = NewPop("定时执行", "/tmp/报告.txt");
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        QVERIFY(FPlatform.Shell->Opened.empty());
        QTRY_VERIFY(Pop->Timer3()->isActive());
        QCOMPARE(FPlatform.Shell->Opened.size(), size_t(1));
        QCOMPARE(FPlatform.Shell->Opened[0].first, std::string("/tmp/报告.txt"));
        QCOMPARE(FPlatform.Shell->Opened[0].second, std::string());
        QCOMPARE(FPlatform.Power->Calls, 0);
        // Sinks away, closes and is released.
        QTRY_VERIFY(Pop.isNull());
        QCOMPARE(FPlatform.Shell->Opened.size(), size_t(1));
    }

    void powersOffAfterTheRest() {
        QPointer<TFrm_Pop> Pop = NewPop("定时关机");
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        QCOMPARE(FPlatform.Power->Calls, 0);
        QTRY_VERIFY(Pop.isNull());
        QCOMPARE(FPlatform.Power->Calls, 1);
        QVERIFY(FPlatform.Shell->Opened.empty());
    }

    // The action is carried out only when it comes on time: a reminder already late on arrival,
    // or a rest during which the process stood still or the computer slept, carries out none and
    // says so. Setting the time of day back during the rest is no lateness.
    void actionNeverComesLate_data() {
        QTest::addColumn<QString>("TaskType");
        QTest::addColumn<qint64>("LateOnArrival");
        QTest::addColumn<qint64>("Frozen"); // both scales move on during the rest
        QTest::addColumn<qint64>("Asleep"); // only the time of day moves on
        QTest::addColumn<bool>("Acts");
        QTest::newRow("power-off on time") << "定时关机" << 0LL << 0LL << 0LL << true;
        QTest::newRow("power-off 9 s late") << "定时关机" << 9000LL << 0LL << 0LL << true;
        QTest::newRow("power-off late on arrival") << "定时关机" << 11000LL << 0LL << 0LL << false;
        QTest::newRow("power-off frozen while resting")
            << "定时关机" << 0LL << 180000LL << 0LL << false;
        QTest::newRow("power-off asleep while resting")
            << "定时关机" << 0LL << 0LL << 180000LL << false;
        QTest::newRow("power-off, time set back while resting")
            << "定时关机" << 0LL << 0LL << -3600000LL << true;
        QTest::newRow("opening frozen while resting")
            << "定时执行" << 0LL << 180000LL << 0LL << false;
        QTest::newRow("opening late on arrival") << "定时执行" << 60000LL << 0LL << 0LL << false;
    }
    void actionNeverComesLate() {
        QFETCH(QString, TaskType);
        QFETCH(qint64, LateOnArrival);
        QFETCH(qint64, Frozen);
        QFETCH(qint64, Asleep);
        QFETCH(bool, Acts);
        auto Clock = std::make_shared<TFakeClock>(QTimeZone("Europe/Berlin"),
                                                  QDateTime(QDate(2026, 6, 10), QTime(10, 0)));
        QPointer<TFrm_Pop> Pop = NewPop(TaskType, "/tmp/报告.txt");
        Pop->SetClock(Clock);
        Pop->SetLateMs(LateOnArrival);
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        // Within the rest of 150 ms; the clock stands still otherwise.
        Clock->Advance(Frozen);
        Clock->SetWallBy(Asleep);
        QTRY_VERIFY(Pop->Timer3()->isActive());
        const int Actions =
            FPlatform.Power->Calls + static_cast<int>(FPlatform.Shell->Opened.size());
        QCOMPARE(Actions, Acts ? 1 : 0);
        QCOMPARE(Pop->MarkedLate(), !Acts);
        const QString Target =
            Pop->Label5()->toolTip().isEmpty() ? Pop->Label5()->text() : Pop->Label5()->toolTip();
        QCOMPARE(Target.contains("（迟到，未执行）"), !Acts);
        QTRY_VERIFY(Pop.isNull());
    }

    void noActionForReminderEmptyOrUnknownType_data() {
        QTest::addColumn<QString>("TaskType");
        QTest::newRow("reminder") << "定时提醒";
        QTest::newRow("empty") << "";
        QTest::newRow("unknown") << "定时重启";
    }
    void noActionForReminderEmptyOrUnknownType() {
        QFETCH(QString, TaskType);
        QPointer<TFrm_Pop> Pop = NewPop(TaskType, "/bin/true");
        Pop->Pop();
        QTRY_VERIFY(Pop.isNull());
        QVERIFY(FPlatform.Shell->Opened.empty());
        QCOMPARE(FPlatform.Power->Calls, 0);
    }

    void closedByHandStillActs() {
        QPointer<TFrm_Pop> Pop = NewPop("定时执行", "https://example.org/");
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        QVERIFY(!Pop->close()); // only hidden
        QVERIFY(!Pop->isVisible());
        QVERIFY(!Pop.isNull());
        QTRY_VERIFY(Pop.isNull());
        QCOMPARE(FPlatform.Shell->Opened.size(), size_t(1));
    }

    void sharedWindowForTheCpuAlertStays() {
        // Created without services, as at start-up; popped twice like the alert does.
        TFrm_Pop Pop;
        Pop.Timer2()->setInterval(50);
        Pop.Label1()->setText("CPU使用率过高");
        Pop.Pop();
        QTRY_VERIFY(Pop.Timer3()->isActive());
        QTRY_VERIFY(!Pop.isVisible());
        Pop.Pop();
        QVERIFY(Pop.isVisible());
        QTRY_VERIFY(Pop.Timer2()->isActive());
        QCOMPARE(Pop.Label1()->text(), QString("CPU使用率过高"));
    }
};

QTEST_MAIN(tst_Pop)
#include "tst_pop.moc"
