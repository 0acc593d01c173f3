// Puts a fresh cfg.ini and an empty DB.mdb into a folder, each only when none is there, so that
// a rebuild or a new start never touches a user's settings or tasks.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "dialogs/Error.h"
#include "tasks/TaskDb.h"

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qc_seed FOLDER\n");
        return 2;
    }
    const QString Dir = QString::fromLocal8Bit(argv[1]) + "/";
    const QString Ini = Dir + "cfg.ini";
    if (!QFileInfo::exists(Ini)) {
        if (!QFile::copy(":/data/cfg.ini", Ini)) {
            std::fprintf(stderr, "qc_seed: cannot write %s\n", qPrintable(Ini));
            return 1;
        }
        QFile::setPermissions(Ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                       QFile::ReadOther);
    }
    const QString Db = Dir + "DB.mdb";
    if (!QFileInfo::exists(Db)) {
        try {
            TaskDb::CreateDatabase(Db);
        } catch (const EError &E) {
            std::fprintf(stderr, "qc_seed: %s\n", qPrintable(E.Text()));
            return 1;
        }
    }
    return 0;
}
