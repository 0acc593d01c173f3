#include "UniqueInstance.h"

#include <QFileInfo>
#include <cstdio>

#include "dialogs/Dialogs.h"

namespace UniqueInstance {

QString InstanceName(const QString &ExeFilePath) {
    return QFileInfo(ExeFilePath).fileName();
}

bool Check(platform::IInstanceGuard &Guard, const QString &ExeFilePath, int &ExitCode,
           CommandLine::TAction Action) {
    switch (Guard.Acquire(InstanceName(ExeFilePath).toStdString())) {
    case platform::IInstanceGuard::TResult::First:
        return true;
    case platform::IInstanceGuard::TResult::Second:
        if (Guard.NotifyFirst(CommandLine::Word(Action))) {
            ExitCode = 0;
            return false;
        }
        // Whoever runs this from a shortcut or a script learns that nothing happened.
        std::fprintf(stderr, "qingchuan: 正在运行的晴川助手没有应答。\n");
        ExitCode = 1;
        return false;
    case platform::IInstanceGuard::TResult::Failed:
        break;
    }
    // Nothing could be claimed: end silently rather than run unguarded.
    ExitCode = 1;
    return false;
}

void Listen(platform::IInstanceGuard &Guard,
            std::function<void(CommandLine::TAction Action)> OnMessage) {
    Guard.SetOnMessage([OnMessage](const std::string &Message) {
        const CommandLine::TAction Action = CommandLine::ActionOfWord(Message);
        Dialogs::Guard([&] { OnMessage(Action); });
    });
}

} // namespace UniqueInstance
