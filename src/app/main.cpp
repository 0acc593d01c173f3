#include <cstdlib>

#include "Application.h"
#include "platform/Session.h"

int main(int argc, char **argv) {
    // On a Wayland session the windows still go through XWayland: the reminder window and the
    // capture overlay place themselves on the screen, which a Wayland client cannot. A choice
    // the user made stands.
    if (platform::IsWaylandSession() && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    return RunApplication(argc, argv);
}
