// The reminder window: where it comes to rest, and the action it carries out afterwards.
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "TestSupport.h"
#include "tasks/OleDate.h"
#include "tasks/Pop.h"

class TPopTest : public QObject {
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
        Pop->Pop();
        QVERIFY(Pop->isVisible());
        // It starts just below the screen and rises.
        QVERIFY(Pop->frameGeometry().top() > Screen.bottom() - 159);
        QTRY_VERIFY(Pop->Timer2()->isActive());
        const QRect Frame = Pop->frameGeometry();
        QCOMPARE(Frame.right(), Screen.right());
        QVERIFY2(Frame.bottom() <= Screen.bottom() && Frame.bottom() >= Screen.bottom() - 3,
                 qPrintable(QString("bottom %1 of %2").arg(Frame.bottom()).arg(Screen.bottom())));
        QVERIFY(!Pop->Timer1()->isActive());
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

QTEST_MAIN(TPopTest)
#include "tst_pop.moc"
