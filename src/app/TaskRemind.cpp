#include "TaskRemind.h"

#include <QCoreApplication>
#include <QTimer>
#include <array>
#include <deque>

#include "Images.h"

#include "dialogs/Dialogs.h"
#include "tasks/PendingReminders.h"
#include "tasks/Pop.h"
#include "tasks/TaskManager.h"

namespace {

// The remind procedure is a plain procedure, so the services it hands on live here.
platform::TPlatform RemindPlatform;

// What a reminder window shows and does: a copy, since the scheduler frees the task right after
// the remind procedure returns.
struct TReminder {
    QString Name;
    double StartDate = 0;
    double StartTime = 0;
    QString TaskType;
    QString Msg;
    QString ExecTarget;
    QString ExecType;
    // How late it was when the scheduler handed it on, and the clock that was measured on.
    qint64 LateMs = 0;
    std::shared_ptr<const TClock> Clock;
    // How the notice of tasks not reminded names it, should the program end before it is shown.
    QString Line;
};

std::deque<TReminder> Waiting;
// The windows up now, by their place in the stack (0 at the bottom).
std::array<TFrm_Pop *, MaxReminderWindows> Shown{};

void ShowWaiting();

// The reminders still waiting are kept in a file from shortly after each change, so that those
// the program ends before showing (also when it is made to end at once) are named at the next
// start. One write for a burst: the file is written from the event loop, not at each change.
bool SaveQueued = false;

void SaveWaiting() {
    SaveQueued = false;
    QStringList Lines;
    for (const TReminder &R : Waiting)
        Lines << R.Line;
    PendingReminders::Save(Lines);
}

void WaitingChanged() {
    static bool HookedToQuit = false;
    if (!HookedToQuit && QCoreApplication::instance()) {
        HookedToQuit = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         [] { SaveWaiting(); });
    }
    if (SaveQueued || QCoreApplication::closingDown())
        return;
    SaveQueued = true;
    QTimer::singleShot(200, QCoreApplication::instance(), [] { SaveWaiting(); });
}

void Open(const TReminder &R, int Slot) {
    // No owner: the window lives on its own timers and releases itself once it has closed.
    auto *Pop = new TFrm_Pop(RemindPlatform.Shell, RemindPlatform.Power);
    Pop->SetReleaseOnClose(true);
    Pop->setWindowIcon(ProgramIcon());
    Pop->SetStackIndex(Slot);
    Pop->SetTaskName(R.Name);
    Pop->SetStartDate(R.StartDate);
    Pop->SetStartTime(R.StartTime);
    Pop->SetTaskType(R.TaskType);
    Pop->SetTaskMsg(R.Msg);
    Pop->SetExecTarget(R.ExecTarget);
    Pop->SetExecType(R.ExecType);
    Pop->SetClock(R.Clock);
    Pop->SetLateMs(R.LateMs);
    Shown[Slot] = Pop;
    QObject::connect(Pop, &QObject::destroyed, [Slot] {
        Shown[Slot] = nullptr;
        // From the event loop: not while the program is taking its windows down.
        if (!Waiting.empty() && !QCoreApplication::closingDown())
            QTimer::singleShot(0, QCoreApplication::instance(), Dialogs::Guarded(ShowWaiting));
    });
    Pop->Pop();
}

void ShowWaiting() {
    for (int Slot = 0; Slot < MaxReminderWindows && !Waiting.empty(); ++Slot)
        if (!Shown[Slot]) {
            const TReminder R = std::move(Waiting.front());
            Waiting.pop_front();
            Open(R, Slot);
        }
    WaitingChanged();
}

} // namespace

void SetRemindPlatform(const platform::TPlatform &Platform) {
    RemindPlatform = Platform;
}

int RemindersWaiting() {
    return static_cast<int>(Waiting.size());
}

void TaskManagerRemind(TTask *Task) {
    Waiting.push_back({Task->Name, Task->StartDate, Task->StartTime, Task->TaskType, Task->Msg,
                       Task->ExecTarget, Task->ExecType, Task->LateMs(), Task->ClockShared(),
                       Task->NoticeLine()});
    ShowWaiting();
}
