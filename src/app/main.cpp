#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Application.h"
#include "platform/Session.h"

namespace {

// --help and --version answer on standard output and end at once: before any window, display
// connection or settings file, so they work as well while another copy runs, and with no display.
bool AnswerCommandLine(int argc, char **argv, int &ExitCode) {
    for (int I = 1; I < argc; ++I) {
        if (std::strcmp(argv[I], "--help") == 0 || std::strcmp(argv[I], "-h") == 0) {
            std::printf("用法: qingchuan [选项]\n"
                        "晴川助手: 托盘里的桌面助手(定时任务提醒、全局热键、截图、文件夹加锁等)。\n"
                        "\n"
                        "选项:\n"
                        "  -h, --help     显示此帮助并退出\n"
                        "      --version  显示版本并退出\n"
                        "\n"
                        "可执行文件旁有 cfg.ini 时, 设置和数据库都在该文件夹中(便携方式);\n"
                        "否则设置在 $XDG_CONFIG_HOME/qingchuan/cfg.ini,\n"
                        "数据库在 $XDG_DATA_HOME/qingchuan/DB.mdb。\n");
            ExitCode = 0;
            return true;
        }
        if (std::strcmp(argv[I], "--version") == 0) {
            std::printf("qingchuan %s\n", QC_VERSION);
            ExitCode = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    int ExitCode = 0;
    if (AnswerCommandLine(argc, argv, ExitCode))
        return ExitCode;
    // On a Wayland session the windows still go through XWayland: the reminder window and the
    // capture overlay place themselves on the screen, which a Wayland client cannot. A choice
    // the user made stands.
    if (platform::IsWaylandSession() && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    return RunApplication(argc, argv);
}
