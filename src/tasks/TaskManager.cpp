#include "TaskManager.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>

#include "OleDate.h"
#include "PendingReminders.h"
#include "dialogs/Error.h"

namespace {

// The order in which tasks due together are handed on: by their moment, their local time, then
// their ID as a number (IDs are numbers in the table; text sorts after them).
bool DueBefore(const TTask &A, const TTask &B) {
    if (A.DueSecond() != B.DueSecond())
        return A.DueSecond() < B.DueSecond();
    if (A.WallSecond() != B.WallSecond())
        return A.WallSecond() < B.WallSecond();
    bool NumA = false;
    bool NumB = false;
    const qint64 IdA = A.ID.toLongLong(&NumA);
    const qint64 IdB = B.ID.toLongLong(&NumB);
    if (NumA != NumB)
        return NumA;
    return NumA ? IdA < IdB : A.ID < B.ID;
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
    const TClock &Clock = FMgr->Clock();
    const qint64 Delay = FDueSecond * 1000 - Clock.Now().toMSecsSinceEpoch();
    // The due moment also on the elapsed scale: a process that stands still until long after it
    // shows there even when the time of day has been set back meanwhile.
    FDueElapsedMs = Clock.ElapsedMs() + Delay;
    // A task caught up after a late poll is already due: it fires at once.
    FTimer.start(static_cast<int>(std::clamp<qint64>(Delay, 0, 24 * 3600 * 1000)));
}

bool TTask::Late() const {
    return FLateMs > TTaskManager::LateAfterMs;
}

std::shared_ptr<const TClock> TTask::ClockShared() const {
    return FMgr->ClockShared();
}

QString TTask::NoticeLine() const {
    return PendingReminders::Line(
        OleDate::DayOfWallSecond(FWallSecond),
        QTime(0, 0).addSecs(
            static_cast<int>(FWallSecond - OleDate::FloorDiv(FWallSecond, OleDate::SecondsPerDay) *
                                               OleDate::SecondsPerDay)),
        Name);
}

void TTask::Remind() {
    FTimer.stop();
    // The tasks of one second each have a timer of their own, and timers of the same moment fire
    // in no set order: the first to fire hands on all that are due by then, in their order.
    FFiring = true;
    FMgr->RemindDue(FDueSecond);
    FFiring = false;
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
    // Pending tasks are not reminded now; they are named at the next start instead of vanishing.
    auto List = std::move(FTaskList);
    FTaskList.clear();
    std::vector<TTask *> Unshown;
    for (auto &Entry : List)
        Unshown.push_back(Entry.second.get());
    std::sort(Unshown.begin(), Unshown.end(), [](TTask *A, TTask *B) { return DueBefore(*A, *B); });
    QStringList Lines;
    for (TTask *Task : Unshown)
        Lines << Task->NoticeLine();
    PendingReminders::Append(Lines);
    for (auto &Entry : List)
        ReleaseTask(std::move(Entry.second));
    CloseConnection();
    if (QSqlDatabase::contains(FConnectionName))
        QSqlDatabase::removeDatabase(FConnectionName);
}

void TTaskManager::Start() {
    const QStringList Unshown = PendingReminders::Take();
    if (!Unshown.isEmpty())
        ReportLater(MissedNotice(Unshown), false);
    FTimerGet.start();
}

QString TTaskManager::MissedNotice(const QStringList &Missed) {
    QStringList Lines = Missed.mid(0, MaxMissedListed);
    if (Missed.size() > MaxMissedListed)
        Lines << QString("……共%1个任务").arg(Missed.size());
    return "以下任务到时未能提醒，也未执行:\n" + Lines.join('\n');
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
    if (!FOnRemind)
        return;
    std::vector<std::unique_ptr<TTask>> Batch;
    for (auto It = FTaskList.begin(); It != FTaskList.end();)
        if (It->second->FHeld) {
            Batch.push_back(std::move(It->second));
            It = FTaskList.erase(It);
        } else {
            ++It;
        }
    RemindInOrder(std::move(Batch));
}

void TTaskManager::RemindDue(qint64 Upto) {
    // Taken out of the list first: a handler that opens a box runs an event loop of its own, in
    // which further timers fire and must not meet these tasks again.
    std::vector<std::unique_ptr<TTask>> Batch;
    for (auto It = FTaskList.begin(); It != FTaskList.end();)
        if (!It->second->FHeld && It->second->FDueSecond <= Upto) {
            Batch.push_back(std::move(It->second));
            It = FTaskList.erase(It);
        } else {
            ++It;
        }
    RemindInOrder(std::move(Batch));
}

void TTaskManager::RemindInOrder(std::vector<std::unique_ptr<TTask>> Batch) {
    std::stable_sort(Batch.begin(), Batch.end(),
                     [](const auto &A, const auto &B) { return DueBefore(*A, *B); });
    for (auto &Task : Batch) {
        Task->FTimer.stop();
        if (!FOnRemind) {
            // Nobody to tell yet: the task waits in the list until a handler is bound, rather
            // than being dropped without a window or its action.
            Task->FHeld = true;
            const QString Key = Task->ID;
            FTaskList.emplace_back(Key, std::move(Task));
            continue;
        }
        // Late by the time of day (a suspended computer: its elapsed clock may stand still) or
        // by the elapsed clock (a frozen process whose time of day was set back meanwhile).
        Task->FLateMs = std::max(FClock->Now().toMSecsSinceEpoch() - Task->FDueSecond * 1000,
                                 FClock->ElapsedMs() - Task->FDueElapsedMs);
        const TOnRemind Handler = FOnRemind;
        Guard([&] { Handler(Task.get()); });
        ReleaseTask(std::move(Task));
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
bool TTaskManager::ExistsTask(const QString &TaskID) const {
    return GetTaskByID(TaskID) != nullptr;
}

TTask *TTaskManager::GetTaskByID(const QString &TaskID) const {
    for (const auto &Entry : FTaskList)
        if (Entry.first == TaskID)
            return Entry.second.get();
    return nullptr;
}
