// The [DB] ConnStr of a hand-edited cfg.ini: any text gives either a file name or the error the
// user is shown, never a crash, and a file name only when the provider is SQLite.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "dialogs/Error.h"
#include "tasks/TaskDb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    const QString ConnStr =
        QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size));
    try {
        const QString Source = TaskDb::DataSource(ConnStr);
        if (Source.isEmpty() || !ConnStr.contains("sqlite", Qt::CaseInsensitive))
            std::abort();
    } catch (const EError &E) {
        if (E.Text().isEmpty())
            std::abort();
    }
    return 0;
}
