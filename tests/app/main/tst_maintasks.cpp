// The task pages and the reminders as the main window wires them up.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSqlTableModel>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "TestSupport.h"
#include "app/Images.h"
#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "app/TaskRemind.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/VozedaRiru.h"
#include "tasks/PendingReminders.h"
#include "tasks/Pop.h"
#include "tasks/TaskManager.h"
#include "tasks/TaskPages.h"

namespace {

QList<TFrm_Pop *> PopWindows() {
    QList<TFrm_Pop *> Result;
    for (QWidget *W : QApplication::topLevelWidgets())
        if (auto *Pop = qobject_cast<TFrm_Pop *>(W); Pop && Pop->isVisible())
            Result << Pop;
    return Result;
}

// Calls Fn with each object that receives an event of the type, while it exists.
class TEventWatch : public QObject {
public:
    TEventWatch(QEvent::Type Type, std::function<void(QObject *)> Fn)
        : FType(Type), FFn(std::move(Fn)) {
        QApplication::instance()->installEventFilter(this);
    }
    bool eventFilter(QObject *Object, QEvent *Event) override {
        if (Event->type() == FType)
            FFn(Object);
        return false;
    }

private:
    QEvent::Type FType;
    std::function<void(QObject *)> FFn;
};

void ClickTab(TPageControl *Tabs, int Index) {
    QTabBar *Bar = Tabs->tabBar();
    QTest::mouseClick(Bar, Qt::LeftButton, {}, Bar->tabRect(Index).center());
}

} // namespace

class tst_MainTasks : public QObject {
    Q_OBJECT

    TFakePlatform FPlatform;

private slots:
    void wiredUpByFormCreate() {
        TTestConfig Config(true);
        Dialogs::TDialogScript Script;
        TFrm_Main Main(FPlatform.Platform());
        Main.FormCreate();
        QVERIFY(Script.Shown().isEmpty());
        for (const char *Name : {"AddTask", "DelTask", "Post", "Refresh", "Cancel", "EdtTask",
                                 "First", "Last", "Prior", "Next", "actTaskList", "actTaskInfo"})
            QVERIFY2(Main.Action(Name)->isEnabled(), Name);
        QAction *Menu = Main.PopupMenu1()->findChild<QAction *>("mnuTaskList");
        QVERIFY(Menu && Menu->isEnabled());
        QVERIFY(Main.Gen()->TaskManager()->OnRemind() == &TaskManagerRemind);
        QCOMPARE(Main.TaskPages()->Table(), Main.ADOTable1());

        Menu->trigger();
        QVERIFY(Main.isVisible());
        QCOMPARE(Main.PageControl1()->currentIndex(), TaskListTab);
        Main.Action("actTaskInfo")->trigger();
        QCOMPARE(Main.PageControl1()->currentIndex(), TaskInfoTab);
    }

    void leavingATabWhileEditingAsks() {
        TTestConfig Config(true);
        Dialogs::TDialogScript Script;
        TFrm_Main Main(FPlatform.Platform());
        Main.FormCreate();
        Main.show();
        Main.Action("AddTask")->trigger();
        QCOMPARE(Main.PageControl1()->currentIndex(), TaskInfoTab);
        QTest::keyClicks(Main.findChild<QLineEdit *>("DBEdit1"), "water the plants");

        Script.Answer(false);
        ClickTab(Main.PageControl1(), 0);
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("数据未保存，是否继续?"));
        QCOMPARE(Main.PageControl1()->currentIndex(), TaskInfoTab);
        QVERIFY(Main.TaskPages()->Editing());

        Script.Answer(true);
        ClickTab(Main.PageControl1(), 0);
        QCOMPARE(Main.PageControl1()->currentIndex(), CommonTab);
        QVERIFY(!Main.TaskPages()->Editing());
        QCOMPARE(Main.ADOTable1()->rowCount(), 1);
        QCOMPARE(Main.ADOTable1()->data(Main.ADOTable1()->index(0, 1)).toString(),
                 QString("water the plants"));

        // Not editing: tabs change without a question.
        Script.Clear();
        ClickTab(Main.PageControl1(), 2);
        QCOMPARE(Main.PageControl1()->currentIndex(), TaskInfoTab);
        QVERIFY(Script.Shown().isEmpty());
    }

    void missingDatabaseLeavesThePagesClosed() {
        TTestConfig Config(false);
        Config.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n");
        Dialogs::TDialogScript Script;
        TFrm_Main Main(FPlatform.Platform());
        Dialogs::Guard([&] { Main.FormCreate(); });
        QCOMPARE(Script.Shown().size(), 1);
        // The scheduler was bound before the database was opened.
        QVERIFY(Main.Gen()->TaskManager()->OnRemind() == &TaskManagerRemind);
        QCOMPARE(Main.TaskPages()->State(), TTaskPages::TState::Inactive);
        QVERIFY(!Main.findChild<QWidget *>("RzDBRadioGroup1")->isEnabled());
    }

    void refreshOpensTheDatabaseOnceItIsBack() {
        TTestConfig Config(false);
        Config.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n");
        Dialogs::TDialogScript Script;
        TFrm_Main Main(FPlatform.Platform());
        Dialogs::Guard([&] { Main.FormCreate(); });
        QCOMPARE(Script.Shown().size(), 1);
        QVERIFY(!Main.ADOTable1());

        // Still missing: "刷新" says so.
        Script.Clear();
        Main.Action("Refresh")->trigger();
        QCOMPARE(Script.Shown().size(), 1);
        QVERIFY2(Script.Shown()[0].Text.contains("Could not find file"),
                 qPrintable(Script.Shown()[0].Text));
        QCOMPARE(Main.TaskPages()->State(), TTaskPages::TState::Inactive);

        // Put back: "刷新" opens the table, and the pages work on it.
        QVERIFY(SeedFolder(Config.Dir()));
        Script.Clear();
        Main.Action("Refresh")->trigger();
        QVERIFY2(Script.Shown().isEmpty(), qPrintable(Script.Shown().value(0).Text));
        QVERIFY(Main.ADOTable1());
        QCOMPARE(Main.TaskPages()->Table(), Main.ADOTable1());
        QCOMPARE(Main.TaskPages()->State(), TTaskPages::TState::Browse);
        QVERIFY(Main.findChild<QWidget *>("RzDBRadioGroup1")->isEnabled());
        Main.show();
        Main.Action("AddTask")->trigger();
        QTest::keyClicks(Main.findChild<QLineEdit *>("DBEdit1"), "after the repair");
        Main.Action("Post")->trigger();
        QVERIFY2(Script.Shown().isEmpty(), qPrintable(Script.Shown().value(0).Text));
        QCOMPARE(Main.ADOTable1()->rowCount(), 1);
        // Reading it again keeps the same table.
        QSqlTableModel *Table = Main.ADOTable1();
        Main.Action("Refresh")->trigger();
        QVERIFY(Script.Shown().isEmpty());
        QCOMPARE(Main.ADOTable1(), Table);
        QCOMPARE(Table->rowCount(), 1);
    }

    void oneWindowPerDueTask() {
        TTestConfig Config(true);
        SetRemindPlatform(FPlatform.Platform());
        TTaskManager Mgr(nullptr);
        QCOMPARE(PopWindows().size(), 0);
        for (const char *Name : {"first", "second"}) {
            TTask Task(&Mgr);
            Task.ID = Name;
            Task.Name = Name;
            Task.TaskType = "定时提醒";
            Task.Msg = "message";
            TaskManagerRemind(&Task);
        }
        const QList<TFrm_Pop *> Pops = PopWindows();
        QCOMPARE(Pops.size(), 2);
        QStringList Names;
        for (TFrm_Pop *Pop : Pops) {
            Names << Pop->Label1()->text();
            QCOMPARE(Pop->Label4()->text(), QString("内容:message"));
            QCOMPARE(Pop->parentWidget(), nullptr);
        }
        Names.sort();
        QCOMPARE(Names, QStringList({"任务名称:first", "任务名称:second"}));
        for (TFrm_Pop *Pop : Pops)
            delete Pop;
    }

    // A burst of due tasks keeps only a few windows up at once, stacked so that each can be read;
    // the others wait their turn, and every one is shown and carries out its action.
    void aBurstShowsEveryReminderInFewWindows() {
        TTestConfig Config(true);
        FPlatform.Shell->Opened.clear();
        SetRemindPlatform(FPlatform.Platform());
        TTaskManager Mgr(nullptr);
        const int Count = 10;
        QStringList Targets;
        for (int I = 0; I < Count; ++I) {
            TTask Task(&Mgr);
            Task.ID = QString::number(I);
            Task.Name = QString("task %1").arg(I);
            Task.TaskType = "定时执行";
            Task.ExecTarget = QString("/tmp/target-%1").arg(I);
            Targets << Task.ExecTarget;
            TaskManagerRemind(&Task);
        }
        QCOMPARE(PopWindows().size(), MaxReminderWindows);
        QCOMPARE(RemindersWaiting(), Count - MaxReminderWindows);

        // Watches the windows as they come, and shortens each one's ten seconds of rest.
        QStringList Seen;
        int Most = 0;
        bool Overlap = false;
        QTimer Watch;
        Watch.setInterval(20);
        connect(&Watch, &QTimer::timeout, [&] {
            int Existing = 0;
            for (QWidget *W : QApplication::topLevelWidgets())
                Existing += qobject_cast<TFrm_Pop *>(W) ? 1 : 0;
            Most = std::max(Most, Existing);
            const QList<TFrm_Pop *> Pops = PopWindows();
            for (TFrm_Pop *Pop : Pops) {
                if (!Seen.contains(Pop->Label1()->text()))
                    Seen << Pop->Label1()->text();
                if (Pop->Timer2()->interval() != 50)
                    Pop->Timer2()->setInterval(50);
                for (TFrm_Pop *Other : Pops)
                    Overlap = Overlap || (Other != Pop && Pop->Timer2()->isActive() &&
                                          Other->Timer2()->isActive() &&
                                          Pop->frameGeometry().intersects(Other->frameGeometry()));
            }
        });
        Watch.start();
        QTRY_COMPARE_WITH_TIMEOUT(FPlatform.Shell->Opened.size(), size_t(Count), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(PopWindows().size(), 0, 5000);
        QVERIFY2(Most <= MaxReminderWindows, qPrintable(QString("%1 windows at once").arg(Most)));
        QVERIFY(!Overlap);
        QStringList Expected;
        for (int I = 0; I < Count; ++I)
            Expected << QString("任务名称:task %1").arg(I);
        // The windows that come together may be seen in either order.
        Seen.sort();
        QCOMPARE(Seen, Expected);
        QStringList Opened;
        for (const auto &O : FPlatform.Shell->Opened)
            Opened << QString::fromStdString(O.first);
        Opened.sort();
        Targets.sort();
        QCOMPARE(Opened, Targets);
        QCOMPARE(RemindersWaiting(), 0);
    }

    // The reminders that wait for a window come up in the order they fell due, and are kept in
    // PendingReminders.txt beside cfg.ini while they wait, so that an end of the program before
    // their turn does not lose them without a word.
    void waitingRemindersComeInTheirOrder() {
        TTestConfig Config(true);
        SetRemindPlatform(FPlatform.Platform());
        TTaskManager Mgr(nullptr);
        QStringList Shown;
        TEventWatch Watch(QEvent::Show, [&](QObject *Object) {
            if (auto *Pop = qobject_cast<TFrm_Pop *>(Object)) {
                Shown << Pop->Label1()->text().section(':', 1);
                Pop->Timer2()->setInterval(30);
            }
        });
        const int Count = 8;
        QStringList Expected;
        for (int I = 0; I < Count; ++I) {
            TTask Task(&Mgr);
            Task.ID = QString::number(I);
            Task.Name = QString("task %1").arg(I);
            Task.TaskType = "定时提醒";
            Expected << Task.Name;
            TaskManagerRemind(&Task);
        }
        QCOMPARE(RemindersWaiting(), Count - MaxReminderWindows);
        const QString Kept = PendingReminders::FileName();
        QTRY_VERIFY(QFile::exists(Kept));
        QStringList Lines = PendingReminders::Take();
        QCOMPARE(Lines.size(), Count - MaxReminderWindows);
        for (int I = 0; I < Lines.size(); ++I)
            QVERIFY2(Lines[I].endsWith(Expected[MaxReminderWindows + I]), qPrintable(Lines[I]));
        QTRY_COMPARE_WITH_TIMEOUT(Shown.size(), Count, 20000);
        QCOMPARE(Shown, Expected);
        // Once none waits, nothing is kept.
        QTRY_VERIFY(!QFile::exists(Kept));
        QTRY_COMPARE(PopWindows().size(), 0);
    }

    // Every window carries the program's icon, the one reminder window made at start-up for the
    // CPU alert included.
    void everyWindowCarriesTheProgramIcon() {
        TTestConfig Config(true);
        Dialogs::TDialogScript Script;
        TFrm_Main Main(FPlatform.Platform());
        Main.FormCreate();
        TFrm_Pop Alert;
        const QImage Expected = ProgramIcon().pixmap(32, 32).toImage();
        QVERIFY(!Expected.isNull());
        QCOMPARE(Alert.windowIcon().pixmap(32, 32).toImage(), Expected);
        QCOMPARE(Main.windowIcon().pixmap(32, 32).toImage(), Expected);
    }
};

QTEST_MAIN(tst_MainTasks)
#include "tst_maintasks.moc"
