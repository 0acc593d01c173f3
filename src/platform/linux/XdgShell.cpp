#include "XdgShell.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include "StartDetached.h"

namespace platform::linux_ {

std::string TXdgShell::ProgramPath(const std::string &Target) {
    const QString T = QString::fromStdString(Target);
    if (T.isEmpty() || T.contains("://"))
        return {};
    QString Path;
    if (T.contains('/'))
        Path = T;
    else
        Path = QStandardPaths::findExecutable(T);
    if (Path.isEmpty())
        return {};
    const QFileInfo Info(Path);
    if (!Info.isFile() || !Info.isExecutable())
        return {};
    return Info.absoluteFilePath().toStdString();
}

bool TXdgShell::Open(const std::string &Target, const std::string &WorkDir) {
    if (Target.empty())
        return false;
    const QString Dir = QString::fromStdString(WorkDir);
    const std::string Program = ProgramPath(Target);
    if (!Program.empty())
        return StartDetached(QString::fromStdString(Program), {}, Dir);
    return StartDetached("xdg-open", {QString::fromStdString(Target)}, Dir);
}

} // namespace platform::linux_
