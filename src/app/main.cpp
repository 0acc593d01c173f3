#include <cstdio>
#include <cstdlib>

#include "Application.h"
#include "CommandLine.h"
#include "WebView.h"
#include "platform/Session.h"
#include "platform/UserEnvironment.h"

int main(int argc, char **argv) {
    // What the user gave us is what the programs we start for the user get, whatever the program
    // sets for itself below.
    platform::KeepUserEnvironment();
    // --help and --version answer on standard output and end at once: before any window, display
    // connection or settings file, so they work as well while another copy runs, and with no
    // display.
    const CommandLine::TParsed Parsed = CommandLine::Parse(argc, argv);
    switch (Parsed.What) {
    case CommandLine::TParsed::TWhat::Help:
        std::fputs(CommandLine::HelpText(), stdout);
        return 0;
    case CommandLine::TParsed::TWhat::Version:
        std::printf("qingchuan %s\n", QC_VERSION);
        return 0;
    case CommandLine::TParsed::TWhat::Wrong:
        std::fprintf(stderr, "qingchuan: %s\n", Parsed.Problem.c_str());
        return 2;
    case CommandLine::TParsed::TWhat::Run:
        break;
    }
    // Every change of the environment is made here, while this is the only thread: the display
    // connection, the bus and the web engine start threads that read the environment.
    WebView::PrepareEnvironment();
    // On a Wayland session the windows still go through XWayland: the reminder window and the
    // capture overlay place themselves on the screen, which a Wayland client cannot. A choice
    // the user made stands.
    if (platform::IsWaylandSession() && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    return RunApplication(argc, argv, Parsed.Action);
}
