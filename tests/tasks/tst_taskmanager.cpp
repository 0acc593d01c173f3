// The scheduler against a real DB.mdb, with a clock the test sets.
#include <QApplication>
#include <QPointer>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "TaskTestSupport.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "tasks/TaskManager.h"

namespace {

struct TReminded {
    QString ID;
    QString Name;
    QString Msg;
    QString TaskType;
    QString ExecTarget;
    double StartTime;
};
std::vector<TReminded> Reminded;

void RecordRemind(TTask *Task) {
    Reminded.push_back(
        {Task->ID, Task->Name, Task->Msg, Task->TaskType, Task->ExecTarget, Task->StartTime});
}

QDateTime At(int Y, int M, int D, int H, int Min, int S, int Ms = 0) {
    return QDateTime(QDate(Y, M, D), QTime(H, Min, S, Ms));
}

// The scheduler's reports in the program's boxes, as the program binds them.
void ReportInBoxes(TTaskManager &Mgr) {
    Mgr.SetOnReport([](const QString &Text, bool Error) {
        Error ? Dialogs::ShowError(Text) : Dialogs::ShowMessage(Text);
    });
}

} // namespace

class tst_TaskManager : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<TTaskTable> FTable;
    std::shared_ptr<TFixedClock> FClock;
    std::unique_ptr<TTaskManager> FMgr;

    void PollAt(const QDateTime &Now) {
        FClock->Value = Now;
        FMgr->PollTasks();
    }

private slots:
    void init() {
        FConfig = std::make_unique<TTestConfig>(true);
        FTable = std::make_unique<TTaskTable>(FConfig->Dir() + "DB.mdb");
        FClock = std::make_shared<TFixedClock>();
        FMgr = std::make_unique<TTaskManager>(FClock);
        FMgr->SetOnRemind(&RecordRemind);
        ReportInBoxes(*FMgr);
        Reminded.clear();
    }
    void cleanup() {
        FMgr.reset();
        FTable.reset();
        FConfig.reset();
    }

    void selectionUsesTheIndex() {
        QSqlQuery Q(FTable->Db());
        QVERIFY(Q.prepare("EXPLAIN QUERY PLAN " + TTaskManager::SelectSql()));
        Q.addBindValue(100);
        Q.addBindValue(101);
        QVERIFY2(Q.exec(), qPrintable(Q.lastError().text()));
        QString Plan;
        while (Q.next())
            Plan += Q.value(3).toString() + "\n";
        QVERIFY2(Plan.contains("USING INDEX TaskStartSecond"), qPrintable(Plan));
    }

    void recurrences_data() {
        QTest::addColumn<QString>("ExecType");
        QTest::addColumn<QDate>("Start");
        QTest::addColumn<QDate>("Day");
        QTest::addColumn<bool>("Due");
        const auto Row = [](const char *Name, const char *Type, QDate Start, QDate Day, bool Due) {
            QTest::newRow(Name) << QString(Type) << Start << Day << Due;
        };
        Row("daily on its first day", "每天", {2024, 6, 5}, {2024, 6, 5}, true);
        Row("daily later", "每天", {2024, 6, 5}, {2025, 1, 17}, true);
        Row("daily before its start", "每天", {2024, 6, 5}, {2024, 6, 4}, false);
        Row("weekly same weekday", "每星期", {2024, 6, 5}, {2024, 6, 12}, true);
        Row("weekly next year", "每星期", {2024, 6, 5}, {2025, 6, 4}, true);
        Row("weekly other weekday", "每星期", {2024, 6, 5}, {2024, 6, 13}, false);
        Row("weekly before its start", "每星期", {2024, 6, 5}, {2024, 5, 29}, false);
        Row("monthly same day", "每月", {2024, 5, 15}, {2024, 6, 15}, true);
        Row("monthly other day", "每月", {2024, 5, 15}, {2024, 6, 16}, false);
        Row("monthly 31st in February", "每月", {2024, 1, 31}, {2024, 2, 29}, true);
        Row("monthly 31st not on the 28th", "每月", {2024, 1, 31}, {2024, 2, 28}, false);
        Row("monthly 31st in April", "每月", {2024, 1, 31}, {2024, 4, 30}, true);
        Row("monthly 31st not on the 30th of March", "每月", {2024, 1, 31}, {2024, 3, 30}, false);
        Row("yearly same day", "每年", {2010, 5, 4}, {2011, 5, 4}, true);
        Row("yearly other day", "每年", {2010, 5, 4}, {2011, 5, 5}, false);
        Row("yearly other month", "每年", {2010, 5, 4}, {2010, 6, 4}, false);
        Row("yearly leap day in 2025", "每年", {2024, 2, 29}, {2025, 2, 28}, true);
        Row("yearly leap day not on 1 March", "每年", {2024, 2, 29}, {2025, 3, 1}, false);
        Row("yearly leap day in 2028", "每年", {2024, 2, 29}, {2028, 2, 29}, true);
        Row("yearly leap day not on 28th in 2028", "每年", {2024, 2, 29}, {2028, 2, 28}, false);
        Row("given date", "指定日期", {2024, 6, 5}, {2024, 6, 5}, true);
        Row("given date, the day after", "指定日期", {2024, 6, 5}, {2024, 6, 6}, false);
        Row("given date, a year later", "指定日期", {2024, 6, 5}, {2025, 6, 5}, false);
        Row("empty recurrence", "", {2024, 6, 5}, {2024, 6, 5}, false);
        Row("unknown recurrence", "每周", {2024, 6, 5}, {2024, 6, 5}, false);
    }
    void recurrences() {
        QFETCH(QString, ExecType);
        QFETCH(QDate, Start);
        QFETCH(QDate, Day);
        QFETCH(bool, Due);
        const QString ID = FTable->Insert("task", Start, QTime(10, 15, 31), ExecType);
        QVERIFY(!ID.isEmpty());
        PollAt(QDateTime(Day, QTime(10, 15, 30, 400)));
        QCOMPARE(FMgr->ExistsTask(ID), Due);
        if (Due) {
            QVERIFY(FMgr->GetTaskByID(ID)->Running());
            QTRY_COMPARE(Reminded.size(), size_t(1));
            QCOMPARE(FMgr->PendingCount(), 0);
        }
    }

    void findsTheComingSecondOnlyAndFiresOnTime() {
        const QString Early = FTable->Insert("early", {2024, 1, 1}, QTime(10, 15, 30));
        const QString Due = FTable->Insert("due", {2024, 1, 1}, QTime(10, 15, 31), "每天",
                                           "定时执行", "hello", "/bin/true");
        const QString Late = FTable->Insert("late", {2024, 1, 1}, QTime(10, 15, 32));
        PollAt(At(2024, 6, 10, 10, 15, 30, 400));
        QVERIFY(!FMgr->ExistsTask(Early));
        QVERIFY(!FMgr->ExistsTask(Late));
        QVERIFY(FMgr->ExistsTask(Due));
        TTask *Task = FMgr->GetTaskByID(Due);
        QCOMPARE(Task->Name, QString("due"));
        QCOMPARE(Task->TaskType, QString("定时执行"));
        QCOMPARE(Task->Msg, QString("hello"));
        QCOMPARE(Task->ExecTarget, QString("/bin/true"));
        QCOMPARE(Task->ExecType, QString("每天"));
        QCOMPARE(Task->StartDate, OleDate::FromDate({2024, 1, 1}));
        // Due 600 ms after the clock's moment, not at once.
        QVERIFY(Task->Running());
        QVERIFY2(Task->RemainingMs() > 300, qPrintable(QString::number(Task->RemainingMs())));
        QVERIFY(Reminded.empty());
        QTRY_COMPARE(Reminded.size(), size_t(1));
        QCOMPARE(Reminded[0].ID, Due);
        QCOMPARE(Reminded[0].Msg, QString("hello"));
        QCOMPARE(FMgr->PendingCount(), 0);
    }

    void midnightTask() {
        const QString Daily = FTable->Insert("daily", {2024, 6, 1}, QTime(0, 0, 0));
        // Due on the date of its second, 11 June, not on the date of the poll.
        const QString OnEleventh = FTable->Insert("11th", {2024, 6, 11}, QTime(0, 0), "指定日期");
        const QString OnTenth = FTable->Insert("10th", {2024, 6, 10}, QTime(0, 0), "指定日期");
        QCOMPARE(FTable->Value("SELECT 开始时间 FROM Task WHERE ID = " + Daily).toDouble(), 0.0);
        PollAt(At(2024, 6, 10, 23, 59, 59, 500));
        QVERIFY(FMgr->ExistsTask(Daily));
        QVERIFY(FMgr->ExistsTask(OnEleventh));
        QVERIFY(!FMgr->ExistsTask(OnTenth));
        QTRY_COMPARE(Reminded.size(), size_t(2));
        // The poll after midnight does not take them again.
        PollAt(At(2024, 6, 11, 0, 0, 0, 500));
        QCOMPARE(FMgr->PendingCount(), 0);
    }

    void skippedTickLosesNothing() {
        const QString Missed = FTable->Insert("missed", {2024, 1, 1}, QTime(10, 0, 2));
        const QString Next = FTable->Insert("next", {2024, 1, 1}, QTime(10, 0, 3));
        PollAt(At(2024, 6, 10, 10, 0, 0, 500));
        QCOMPARE(FMgr->PendingCount(), 0);
        // No poll during 10:00:01.
        PollAt(At(2024, 6, 10, 10, 0, 2, 500));
        QVERIFY(FMgr->ExistsTask(Missed));
        QVERIFY(FMgr->ExistsTask(Next));
        QTRY_COMPARE(Reminded.size(), size_t(2));
        QCOMPARE(Reminded[0].ID, Missed); // already due: at once
    }

    void gapOfAnHourCatchesUpOneMinute() {
        const QString Long = FTable->Insert("half past", {2024, 1, 1}, QTime(10, 30, 0));
        const QString Edge = FTable->Insert("61 s back", {2024, 1, 1}, QTime(10, 59, 1));
        const QString Recent = FTable->Insert("59 s back", {2024, 1, 1}, QTime(10, 59, 2));
        const QString Coming = FTable->Insert("coming", {2024, 1, 1}, QTime(11, 0, 1));
        PollAt(At(2024, 6, 10, 10, 0, 0, 500));
        PollAt(At(2024, 6, 10, 11, 0, 0, 500));
        QVERIFY(!FMgr->ExistsTask(Long));
        QVERIFY(!FMgr->ExistsTask(Edge));
        QVERIFY(FMgr->ExistsTask(Recent));
        QVERIFY(FMgr->ExistsTask(Coming));
    }

    void clockSetBack() {
        const QString Task = FTable->Insert("t", {2024, 1, 1}, QTime(10, 0, 1));
        const QString Early = FTable->Insert("early", {2024, 1, 1}, QTime(9, 0, 1));
        PollAt(At(2024, 6, 10, 10, 0, 0, 500));
        QTRY_COMPARE(Reminded.size(), size_t(1));
        // A step back of a second: that second has been looked at already.
        PollAt(At(2024, 6, 10, 9, 59, 59, 900));
        PollAt(At(2024, 6, 10, 10, 0, 0, 700));
        QCOMPARE(FMgr->PendingCount(), 0);
        // Set back by an hour: the scheduler starts again from the new time.
        PollAt(At(2024, 6, 10, 9, 0, 0, 500));
        QVERIFY(FMgr->ExistsTask(Early));
        QVERIFY(!FMgr->ExistsTask(Task));
    }

    void twoPollsInOneSecond() {
        const QString ID = FTable->Insert("once", {2024, 1, 1}, QTime(10, 15, 31));
        PollAt(At(2024, 6, 10, 10, 15, 30, 100));
        PollAt(At(2024, 6, 10, 10, 15, 30, 900));
        QCOMPARE(FMgr->PendingCount(), 1);
        QTRY_COMPARE(Reminded.size(), size_t(1));
        // Nothing is left pending, so no second reminder can come.
        QCOMPARE(FMgr->PendingCount(), 0);
        QCOMPARE(Reminded.size(), size_t(1));
        QCOMPARE(Reminded[0].ID, ID);
    }

    void severalRowsInOneSecond() {
        QStringList IDs;
        for (int I = 0; I < 3; ++I)
            IDs << FTable->Insert(QString("t%1").arg(I), {2024, 1, 1}, QTime(8, 0, 0));
        PollAt(At(2024, 6, 10, 7, 59, 59, 800));
        QCOMPARE(FMgr->PendingCount(), 3);
        QTRY_COMPARE(Reminded.size(), size_t(3));
        QStringList Got;
        for (const auto &R : Reminded)
            Got << R.ID;
        Got.sort();
        IDs.sort();
        QCOMPARE(Got, IDs);
    }

    void rowChangedOrDeletedAfterPending() {
        const QString Changed =
            FTable->Insert("before", {2024, 1, 1}, QTime(8, 0, 0), "每天", "定时提醒", "old text");
        const QString Deleted = FTable->Insert("gone", {2024, 1, 1}, QTime(8, 0, 0));
        PollAt(At(2024, 6, 10, 7, 59, 59, 500));
        QCOMPARE(FMgr->PendingCount(), 2);
        QVERIFY(FTable->Exec("UPDATE Task SET 任务名称 = 'after', 内容 = 'new', 执行方式 = "
                             "'指定日期' WHERE ID = " +
                             Changed));
        QVERIFY(FTable->Exec("DELETE FROM Task WHERE ID = " + Deleted));
        QTRY_COMPARE(Reminded.size(), size_t(2));
        for (const auto &R : Reminded) {
            if (R.ID == Changed) {
                QCOMPARE(R.Name, QString("before"));
                QCOMPARE(R.Msg, QString("old text"));
            } else {
                QCOMPARE(R.Name, QString("gone"));
            }
        }
    }

    // The scheduler shows nothing itself: a fault goes to whatever the owner bound, from the
    // event loop; with nothing bound it is dropped and polling goes on.
    void faultsGoToTheBoundHandler() {
        QList<QPair<QString, bool>> Reports;
        const QByteArray Ini = FConfig->ReadIni();
        FMgr->SetOnReport([&](const QString &Text, bool Error) { Reports.append({Text, Error}); });
        FConfig->WriteIni("[DB]\nConnStr=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DB.mdb\n");
        PollAt(At(2024, 6, 10, 9, 0, 0, 500));
        QVERIFY(Reports.isEmpty()); // not from inside the poll
        QTRY_COMPARE(Reports.size(), 1);
        QVERIFY(Reports[0].second);
        QVERIFY2(Reports[0].first.contains("Provider"), qPrintable(Reports[0].first));
        FMgr->SetOnReport(nullptr);
        FConfig->WriteIni(Ini);
        const QString ID = FTable->Insert("after the fault", {2024, 1, 1}, QTime(9, 0, 2));
        PollAt(At(2024, 6, 10, 9, 0, 1, 500));
        QVERIFY(FMgr->ExistsTask(ID));
    }

    void lastingFaultReportedOnce() {
        Dialogs::TDialogScript Script;
        const QString ID = FTable->Insert("during the fault", {2024, 1, 1}, QTime(9, 0, 3));
        const QString Db = FConfig->Dir() + "DB.mdb";
        PollAt(At(2024, 6, 10, 9, 0, 0, 500)); // fine
        QVERIFY(QFile::rename(Db, Db + ".away"));
        for (int S = 1; S <= 4; ++S)
            PollAt(At(2024, 6, 10, 9, 0, S, 500));
        // The box comes from the event loop, after the poll has returned.
        QTRY_COMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("error"));
        QVERIFY2(Script.Shown()[0].Text.contains("DB.mdb"), qPrintable(Script.Shown()[0].Text));
        // Back again: the seconds of the fault are caught up.
        QVERIFY(QFile::rename(Db + ".away", Db));
        PollAt(At(2024, 6, 10, 9, 0, 5, 500));
        QVERIFY(FMgr->ExistsTask(ID));
        QCoreApplication::processEvents();
        QCOMPARE(Script.Shown().size(), 1);
        // A new fault after a good poll is reported again.
        FConfig->WriteIni("[DB]\nConnStr=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DB.mdb\n");
        PollAt(At(2024, 6, 10, 9, 0, 6, 500));
        PollAt(At(2024, 6, 10, 9, 0, 7, 500));
        QTRY_COMPARE(Script.Shown().size(), 2);
    }

    // A box open on the screen (here the scheduler's own fault box, really shown) runs a loop of
    // its own; the polls go on in it, so a task that falls due meanwhile comes up at once.
    void remindsWhileTheFaultBoxIsOpen() {
        const QString Db = FConfig->Dir() + "DB.mdb";
        QVERIFY(QFile::rename(Db, Db + ".away"));
        auto Mgr = std::make_unique<TTaskManager>(std::make_shared<TSystemClock>());
        Mgr->SetOnRemind(&RecordRemind);
        ReportInBoxes(*Mgr);
        QString ID;
        QDateTime Due;
        bool SeenWhileOpen = false;
        bool Answered = false;
        // Plays the user while the box is up: puts the file back, adds a task due two seconds
        // later, and answers the box once the reminder has come, or two seconds after the task
        // was due at the latest (each poll is a second apart, so that is enough).
        QTimer User;
        User.setInterval(20);
        QObject::connect(&User, &QTimer::timeout, [&] {
            QWidget *Box = QApplication::activeModalWidget();
            if (!Box || Answered)
                return;
            if (ID.isEmpty()) {
                QVERIFY(QFile::rename(Db + ".away", Db));
                Due = QDateTime::currentDateTime().addSecs(2);
                ID = FTable->Insert("while the box is open", Due.date(), Due.time());
                return;
            }
            SeenWhileOpen = std::any_of(Reminded.begin(), Reminded.end(),
                                        [&](const TReminded &R) { return R.ID == ID; });
            if (SeenWhileOpen || QDateTime::currentDateTime() > Due.addSecs(2)) {
                Answered = true;
                QTimer::singleShot(0, Box, [Box] { Box->close(); });
            }
        });
        User.start();
        Mgr->Start();
        QTRY_VERIFY_WITH_TIMEOUT(Answered, 15000);
        QVERIFY2(SeenWhileOpen, "no reminder while the box was open");
    }

    // Tasks older than the minute that is caught up after a long gap (here a database fault that
    // lasted five minutes) are not carried out late, but the user is told which they were.
    void longGapListsTheTasksItSkips() {
        Dialogs::TDialogScript Script;
        const QString Skipped = FTable->Insert("long ago", {2024, 1, 1}, QTime(9, 1, 0));
        const QString Caught = FTable->Insert("just now", {2024, 1, 1}, QTime(9, 4, 30));
        const QString Db = FConfig->Dir() + "DB.mdb";
        PollAt(At(2024, 6, 10, 9, 0, 0, 500));
        QVERIFY(QFile::rename(Db, Db + ".away"));
        PollAt(At(2024, 6, 10, 9, 0, 1, 500));
        QVERIFY(QFile::rename(Db + ".away", Db));
        PollAt(At(2024, 6, 10, 9, 5, 0, 500));
        QVERIFY(FMgr->ExistsTask(Caught));
        QVERIFY(!FMgr->ExistsTask(Skipped));
        QTRY_COMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[0].Kind, QString("error"));
        QCOMPARE(Script.Shown()[1].Kind, QString("message"));
        const QString Text = Script.Shown()[1].Text;
        QVERIFY2(Text.contains("long ago") && Text.contains(OleDate::LongTimeText({9, 1, 0})) &&
                     !Text.contains("just now"),
                 qPrintable(Text));
    }

    // The connection is kept between polls; it must still follow the file cfg.ini names: rows
    // added elsewhere, a file put in its place, another file named in cfg.ini.
    void followsTheFileBetweenPolls() {
        const QString Db = FConfig->Dir() + "DB.mdb";
        PollAt(At(2024, 6, 10, 9, 0, 0, 500));
        const QString Added = FTable->Insert("added later", {2024, 1, 1}, QTime(9, 0, 2));
        PollAt(At(2024, 6, 10, 9, 0, 1, 500));
        QVERIFY(FMgr->ExistsTask(Added));

        // A copy with one more row, renamed over the open file.
        QVERIFY(QFile::copy(Db, Db + ".new"));
        QString InCopy;
        {
            TTaskTable Copy(Db + ".new", "copy.rows");
            InCopy = Copy.Insert("in the copy", {2024, 1, 1}, QTime(9, 0, 3));
        }
        const QString OnlyOld =
            FTable->Insert("only in the old file", {2024, 1, 1}, QTime(9, 0, 3));
        QCOMPARE(InCopy, OnlyOld); // the same ID, so only the file tells them apart
        QVERIFY(::rename(QFile::encodeName(Db + ".new"), QFile::encodeName(Db)) == 0);
        PollAt(At(2024, 6, 10, 9, 0, 2, 500));
        QVERIFY(FMgr->ExistsTask(InCopy));
        QCOMPARE(FMgr->GetTaskByID(InCopy)->Name, QString("in the copy"));

        // Another file named in cfg.ini.
        QVERIFY(QFile::copy(Db, FConfig->Dir() + "Other.mdb"));
        QString InOther;
        {
            TTaskTable Other(FConfig->Dir() + "Other.mdb", "other.rows");
            InOther = Other.Insert("in the other file", {2024, 1, 1}, QTime(9, 0, 4));
        }
        FConfig->WriteIni(QString("[DB]\nConnStr=Provider=SQLite;Data Source=%1Other.mdb\n")
                              .arg(FConfig->Dir())
                              .toUtf8());
        PollAt(At(2024, 6, 10, 9, 0, 3, 500));
        QVERIFY(FMgr->ExistsTask(InOther));
        QCOMPARE(FMgr->GetTaskByID(InOther)->Name, QString("in the other file"));
    }

    void destroyingDropsPendingTasksSilently() {
        const QString ID = FTable->Insert("pending", {2024, 1, 1}, QTime(8, 0, 0));
        PollAt(At(2024, 6, 10, 7, 59, 59, 500));
        QCOMPARE(FMgr->PendingCount(), 1);
        QPointer<TTask> Pending = FMgr->GetTaskByID(ID);
        QVERIFY(Pending);
        FMgr.reset();
        // The task and its timer are gone with the scheduler, so nothing is left that could
        // fire; one pass of the event loop shows no reminder was queued either.
        QVERIFY(Pending.isNull());
        QCoreApplication::processEvents();
        QVERIFY(Reminded.empty());
    }

    // A task that falls due before anything is bound to OnRemind waits for the handler instead of
    // being dropped.
    void firedWithoutHandlerIsKept() {
        FMgr->SetOnRemind(nullptr);
        const QString ID = FTable->Insert("early", {2024, 1, 1}, QTime(8, 0, 0));
        PollAt(At(2024, 6, 10, 7, 59, 59, 900));
        QCOMPARE(FMgr->PendingCount(), 1);
        QTRY_COMPARE(FMgr->HeldCount(), 1);
        QVERIFY(FMgr->ExistsTask(ID));
        QVERIFY(Reminded.empty());
        FMgr->SetOnRemind(&RecordRemind);
        QTRY_COMPARE(Reminded.size(), size_t(1));
        QCOMPARE(Reminded[0].ID, ID);
        QCOMPARE(FMgr->PendingCount(), 0);
    }

    void pendingListRules() {
        auto Task = std::make_unique<TTask>(FMgr.get());
        Task->ID = "7";
        QVERIFY(FMgr->AddTask(std::move(Task)));
        auto Twin = std::make_unique<TTask>(FMgr.get());
        Twin->ID = "7";
        QVERIFY(!FMgr->AddTask(std::move(Twin)));
        QVERIFY(!FMgr->AddTask(nullptr));
        QVERIFY(FMgr->ExistsTask("7"));
        QVERIFY(FMgr->GetTaskByID("8") == nullptr);
        QVERIFY(FMgr->DeleteTaskByID("7"));
        QVERIFY(!FMgr->DeleteTaskByID("7"));
    }

    void startPollsEverySecond() {
        // With the system's clock: a task two seconds ahead is found by the running poll.
        auto Mgr = std::make_unique<TTaskManager>(std::make_shared<TSystemClock>());
        Mgr->SetOnRemind(&RecordRemind);
        const QDateTime Due = QDateTime::currentDateTime().addSecs(3);
        const QString ID = FTable->Insert("live", Due.date(), Due.time());
        Mgr->Start();
        QTRY_COMPARE_WITH_TIMEOUT(Reminded.size(), size_t(1), 6000);
        QCOMPARE(Reminded[0].ID, ID);
        QVERIFY(QDateTime::currentDateTime() >=
                QDateTime(Due.date(), OleDate::ToTime(Reminded[0].StartTime)));
    }
};

QTEST_MAIN(tst_TaskManager)
#include "tst_taskmanager.moc"
