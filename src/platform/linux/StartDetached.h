#pragma once

#include <QString>
#include <QStringList>

namespace platform::linux_ {

// Starts Program with Arguments in WorkDir (empty: the program's own working folder), detached,
// with no shell, in the user's environment (platform::UserEnvironment), never in the program's
// own. True when it started.
bool StartDetached(const QString &Program, const QStringList &Arguments, const QString &WorkDir);

} // namespace platform::linux_
