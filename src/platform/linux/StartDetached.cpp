#include "StartDetached.h"

#include <QProcess>
#include <QProcessEnvironment>

#include "platform/UserEnvironment.h"

namespace platform::linux_ {

bool StartDetached(const QString &Program, const QStringList &Arguments, const QString &WorkDir) {
    // Built from nothing, so that what the user had unset stays unset.
    QProcessEnvironment Env;
    for (const std::string &Entry : UserEnvironment()) {
        const size_t Eq = Entry.find('=');
        if (Eq == std::string::npos || Eq == 0)
            continue;
        Env.insert(QString::fromLocal8Bit(Entry.data(), qsizetype(Eq)),
                   QString::fromLocal8Bit(Entry.data() + Eq + 1, qsizetype(Entry.size() - Eq - 1)));
    }
    QProcess P;
    P.setProgram(Program);
    P.setArguments(Arguments);
    P.setWorkingDirectory(WorkDir);
    P.setProcessEnvironment(Env);
    return P.startDetached();
}

} // namespace platform::linux_
