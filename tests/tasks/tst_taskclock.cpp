// The scheduler against a clock that misbehaves: set back, summer time beginning and ending, a
// change of zone, a process frozen or a computer asleep across a due second, the order of the
// reminders of one second, and what is named when the program ends with reminders unshown.
#include <QTest>
#include <QTimeZone>
#include <memory>

#include "TaskTestSupport.h"
#include "TestSupport.h"
#include "tasks/PendingReminders.h"
#include "tasks/TaskManager.h"

namespace {

// What reached the remind procedure: the task's name, with " late" when it came too late for
// its action.
QStringList Reminded;
QStringList RemindedIDs;

void RecordRemind(TTask *Task) {
    Reminded << Task->Name + (Task->Late() ? " late" : "");
    RemindedIDs << Task->ID;
}

QDateTime In(const char *Zone, const QString &Text) {
    return QDateTime(QDate::fromString(Text.left(10), Qt::ISODate),
                     QTime::fromString(Text.mid(11), "HH:mm:ss.zzz"), QTimeZone(Zone));
}

// The names of the tasks a notice of tasks not reminded lists.
QStringList NamesIn(const QStringList &Notices) {
    QStringList Names;
    for (const QString &Notice : Notices)
        for (const QString &Line : Notice.split('\n').mid(1))
            Names << Line.section(' ', 2);
    return Names;
}

} // namespace

class tst_TaskClock : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<TTaskTable> FTable;
    std::shared_ptr<TFakeClock> FClock;
    std::unique_ptr<TTaskManager> FMgr;
    QStringList FNotices;

    void NewManager(const QTimeZone &Zone, const QDateTime &Start) {
        FClock = std::make_shared<TFakeClock>(Zone, Start);
        FMgr = std::make_unique<TTaskManager>(FClock);
        FMgr->SetOnRemind(&RecordRemind);
        FMgr->SetOnReport([this](const QString &Text, bool Error) {
            QVERIFY2(!Error, qPrintable(Text));
            FNotices << Text;
        });
    }
    // The tasks found are handed on from their timers, which run on real time: a wait of at most
    // a second, since a task is found in the second before its own.
    void WaitForPending() { QTRY_COMPARE_WITH_TIMEOUT(FMgr->PendingCount(), 0, 3000); }

    // Plays a script: "run N" (N seconds pass, polled once each, the tasks found handed on),
    // "tick" (one second, polled, its tasks left pending), "wait" (the pending ones handed on),
    // "back N" (the time of day set back N s), "freeze N" (the process stands still N s),
    // "sleep N" (the computer asleep N s: its elapsed clock stands still), "zone NAME".
    void Play(const QStringList &Script) {
        for (const QString &Step : Script) {
            const QString Verb = Step.section(' ', 0, 0);
            const QString Arg = Step.section(' ', 1);
            if (Verb == "run") {
                for (int I = 0; I < Arg.toInt(); ++I) {
                    FClock->Advance(1000);
                    FMgr->PollTasks();
                    if (FMgr->PendingCount() > 0)
                        WaitForPending();
                }
            } else if (Verb == "tick") {
                FClock->Advance(1000);
                FMgr->PollTasks();
            } else if (Verb == "wait") {
                WaitForPending();
            } else if (Verb == "back") {
                FClock->SetWallBy(-1000LL * Arg.toInt());
            } else if (Verb == "freeze") {
                FClock->Advance(1000LL * Arg.toInt());
            } else if (Verb == "sleep") {
                FClock->SetWallBy(1000LL * Arg.toInt());
            } else if (Verb == "zone") {
                FClock->Zone = QTimeZone(Arg.toUtf8());
                QVERIFY(FClock->Zone.isValid());
            } else {
                QFAIL(qPrintable("unknown step " + Step));
            }
        }
        QTRY_COMPARE(FMgr->PendingCount(), 0);
    }

private slots:
    void initTestCase() {
        // The notice's lines in the program's own locale: date, time and name apart by spaces.
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        // The scenarios need the zone rules of the system's time zone database.
        QVERIFY2(QTimeZone("Europe/Berlin").isValid(), "tzdata is not installed");
    }
    void init() {
        FConfig = std::make_unique<TTestConfig>(true);
        FTable = std::make_unique<TTaskTable>(FConfig->Dir() + "DB.mdb");
        Reminded.clear();
        RemindedIDs.clear();
        FNotices.clear();
    }
    void cleanup() {
        FMgr.reset();
        FTable.reset();
        FConfig.reset();
    }

    // One occurrence is one reminder whatever the clock does; a time of day the clock skips falls
    // due when the clock passes it; a reminder that comes after the process stood still or the
    // computer slept is marked late; a real gap is named in the notice, and only that.
    void oneReminderPerOccurrence_data() {
        QTest::addColumn<QString>("Zone");
        QTest::addColumn<QString>("Start");     // local, in Zone; polls fall at .990
        QTest::addColumn<QStringList>("Tasks"); // name = start time; "HH:mm:ss[ yyyy-MM-dd]"
        QTest::addColumn<QStringList>("Script");
        QTest::addColumn<QStringList>("Expected"); // reminded, in order
        QTest::addColumn<QStringList>("Missed");   // named in a notice
        const auto Row = [](const char *Name, const char *Zone, const char *Start,
                            QStringList Tasks, QStringList Script, QStringList Expected,
                            QStringList Missed = {}) {
            QTest::newRow(Name) << QString(Zone) << QString(Start) << Tasks << Script << Expected
                                << Missed;
        };
        const char *Berlin = "Europe/Berlin";
        Row("set back 30 s after a reminder", Berlin, "2026-06-10 09:59:50.990", {"10:00:00"},
            {"run 15", "back 30", "run 40"}, {"10:00:00"});
        Row("set back 2 min after a reminder", Berlin, "2026-06-10 09:59:50.990", {"10:00:00"},
            {"run 15", "back 120", "run 130"}, {"10:00:00"});
        // A task the program had not reached before comes when the clock passes it.
        Row("set back 1 h after a reminder", Berlin, "2026-06-10 09:59:50.990",
            {"10:00:00", "09:30:00"}, {"run 15", "back 3600", "run 3620"},
            {"10:00:00", "09:30:00"});
        Row("zone changed westward", Berlin, "2026-06-10 09:59:50.990", {"10:00:00"},
            {"run 15", "zone Europe/London", "run 3620"}, {"10:00:00"});
        // Summer time ends at 03:00 CEST: the hour from 02:00 comes twice.
        Row("summer time ends", Berlin, "2026-10-25 01:59:50.990",
            {"02:30:00", "02:40:00 2026-10-25", "03:00:05"}, {"run 7230"},
            {"02:30:00", "02:40:00 2026-10-25", "03:00:05"});
        // Summer time begins at 02:00 CET: the clock goes on at 03:00 CEST.
        Row("summer time begins", Berlin, "2026-03-29 01:59:50.990",
            {"03:00:02", "02:59:30", "02:15:00", "01:59:55", "03:00:00", "02:30:00"}, {"run 20"},
            {"01:59:55", "02:15:00", "02:30:00", "02:59:30", "03:00:00", "03:00:02"});
        // Found in the second before its own, then the process stood still three minutes.
        Row("frozen across a due second", Berlin, "2026-06-10 09:59:50.990",
            {"10:00:00", "10:01:00", "10:03:05"}, {"run 8", "tick", "freeze 180", "wait", "run 10"},
            {"10:00:00 late", "10:03:05"}, {"10:01:00"});
        Row("asleep across a due second", Berlin, "2026-06-10 09:59:50.990",
            {"10:00:00", "10:01:00", "10:03:05"}, {"run 8", "tick", "sleep 180", "wait", "run 10"},
            {"10:00:00 late", "10:03:05"}, {"10:01:00"});
        // Asleep before the task was found: the last minute is caught up, the rest named.
        Row("asleep for 10 min", Berlin, "2026-06-10 09:59:50.990",
            {"10:00:00", "10:09:30", "10:10:05"}, {"run 5", "sleep 600", "run 10"},
            {"10:09:30 late", "10:10:05"}, {"10:00:00"});
    }
    void oneReminderPerOccurrence() {
        QFETCH(QString, Zone);
        QFETCH(QString, Start);
        QFETCH(QStringList, Tasks);
        QFETCH(QStringList, Script);
        QFETCH(QStringList, Expected);
        QFETCH(QStringList, Missed);
        const QDateTime Begin = In(Zone.toUtf8(), Start);
        QVERIFY(Begin.isValid());
        for (const QString &Task : Tasks) {
            const QTime Time = QTime::fromString(Task.left(8), "HH:mm:ss");
            const bool Once = Task.size() > 8;
            const QDate Date =
                Once ? QDate::fromString(Task.mid(9), Qt::ISODate) : QDate(2026, 1, 1);
            QVERIFY(!FTable->Insert(Task, Date, Time, Once ? "指定日期" : "每天").isEmpty());
        }
        NewManager(QTimeZone(Zone.toUtf8()), Begin);
        FMgr->PollTasks();
        Play(Script);
        QCOMPARE(Reminded, Expected);
        QCoreApplication::processEvents(); // the notices come from the event loop
        QCOMPARE(NamesIn(FNotices), Missed);
    }

    // The tasks of one second are handed on in the order of their IDs, and those of a late poll
    // in the order they fell due, however the clock moves while they are set up: here it moves
    // on a millisecond at each reading, which gave the later tasks the shorter timers.
    void orderOfTasksDueTogether() {
        QStringList Expected;
        for (int I = 0; I < 40; ++I)
            Expected << FTable->Insert(QString("t%1").arg(I), {2026, 1, 1}, QTime(10, 0, 0));
        // Due before them, but added after them: a later ID.
        const QString Earlier = FTable->Insert("earlier", {2026, 1, 1}, QTime(9, 59, 58));
        Expected.prepend(Earlier);
        class TTickingClock : public TFakeClock {
        public:
            using TFakeClock::TFakeClock;
            QDateTime Now() const override {
                const_cast<TTickingClock *>(this)->Advance(1);
                return TFakeClock::Now();
            }
        };
        auto Clock = std::make_shared<TTickingClock>(
            QTimeZone("Europe/Berlin"), In("Europe/Berlin", "2026-06-10 09:59:50.000"));
        FMgr = std::make_unique<TTaskManager>(Clock);
        FMgr->SetOnRemind(&RecordRemind);
        FMgr->PollTasks();
        // A poll late by a few seconds: the task of 09:59:58 and those of 10:00:00 at once.
        Clock->Utc = In("Europe/Berlin", "2026-06-10 09:59:59.500").toMSecsSinceEpoch();
        FMgr->PollTasks();
        QTRY_COMPARE(RemindedIDs.size(), Expected.size());
        QCOMPARE(RemindedIDs, Expected);
    }

    // After a gap of days only the tasks of the last 24 hours before it are named.
    void gapNamesOnlyTheLastDay() {
        FTable->Insert("two days before", {2026, 6, 8}, QTime(12, 0, 0), "指定日期");
        FTable->Insert("25 h before", {2026, 6, 9}, QTime(9, 0, 0), "指定日期");
        FTable->Insert("23 h before", {2026, 6, 9}, QTime(11, 0, 0), "指定日期");
        FTable->Insert("an hour before", {2026, 6, 10}, QTime(9, 0, 0), "指定日期");
        NewManager(QTimeZone("Europe/Berlin"), In("Europe/Berlin", "2026-06-07 10:00:00.500"));
        FMgr->PollTasks();
        FClock->SetWallBy(3LL * 24 * 3600 * 1000);
        FMgr->PollTasks();
        QTRY_COMPARE(FNotices.size(), 1);
        QCOMPARE(NamesIn(FNotices), QStringList({"23 h before", "an hour before"}));
    }

    // Reminders not handed on when the scheduler ends (found for the coming second) are named
    // at the next start, once.
    void pendingAtTheEndAreNamedAtTheNextStart() {
        FTable->Insert("coming", {2026, 1, 1}, QTime(10, 0, 0));
        NewManager(QTimeZone("Europe/Berlin"), In("Europe/Berlin", "2026-06-10 09:59:59.100"));
        PendingReminders::Save({"10.06.26 09:59:00 waiting before"});
        FMgr->PollTasks();
        QCOMPARE(FMgr->PendingCount(), 1);
        FMgr.reset();
        QVERIFY(Reminded.isEmpty());
        NewManager(QTimeZone("Europe/Berlin"), In("Europe/Berlin", "2026-06-10 10:05:00.000"));
        FMgr->Start();
        QTRY_COMPARE(FNotices.size(), 1);
        QCOMPARE(NamesIn(FNotices), QStringList({"waiting before", "coming"}));
        QVERIFY(!QFile::exists(PendingReminders::FileName()));
        FMgr.reset();
        NewManager(QTimeZone("Europe/Berlin"), In("Europe/Berlin", "2026-06-10 10:06:00.000"));
        FMgr->Start();
        // Nothing kept, so the notice would have been posted by Start itself: one pass of the
        // event loop delivers what was posted.
        QCoreApplication::processEvents();
        QCOMPARE(FNotices.size(), 1);
    }
};

QTEST_MAIN(tst_TaskClock)
#include "tst_taskclock.moc"
