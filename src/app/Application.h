#pragma once

#include "CommandLine.h"

// Start-up, the event loop and the end of the process; returns the exit code. Action is the one
// given on the command line: handed to a copy already running, or run once this one is up.
int RunApplication(int &argc, char **argv,
                   CommandLine::TAction Action = CommandLine::TAction::None);
