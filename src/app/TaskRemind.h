#pragma once

#include "platform/Platform.h"

class TTask;

// The scheduler's remind procedure: each due task gets a reminder window of its own, which
// carries out the task's action with the services set here.
//
// A burst of due tasks does not open a window for each at once: at most
// MaxReminderWindows are up together, stacked upwards from the bottom right corner, and the
// others wait, as plain values, in the order they fell due; each takes the place of a window
// that has gone. Every reminder is shown and every action carried out, each after its own rest.
constexpr int MaxReminderWindows = 3;

void TaskManagerRemind(TTask *Task);
void SetRemindPlatform(const platform::TPlatform &Platform);
// The reminders waiting for a window.
int RemindersWaiting();
