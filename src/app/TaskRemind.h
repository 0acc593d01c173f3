#pragma once

#include "platform/Platform.h"

class TTask;

// The scheduler's remind procedure: each due task gets a reminder window of its own, which
// carries out the task's action with the services set here.
void TaskManagerRemind(TTask *Task);
void SetRemindPlatform(const platform::TPlatform &Platform);
