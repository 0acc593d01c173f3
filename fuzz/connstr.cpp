// The [DB] ConnStr of a hand-edited cfg.ini: any text gives either a file name or the error the
// user is shown, never a crash, and a file name only when the provider is SQLite. Naming a
// relative Data Source in full against the settings folder gives the file under that folder, an
// absolute one stays as written, and the parts of the string stay where they were.
#include <QDir>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "config/AppPaths.h"
#include "dialogs/Error.h"
#include "tasks/TaskDb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    const QString ConnStr =
        QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size));
    QString Source;
    try {
        Source = TaskDb::DataSource(ConnStr);
        if (Source.isEmpty() || !ConnStr.contains("sqlite", Qt::CaseInsensitive))
            std::abort();
    } catch (const EError &E) {
        if (E.Text().isEmpty())
            std::abort();
    }
    const QString Resolved = AppPaths::ResolveConnStr(ConnStr, "/settings");
    if (Resolved.count(';') != ConnStr.count(';'))
        std::abort();
    if (!Source.isEmpty()) {
        const QString Named = TaskDb::DataSource(Resolved);
        if (Named != (QDir::isRelativePath(Source) ? "/settings/" + Source : Source))
            std::abort();
    }
    return 0;
}
