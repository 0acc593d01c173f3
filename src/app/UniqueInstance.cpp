#include "UniqueInstance.h"

#include <QFileInfo>

#include "dialogs/Dialogs.h"

namespace UniqueInstance {

QString InstanceName(const QString &ExeFilePath) {
    return QFileInfo(ExeFilePath).fileName();
}

bool Check(platform::IInstanceGuard &Guard, const QString &ExeFilePath, int &ExitCode) {
    switch (Guard.Acquire(InstanceName(ExeFilePath).toStdString())) {
    case platform::IInstanceGuard::TResult::First:
        return true;
    case platform::IInstanceGuard::TResult::Second:
        Guard.NotifyFirst();
        ExitCode = 0;
        return false;
    case platform::IInstanceGuard::TResult::Failed:
        break;
    }
    // Nothing could be claimed: end silently rather than run unguarded.
    ExitCode = 1;
    return false;
}

void Listen(platform::IInstanceGuard &Guard, std::function<void()> OnMessage) {
    Guard.SetOnMessage([OnMessage] { Dialogs::Guard(OnMessage); });
}

} // namespace UniqueInstance
