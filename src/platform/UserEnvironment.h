#pragma once

#include <string>
#include <vector>

namespace platform {

// The environment the user started the program with. The program changes its own environment
// for itself (the windows go through XWayland on a Wayland session, the web engine's switches),
// and what it starts for the user (a task's target, a folder, Lock.exe, a system tool) must not
// inherit that: such a program would run on XWayland, or fail where the xcb plugin is missing.

// Takes the environment as it is now. Called first thing in main, before the program changes
// anything and before any thread exists; later calls change nothing.
void KeepUserEnvironment();
// Takes Entries ("NAME=value") as the user's environment instead; for tests.
void KeepUserEnvironment(std::vector<std::string> Entries);
// The user's environment as "NAME=value" entries, less the start-up tokens that were meant for
// this process alone (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN). The process's environment of
// the moment when KeepUserEnvironment was never called.
std::vector<std::string> UserEnvironment();

} // namespace platform
