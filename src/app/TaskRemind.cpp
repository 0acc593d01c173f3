#include "TaskRemind.h"

#include "Images.h"

#include "tasks/Pop.h"
#include "tasks/TaskManager.h"

namespace {

// The remind procedure is a plain procedure, so the services it hands on live here.
platform::TPlatform RemindPlatform;

} // namespace

void SetRemindPlatform(const platform::TPlatform &Platform) {
    RemindPlatform = Platform;
}

void TaskManagerRemind(TTask *Task) {
    // No owner: the window lives on its own timers and releases itself once it has closed. It
    // keeps copies of the values, since the scheduler frees the task right after this returns.
    auto *Pop = new TFrm_Pop(RemindPlatform.Shell, RemindPlatform.Power);
    Pop->SetReleaseOnClose(true);
    Pop->setWindowIcon(ProgramIcon());
    Pop->SetTaskName(Task->Name);
    Pop->SetStartDate(Task->StartDate);
    Pop->SetStartTime(Task->StartTime);
    Pop->SetTaskType(Task->TaskType);
    Pop->SetTaskMsg(Task->Msg);
    Pop->SetExecTarget(Task->ExecTarget);
    Pop->SetExecType(Task->ExecType);
    Pop->Pop();
}
