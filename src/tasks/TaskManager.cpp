#include "TaskManager.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <iterator>

#include "OleDate.h"
#include "TaskDb.h"
#include "TaskKinds.h"
#include "config/Config.h"
#include "dialogs/Error.h"

namespace {

qint64 FloorDiv(qint64 A, qint64 B) {
    return A / B - ((A % B != 0) && ((A < 0) != (B < 0)) ? 1 : 0);
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

// ---- TTask ----

TTask::TTask(TTaskManager *Mgr) : FMgr(Mgr) {
    FTimer.setSingleShot(true);
    // The reminder is meant for its exact second; a coarse timer may be 5 % late.
    FTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimer, &QTimer::timeout, this, [this] { Remind(); });
}

TTask::~TTask() {
    FTimer.stop();
}

void TTask::Start() {
    const qint64 NowMs = OleDate::WallMSecs(FMgr->Clock().Now());
    // A task caught up after a late poll is already due: it fires at once.
    const qint64 Delay = std::max<qint64>(0, FDueSecond * 1000 - NowMs);
    FTimer.start(static_cast<int>(std::min<qint64>(Delay, 24 * 3600 * 1000)));
}

void TTask::Remind() {
    FTimer.stop();
    TTaskManager *Mgr = FMgr;
    const TTaskManager::TOnRemind Handler = Mgr->OnRemind();
    if (!Handler) {
        // Nobody to tell yet: the task waits in the list until a handler is bound, rather than
        // being dropped without a window or its action.
        FHeld = true;
        return;
    }
    FFiring = true;
    Mgr->Guard([&] { Handler(this); });
    // The manager lets go of the task. This runs inside the task's own timer notification, so the
    // release waits until the notification has returned (ReleaseTask).
    Mgr->DeleteTask(this);
}

// ---- TTaskManager ----

TTaskManager::TTaskManager(std::shared_ptr<const TClock> Clock)
    : FClock(Clock ? std::move(Clock) : std::make_shared<TSystemClock>()) {
    FConnectionName = QString("TaskManager.%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
    FTimerGet.setInterval(1000);
    FTimerGet.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimerGet, &QTimer::timeout, &FTimerGet,
                     [this] { Guard([this] { PollTasks(); }); });
}

TTaskManager::~TTaskManager() {
    FTimerGet.stop();
    // Pending tasks vanish without a reminder.
    auto List = std::move(FTaskList);
    FTaskList.clear();
    for (auto &Entry : List)
        ReleaseTask(std::move(Entry.second));
    CloseConnection();
    if (QSqlDatabase::contains(FConnectionName))
        QSqlDatabase::removeDatabase(FConnectionName);
}

void TTaskManager::Start() {
    FTimerGet.start();
}

void TTaskManager::SetOnRemind(TOnRemind Value) {
    FOnRemind = Value;
    if (Value && HeldCount() > 0)
        QTimer::singleShot(0, &FTimerGet, [this] { DeliverHeld(); });
}

int TTaskManager::HeldCount() const {
    return static_cast<int>(std::count_if(FTaskList.begin(), FTaskList.end(),
                                          [](const auto &Entry) { return Entry.second->FHeld; }));
}

void TTaskManager::DeliverHeld() {
    // Each held task fires again from its own timer, in the order they fell due.
    if (!FOnRemind)
        return;
    for (auto &Entry : FTaskList)
        if (Entry.second->FHeld) {
            Entry.second->FHeld = false;
            Entry.second->FTimer.start(0);
        }
}

void TTaskManager::ReportLater(const QString &Text, bool Error) {
    // The box is shown from the event loop, not from inside the poll: a modal box runs a loop of
    // its own, in which a poll timer whose notification is still running would never fire again,
    // so no task would come up until the box was answered.
    QTimer::singleShot(0, &FTimerGet, [this, Text, Error] { Guard([&] { Report(Text, Error); }); });
}

void TTaskManager::Report(const QString &Text, bool Error) {
    if (FOnReport)
        FOnReport(Text, Error);
}

void TTaskManager::Guard(const std::function<void()> &Fn) {
    try {
        Fn();
    } catch (const EReported &) {
        // Shown once already, where its cause was found.
    } catch (const EError &E) {
        Report(E.Text(), true);
    } catch (const std::exception &E) {
        Report(QString::fromUtf8(E.what()), true);
    } catch (...) {
        Report("Unknown error", true);
    }
}

bool TTaskManager::AddTask(std::unique_ptr<TTask> Task) {
    if (!Task || ExistsTask(Task->ID))
        return false;
    const QString Key = Task->ID;
    FTaskList.emplace_back(Key, std::move(Task));
    return true;
}

bool TTaskManager::DeleteTaskByID(const QString &TaskID) {
    const auto It = std::find_if(FTaskList.begin(), FTaskList.end(),
                                 [&](const auto &Entry) { return Entry.first == TaskID; });
    if (It == FTaskList.end())
        return false;
    std::unique_ptr<TTask> Task = std::move(It->second);
    FTaskList.erase(It);
    ReleaseTask(std::move(Task));
    return true;
}

void TTaskManager::ReleaseTask(std::unique_ptr<TTask> Task) {
    if (!Task)
        return;
    Task->FTimer.stop();
    if (Task->FFiring)
        Task.release()->deleteLater(); // its timer's notification is still on the stack
    else
        Task.reset();
}

void TTaskManager::DeleteTask(TTask *Task) {
    const auto It = std::find_if(FTaskList.begin(), FTaskList.end(),
                                 [&](const auto &Entry) { return Entry.second.get() == Task; });
    if (It == FTaskList.end())
        return;
    std::unique_ptr<TTask> Owned = std::move(It->second);
    FTaskList.erase(It);
    ReleaseTask(std::move(Owned));
}

bool TTaskManager::ExistsTask(const QString &TaskID) const {
    return GetTaskByID(TaskID) != nullptr;
}

TTask *TTaskManager::GetTaskByID(const QString &TaskID) const {
    for (const auto &Entry : FTaskList)
        if (Entry.first == TaskID)
            return Entry.second.get();
    return nullptr;
}

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
    const qint64 NowSecond = FloorDiv(OleDate::WallMSecs(FClock->Now()), 1000);
    const qint64 To = NowSecond + 1; // the coming second
    qint64 From = NowSecond;         // exclusive
    // Seconds of a long gap that are too old to be carried out now.
    qint64 MissedFrom = To;
    qint64 MissedTo = To;
    if (FPolled) {
        if (FPolledTo <= To) {
            // From where the previous poll ended: a late or skipped tick loses nothing, but a long
            // gap (suspend, the clock set forward, a lasting database fault) catches up only the
            // last minute, and the tasks before it are listed to the user instead.
            From = std::max(FPolledTo, To - MaxCatchUpSeconds);
            if (FPolledTo < From) {
                MissedTo = From;
                MissedFrom = std::max(FPolledTo, From - MaxMissedSeconds);
            }
        } else if (FPolledTo - To <= MaxCatchUpSeconds) {
            // A second poll within the same second, or the clock stepped back a little: these
            // seconds have been looked at already.
            return;
        }
        // The clock was set back further: start again from now.
    }
    if (From >= To)
        return;

    QString Failure;
    QStringList Missed;
    try {
        if (MissedFrom < MissedTo)
            QueryWindow(MissedFrom, MissedTo, &Missed);
        QueryWindow(From, To);
    } catch (const EReported &) {
        // The cause has had its box (a settings file that could not be read): no second one,
        // and the window is kept as for any fault.
        FFaultShown = true;
        return;
    } catch (const EError &E) {
        Failure = E.Text();
    } catch (const std::exception &E) {
        Failure = QString::fromUtf8(E.what());
    }
    if (Failure.isEmpty()) {
        FPolled = true;
        FPolledTo = To;
        FFaultShown = false;
        if (!Missed.isEmpty()) {
            QStringList Lines = Missed.mid(0, MaxMissedListed);
            if (Missed.size() > MaxMissedListed)
                Lines << QString("……共%1个任务").arg(Missed.size());
            ReportLater("以下任务到时未能提醒，也未执行:\n" + Lines.join('\n'), false);
        }
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

void TTaskManager::QueryWindow(qint64 From, qint64 To, QStringList *Missed) {
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
        RunSelection(*FQuery, From, To, Missed);
    } catch (...) {
        // Opened again at the next poll, so a mended file is picked up.
        CloseConnection();
        throw;
    }
}

void TTaskManager::RunSelection(QSqlQuery &Query, qint64 From, qint64 To, QStringList *Missed) {
    // The window may span midnight: one range of seconds of the day for each day it touches, and
    // each row's recurrence is tested on the day of the second in which it is due.
    for (qint64 Day = FloorDiv(From + 1, OleDate::SecondsPerDay) * OleDate::SecondsPerDay;
         Day <= To; Day += OleDate::SecondsPerDay) {
        const qint64 Low = std::max(From, Day - 1) - Day;
        const qint64 High = std::min(To, Day + OleDate::SecondsPerDay - 1) - Day;
        const QDate Date = OleDate::DayOfWallSecond(Day);
        Query.bindValue(0, Low);
        Query.bindValue(1, High);
        if (!Query.exec())
            throw EError(Query.lastError().text());
        while (Query.next()) {
            if (!IsDue(Query.value(SelExecType).toString(), Query.value(SelStartDate).toDouble(),
                       Date))
                continue;
            const qint64 Second = Query.value(SelStartSecond).toLongLong();
            if (Missed)
                *Missed << OleDate::ShortDateText(Date) + " " +
                               OleDate::LongTimeText(
                                   QTime(0, 0).addSecs(static_cast<int>(Second))) +
                               " " + Query.value(SelName).toString();
            else
                AddTask(CreateTask(Query, Day + Second));
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

std::unique_ptr<TTask> TTaskManager::CreateTask(const QSqlQuery &Query, qint64 DueSecond) {
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
    Task->Start();
    return Task;
}
