#include "CommandLine.h"

#include <cstring>

namespace CommandLine {

namespace {

struct TActionName {
    TAction Action;
    const char *Word; // the option without its dashes, and the word on the channel
};

// The option names are what users write into their desktop's shortcut settings: never renamed.
constexpr TActionName Actions[] = {
    {TAction::Show, "show"},       {TAction::Portal, "portal"},
    {TAction::Capture, "capture"}, {TAction::HideBrowsers, "hide-browsers"},
    {TAction::Chat, "chat"},
};

} // namespace

TParsed Parse(int argc, const char *const *argv) {
    TParsed Result;
    for (int I = 1; I < argc; ++I) {
        const char *Arg = argv[I];
        if (std::strcmp(Arg, "--help") == 0 || std::strcmp(Arg, "-h") == 0) {
            Result.What = TParsed::TWhat::Help;
            return Result;
        }
        if (std::strcmp(Arg, "--version") == 0) {
            Result.What = TParsed::TWhat::Version;
            return Result;
        }
        if (std::strncmp(Arg, "--", 2) != 0 || Arg[2] == '\0')
            continue; // Qt's options and their values
        TAction Found = TAction::None;
        for (const TActionName &A : Actions)
            if (std::strcmp(Arg + 2, A.Word) == 0)
                Found = A.Action;
        if (Found == TAction::None) {
            Result.What = TParsed::TWhat::Wrong;
            Result.Problem = std::string("未知的选项 ") + Arg + "。用 --help 查看可用的选项。";
            return Result;
        }
        if (Result.Action != TAction::None && Result.Action != Found) {
            Result.What = TParsed::TWhat::Wrong;
            Result.Problem = "一次只能给出一个动作。用 --help 查看可用的选项。";
            return Result;
        }
        Result.Action = Found;
    }
    return Result;
}

const char *HelpText() {
    return "用法: qingchuan [动作]\n"
           "晴川助手: 托盘里的桌面助手(定时任务提醒、全局热键、截图、文件夹加锁等)。\n"
           "\n"
           "动作(程序已在运行时交给运行中的程序; 否则先启动程序, 再执行):\n"
           "      --show           显示主窗体\n"
           "      --portal         显示或隐藏青石江湖窗口(同 Ctrl+Alt+Q)\n"
           "      --capture        截取区域\n"
           "      --hide-browsers  隐藏或显示浏览器窗口\n"
           "      --chat           询问QQ号码并打开聊天\n"
           "不带动作再次启动时: 没有托盘的桌面上显示主窗体; 有托盘时只恢复最小化的主窗体。\n"
           "这些动作可以绑定到桌面自己的快捷键, 例如 sway 的\n"
           "  bindsym Ctrl+1 exec qingchuan --hide-browsers\n"
           "\n"
           "选项:\n"
           "  -h, --help           显示此帮助并退出\n"
           "      --version        显示版本并退出\n"
           "\n"
           "可执行文件旁有 cfg.ini 时, 设置和数据库都在该文件夹中(便携方式);\n"
           "否则设置在 $XDG_CONFIG_HOME/qingchuan/cfg.ini,\n"
           "数据库在 $XDG_DATA_HOME/qingchuan/DB.mdb。\n";
}

std::string Word(TAction Action) {
    for (const TActionName &A : Actions)
        if (A.Action == Action)
            return A.Word;
    return {};
}

TAction ActionOfWord(const std::string &Word) {
    for (const TActionName &A : Actions)
        if (Word == A.Word)
            return A.Action;
    return TAction::None;
}

} // namespace CommandLine
