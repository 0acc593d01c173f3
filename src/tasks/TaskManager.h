#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Clock.h"
#include "TaskOccurrences.h"
#include "config/FileStamp.h"

class QSqlQuery;
class TTaskManager;

// One due occurrence of a row of table Task: a snapshot of the row taken when the scheduler found
// it, and the one-shot timer that fires at its start second. The snapshot is never refreshed, so
// a row changed or deleted afterwards does not alter a reminder already on its way.
class TTask : public QObject {
    Q_OBJECT
public:
    explicit TTask(TTaskManager *Mgr);
    ~TTask() override;

    // Sets the timer to the task's start second and starts it.
    void Start();
    bool Running() const { return FTimer.isActive(); }
    // How long until the timer fires, in milliseconds; -1 when it is not running.
    int RemainingMs() const { return FTimer.remainingTime(); }
    // The moment at which this occurrence is due, in seconds since 1970 (UTC): the first second
    // at which the local clock shows its start time or a later one.
    qint64 DueSecond() const { return FDueSecond; }
    void SetDueSecond(qint64 Value) { FDueSecond = Value; }
    // The occurrence's local date and time, in seconds from 1899-12-30 00:00:00: with the ID, what
    // tells one occurrence from another.
    qint64 WallSecond() const { return FWallSecond; }
    // How late the reminder came, measured when it was handed on (0 before that).
    qint64 LateMs() const { return FLateMs; }
    // Whether it came too late for its action to be carried out.
    bool Late() const;
    // The clock the scheduler reads, for those that carry the reminder on.
    std::shared_ptr<const TClock> ClockShared() const;
    // The line that names this occurrence in the notice of tasks not reminded.
    QString NoticeLine() const;

    QString ID;
    QString Name;
    double StartDate = 0;
    double StartTime = 0;
    QString TaskType;
    QString Msg;
    QString ExecTarget;
    QString ExecType;

private:
    friend class TTaskManager;
    void Remind();

    QTimer FTimer;
    TTaskManager *FMgr;
    qint64 FDueSecond = 0;
    qint64 FWallSecond = 0;
    // The due moment on the clock's elapsed scale, which setting the time does not move.
    qint64 FDueElapsedMs = 0;
    qint64 FLateMs = 0;
    // Fired while nothing was bound to OnRemind: kept until a handler is bound.
    bool FHeld = false;
    // Set while the task's own timer notification runs: the task is then released only after the
    // notification has returned.
    bool FFiring = false;
};

// Finds the tasks that are due and announces each at its start second. Once a second it asks the
// table for the rows whose start time of day lies in the seconds since its previous look, up to
// the coming second, keeps those whose recurrence falls on the day of that second, and turns each
// into a pending TTask whose timer raises OnRemind.
class TTaskManager {
public:
    // A plain procedure, not bound to an object; may be unset.
    using TOnRemind = void (*)(TTask *Task);
    // How far back a late poll catches up: a task never fires long after its time (a computer
    // that slept through a shutdown task must not switch off when it wakes).
    static constexpr qint64 MaxCatchUpSeconds = 60;
    // The tasks of a longer gap are not carried out but listed to the user, looking back at most
    // this far.
    static constexpr qint64 MaxMissedSeconds = 24 * 3600;
    // How many missed tasks the notice names one by one.
    static constexpr int MaxMissedListed = 20;
    // A reminder that comes up later than this after its second is shown marked late, and its
    // action (an opening, a power-off) is not carried out: a computer that slept or a process
    // that stood still through a shutdown task must not switch off when it wakes.
    static constexpr qint64 LateAfterMs = 10000;
    // The heading of the notice that names the tasks not reminded.
    static QString MissedNotice(const QStringList &Lines);

    explicit TTaskManager(std::shared_ptr<const TClock> Clock);
    virtual ~TTaskManager();
    TTaskManager(const TTaskManager &) = delete;
    TTaskManager &operator=(const TTaskManager &) = delete;

    // Starts polling; the first poll comes about one second later. The reminders that were due
    // but not shown when the program last ended are named in a notice first.
    void Start();
    // The database's fault has just been shown to the user (the main window could not open it):
    // polls stay quiet about it until one has succeeded.
    void FaultShown() { FFaultShown = true; }
    // False for none or for an ID already pending; otherwise the manager takes the task.
    bool AddTask(std::unique_ptr<TTask> Task);
    bool DeleteTaskByID(const QString &TaskID);
    bool ExistsTask(const QString &TaskID) const;
    TTask *GetTaskByID(const QString &TaskID) const;
    int PendingCount() const { return static_cast<int>(FTaskList.size()); }
    // The occurrences taken (reminded, pending or listed) that are still remembered.
    int RememberedCount() const { return FTaken.Size(); }

    TOnRemind OnRemind() const { return FOnRemind; }
    // Binding a handler hands it, from the event loop, the tasks that fell due while none was
    // bound.
    void SetOnRemind(TOnRemind Value);
    // How the scheduler tells the user something: a fault of the database or of a handler (Error),
    // or a notice. Faults of a poll and notices come from the event loop, never from inside a
    // poll; unset, they are dropped.
    using TOnReport = std::function<void(const QString &Text, bool Error)>;
    void SetOnReport(TOnReport Value) { FOnReport = std::move(Value); }
    // The tasks that fell due while no handler was bound and wait for one.
    int HeldCount() const;
    const TClock &Clock() const { return *FClock; }
    std::shared_ptr<const TClock> ClockShared() const { return FClock; }

    // One polling step; the poll timer runs it once a second.
    void PollTasks();

    // The selection of one poll: the rows whose start second of the day lies after the first
    // bound value and not after the second, answered from the index TaskStartSecond.
    static QString SelectSql();
    // Whether a row with this recurrence and start date is due on Day.
    static bool IsDue(const QString &ExecType, double StartDate, const QDate &Day);

private:
    std::unique_ptr<TTask> CreateTask(const QSqlQuery &Query, qint64 DueSecond, qint64 WallSecond);
    friend class TTask;
    // Hands on, in the order they fell due, every pending task due no later than Upto.
    void RemindDue(qint64 Upto);
    void RemindInOrder(std::vector<std::unique_ptr<TTask>> Batch);
    void ReleaseTask(std::unique_ptr<TTask> Task);
    // The seconds after From up to To (since 1970, UTC), seen on the local clock of Now's zone.
    void QueryWindow(const QDateTime &Now, qint64 From, qint64 To, QStringList *Missed = nullptr);
    // Runs the selection for those seconds. With Missed, the due rows are only listed there, as
    // text, instead of becoming tasks.
    void RunSelection(QSqlQuery &Query, const QDateTime &Now, qint64 From, qint64 To,
                      QStringList *Missed = nullptr);
    void CloseConnection();
    void ReportLater(const QString &Text, bool Error);
    void Report(const QString &Text, bool Error);
    // Runs Fn as one entry from the event loop: what it raises is reported as a fault.
    void Guard(const std::function<void()> &Fn);
    void DeliverHeld();

    std::shared_ptr<const TClock> FClock;
    std::vector<std::pair<QString, std::unique_ptr<TTask>>> FTaskList;
    QTimer FTimerGet;
    TOnRemind FOnRemind = nullptr;
    TOnReport FOnReport;
    QString FConnectionName;
    // The selection, prepared on the open connection, and what it was opened for.
    std::unique_ptr<QSqlQuery> FQuery;
    QString FOpenConnStr;
    TFileStamp FOpenStamp;
    // The last second (since 1970, UTC) that a successful poll has looked at; valid once FPolled.
    // Kept in UTC, so that summer time and a change of zone are no step of the clock; the
    // occurrences taken are remembered by their local time, so that a local time passed twice
    // (the clock set back, summer time ending, a zone further west) is reminded once.
    qint64 FPolledTo = 0;
    TOccurrences FTaken;
    bool FPolled = false;
    // A lasting database fault is shown once, and again only after a poll has succeeded.
    bool FFaultShown = false;
};
