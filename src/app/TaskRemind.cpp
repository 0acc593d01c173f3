#include "TaskRemind.h"

#include <QCoreApplication>
#include <QTimer>
#include <array>
#include <deque>

#include "Images.h"

#include "dialogs/Dialogs.h"
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
};

std::deque<TReminder> Waiting;
// The windows up now, by their place in the stack (0 at the bottom).
std::array<TFrm_Pop *, MaxReminderWindows> Shown{};

void ShowWaiting();

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
                       Task->ExecTarget, Task->ExecType});
    ShowWaiting();
}
