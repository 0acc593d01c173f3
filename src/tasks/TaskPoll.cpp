#include "TaskManager.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <iterator>

#include "OleDate.h"
#include "PendingReminders.h"
#include "TaskDb.h"
#include "TaskKinds.h"
#include "config/Config.h"
#include "dialogs/Error.h"

using OleDate::FloorDiv;

namespace {

// The local date and time of a moment (seconds since 1970, UTC), in seconds from day zero, in the
// zone of Like: a QDateTime of local time follows the system's zone, one of a named zone that.
qint64 WallSecondAt(const QDateTime &Like, qint64 UtcSecond) {
    QDateTime At = Like;
    At.setMSecsSinceEpoch(UtcSecond * 1000);
    return FloorDiv(OleDate::WallMSecs(At), 1000);
}

// The second of the day, exactly as the index TaskStartSecond computes it, so that SQLite answers
// the range from the index instead of reading every row.
QString SecondExpr() {
    return QString("CAST(round(%1 * 86400) AS INTEGER)").arg(TaskColumns::StartTime);
}

// What one poll reads of a row, in the order of the selection; the start second comes last.
enum TSelected {
    SelID,
    SelName,
    SelStartDate,
    SelStartTime,
    SelTaskType,
    SelMsg,
    SelExecTarget,
    SelExecType,
    SelStartSecond
};
const char *const SelectedColumns[] = {
    TaskColumns::ID,       TaskColumns::Name, TaskColumns::StartDate,  TaskColumns::StartTime,
    TaskColumns::TaskType, TaskColumns::Msg,  TaskColumns::ExecTarget, TaskColumns::ExecType};
static_assert(std::size(SelectedColumns) == SelStartSecond);

// The day of the month a monthly or yearly task falls on: its own day, or the last day of a
// shorter month (31 January -> 28/29 February, 29 February -> 28 February).
int DayInMonth(int Day, const QDate &Month) {
    return std::min(Day, Month.daysInMonth());
}

} // namespace

bool TTaskManager::IsDue(const QString &ExecType, double StartDate, const QDate &Day) {
    const QDate Start = OleDate::ToDate(StartDate);
    // A start date that is no date at all (bad data) is never due.
    if (!Start.isValid() || !Day.isValid() || Day < Start)
        return false;
    if (ExecType == TaskKinds::Daily)
        return true;
    if (ExecType == TaskKinds::Weekly)
        return Day.dayOfWeek() == Start.dayOfWeek();
    if (ExecType == TaskKinds::Monthly)
        return Day.day() == DayInMonth(Start.day(), Day);
    if (ExecType == TaskKinds::Yearly)
        return Day.month() == Start.month() && Day.day() == DayInMonth(Start.day(), Day);
    if (ExecType == TaskKinds::OnDate)
        return Day == Start;
    return false;
}

void TTaskManager::PollTasks() {
    const QDateTime Now = FClock->Now();
    const qint64 NowSecond = FloorDiv(Now.toMSecsSinceEpoch(), 1000);
    const qint64 To = NowSecond + 1; // the coming second
    qint64 From = NowSecond;         // exclusive
    // Seconds of a long gap that are too old to be carried out now.
    qint64 MissedFrom = To;
    qint64 MissedTo = To;
    if (FPolled && FPolledTo <= To) {
        // From where the previous poll ended: a late or skipped tick loses nothing, but a long
        // gap (suspend, the clock set forward, a lasting database fault) catches up only the
        // last minute, and the tasks before it are listed to the user instead.
        From = std::max(FPolledTo, To - MaxCatchUpSeconds);
        if (FPolledTo < From) {
            MissedTo = From;
            MissedFrom = std::max(FPolledTo, From - MaxMissedSeconds);
        }
    }
    // The clock set back: the window starts again from now, and the occurrences taken before are
    // remembered, so none comes twice.
    if (From >= To)
        return;

    QString Failure;
    bool Reported = false;
    QStringList Missed;
    try {
        if (MissedFrom < MissedTo)
            QueryWindow(Now, MissedFrom, MissedTo, &Missed);
        QueryWindow(Now, From, To);
    } catch (const EReported &) {
        // The cause has had its box (a settings file that could not be read): no second one,
        // and the window is kept as for any fault.
        Reported = true;
    } catch (const EError &E) {
        Failure = E.Text();
    } catch (const std::exception &E) {
        Failure = QString::fromUtf8(E.what());
    }
    // Named also when the poll failed after listing them: they are taken, and not listed again.
    if (!Missed.isEmpty())
        ReportLater(MissedNotice(Missed), false);
    if (Reported) {
        FFaultShown = true;
        return;
    }
    if (Failure.isEmpty()) {
        FPolled = true;
        FPolledTo = To;
        FFaultShown = false;
        return;
    }
    // The window is not moved on, so the seconds of a fault are caught up (or listed) afterwards.
    if (!FFaultShown) {
        FFaultShown = true;
        ReportLater(Failure, true);
    }
}

void TTaskManager::CloseConnection() {
    FQuery.reset();
    FOpenConnStr.clear();
    FOpenStamp = {};
    if (QSqlDatabase::contains(FConnectionName))
        QSqlDatabase::database(FConnectionName, false).close();
}

void TTaskManager::QueryWindow(const QDateTime &Now, qint64 From, qint64 To, QStringList *Missed) {
    // The connection and its prepared selection stay from poll to poll while cfg.ini names the
    // same file and that file is unchanged: opening the database and reading its schema every
    // second would cost several times the query itself. The connection string is read afresh
    // each time, so a changed cfg.ini is seen at the next poll; a file put in the place of the
    // open one is opened anew (a write moves the stamp too, which costs one reopening). Open
    // reports a missing file; the query tells an unusable one.
    try {
        const QString ConnStr = Config().ConnStr();
        const TFileStamp Stamp = TFileStamp::Of(TaskDb::DataSource(ConnStr));
        if (!FQuery || !Stamp.Exists || ConnStr != FOpenConnStr || Stamp != FOpenStamp) {
            CloseConnection();
            QSqlDatabase Db = TaskDb::Open(ConnStr, FConnectionName, false);
            auto Query = std::make_unique<QSqlQuery>(Db);
            Query->setForwardOnly(true);
            if (!Query->prepare(SelectSql()))
                throw EError(Query->lastError().text());
            FQuery = std::move(Query);
            FOpenConnStr = ConnStr;
            FOpenStamp = Stamp;
        }
        RunSelection(*FQuery, Now, From, To, Missed);
    } catch (...) {
        // Opened again at the next poll, so a mended file is picked up.
        CloseConnection();
        throw;
    }
}

void TTaskManager::RunSelection(QSqlQuery &Query, const QDateTime &Now, qint64 From, qint64 To,
                                QStringList *Missed) {
    // The local times these seconds pass over. Summer time ending or a zone further west shows
    // local times again that were passed already: those are not looked at again. Summer time
    // beginning skips local times: they fall due with the first second after them.
    const qint64 WallFrom = WallSecondAt(Now, From);
    const qint64 WallTo = WallSecondAt(Now, To);
    if (WallTo <= WallFrom)
        return;
    const qint64 Elapsed = FClock->ElapsedMs();
    // The window may span midnight: one range of seconds of the day for each day it touches, and
    // each row's recurrence is tested on the day of the second in which it is due.
    for (qint64 Day = FloorDiv(WallFrom + 1, OleDate::SecondsPerDay) * OleDate::SecondsPerDay;
         Day <= WallTo; Day += OleDate::SecondsPerDay) {
        const qint64 Low = std::max(WallFrom, Day - 1) - Day;
        const qint64 High = std::min(WallTo, Day + OleDate::SecondsPerDay - 1) - Day;
        const QDate Date = OleDate::DayOfWallSecond(Day);
        Query.bindValue(0, Low);
        Query.bindValue(1, High);
        if (!Query.exec())
            throw EError(Query.lastError().text());
        while (Query.next()) {
            if (!IsDue(Query.value(SelExecType).toString(), Query.value(SelStartDate).toDouble(),
                       Date))
                continue;
            const qint64 Wall = Day + Query.value(SelStartSecond).toLongLong();
            // Listed or reminded, an occurrence is taken once.
            if (!FTaken.Take(Query.value(SelID).toString(), Wall, Elapsed))
                continue;
            if (Missed) {
                *Missed << PendingReminders::Line(Date,
                                                  QTime(0, 0).addSecs(static_cast<int>(Wall - Day)),
                                                  Query.value(SelName).toString());
                continue;
            }
            // The moment at which the local clock shows that time: with the offset from UTC at
            // one end of the window or the other, or, for a time the clock skipped, the end.
            qint64 Due = Wall - (WallTo - To);
            if (Due <= From || Due > To)
                Due = Wall - (WallFrom - From);
            if (Due <= From || Due > To)
                Due = To;
            AddTask(CreateTask(Query, Due, Wall));
        }
        if (Query.lastError().isValid())
            throw EError(Query.lastError().text());
        Query.finish();
    }
}

QString TTaskManager::SelectSql() {
    QStringList Columns;
    for (const char *Column : SelectedColumns)
        Columns << Column;
    return QString("SELECT %1, %2 AS StartSecond FROM Task WHERE %2 > ? AND %2 <= ?")
        .arg(Columns.join(", "), SecondExpr());
}

std::unique_ptr<TTask> TTaskManager::CreateTask(const QSqlQuery &Query, qint64 DueSecond,
                                                qint64 WallSecond) {
    const QString ID = Query.value(SelID).toString();
    // Two polls of the same second must not make two reminders.
    if (ExistsTask(ID))
        return nullptr;
    auto Task = std::make_unique<TTask>(this);
    Task->ID = ID;
    Task->Name = Query.value(SelName).toString();
    Task->StartDate = Query.value(SelStartDate).toDouble();
    Task->StartTime = Query.value(SelStartTime).toDouble();
    Task->TaskType = Query.value(SelTaskType).toString();
    Task->Msg = Query.value(SelMsg).toString();
    Task->ExecTarget = Query.value(SelExecTarget).toString();
    Task->ExecType = Query.value(SelExecType).toString();
    Task->SetDueSecond(DueSecond);
    Task->FWallSecond = WallSecond;
    Task->Start();
    return Task;
}
