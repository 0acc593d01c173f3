// Lock.exe: encrypts the folder it sits in under a password. Without arguments it shows its
// window; "--lock", "--unlock" (the password on the first line of standard input) and "--status"
// ("locked", "partly locked" or "unlocked") serve scripts. Exit codes: 0 done, 1 failed, 2 wrong
// password, 3 bad arguments.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "lock/FolderLock.h"
#include "lock/LockWindow.h"

namespace {

int RunCommand(const QString &Command) {
    const QFileInfo Self(QCoreApplication::applicationFilePath());
    TFolderLock Lock(Self.absolutePath(), Self.fileName());
    QTextStream Err(stderr);
    if (Command == "--status") {
        // "partly locked": a password record, but entries still in the open folder (an
        // interrupted run, or files put there since); they are named on standard error.
        const TFolderLock::TState State = Lock.State();
        QTextStream(stdout) << (State == TFolderLock::TState::Locked    ? "locked"
                                : State == TFolderLock::TState::Partial ? "partly locked"
                                                                        : "unlocked")
                            << "\n";
        if (State == TFolderLock::TState::Partial)
            Err << "未加密的项目：\n" << Lock.OpenEntries().join('\n') << "\n";
        return 0;
    }
    std::string Line;
    std::getline(std::cin, Line);
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    const QString Password = QString::fromUtf8(Line.c_str());
    const TFolderLock::TResult Result =
        Command == "--lock" ? Lock.Lock(Password) : Lock.Unlock(Password);
    if (Result == TFolderLock::TResult::WrongPassword) {
        Err << "密码错误。\n";
        return 2;
    }
    if (Result == TFolderLock::TResult::Failed) {
        Err << Lock.ErrorText() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1) {
        QCoreApplication App(argc, argv);
        const QString Command = QString::fromLocal8Bit(argv[1]);
        if (argc != 2 || (Command != "--lock" && Command != "--unlock" && Command != "--status")) {
            std::fprintf(stderr, "usage: %s [--lock | --unlock | --status]\n", argv[0]);
            return 3;
        }
        return RunCommand(Command);
    }
    QApplication App(argc, argv);
    const QFileInfo Self(QCoreApplication::applicationFilePath());
    TLockWindow Window(Self.absolutePath(), Self.fileName());
    Window.show();
    return App.exec();
}
