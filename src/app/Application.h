#pragma once

// Start-up, the event loop and the end of the process; returns the exit code.
int RunApplication(int &argc, char **argv);
