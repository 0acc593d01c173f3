#include "TaskDb.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "dialogs/Error.h"

namespace TaskDb {

QString DataSource(const QString &ConnStr) {
    QString Provider;
    QString Source;
    for (const QString &Part : ConnStr.split(';', Qt::SkipEmptyParts)) {
        const int Eq = Part.indexOf('=');
        if (Eq < 0)
            continue;
        const QString Key = Part.left(Eq).trimmed();
        const QString Value = Part.mid(Eq + 1).trimmed();
        if (Key.compare("Provider", Qt::CaseInsensitive) == 0)
            Provider = Value;
        else if (Key.compare("Data Source", Qt::CaseInsensitive) == 0)
            Source = Value;
    }
    if (ConnStr.trimmed().isEmpty())
        throw EError("The connection string is empty: set [DB] ConnStr in cfg.ini.");
    if (Provider.compare("SQLite", Qt::CaseInsensitive) != 0)
        throw EError(QString("Provider cannot be found: '%1'.").arg(Provider));
    if (Source.isEmpty())
        throw EError("The connection string names no Data Source.");
    return Source;
}

QSqlDatabase Open(const QString &ConnStr, const QString &ConnectionName, bool Verify) {
    const QString File = DataSource(ConnStr);
    if (!QFileInfo(File).isFile())
        throw EError(QString("Could not find file '%1'.").arg(File));
    QSqlDatabase Db = QSqlDatabase::contains(ConnectionName)
                          ? QSqlDatabase::database(ConnectionName, false)
                          : QSqlDatabase::addDatabase("QSQLITE", ConnectionName);
    Db.close();
    Db.setDatabaseName(File);
    // Wait a little for a writer on another connection instead of failing at once.
    Db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=2000");
    if (!Db.open())
        throw EError(Db.lastError().text());
    if (!Verify)
        return Db;
    QSqlQuery Check(Db);
    if (!Check.exec("SELECT count(*) FROM sqlite_master")) {
        const QString Text = Check.lastError().text();
        Db.close();
        throw EError(Text);
    }
    return Db;
}

QString ErrorText(const QSqlError &Error, const QString &Fallback) {
    const QString Text = Error.text();
    return Text.trimmed().isEmpty() ? Fallback : Text;
}

QString ReadErrorText(const QSqlError &Error) {
    return ErrorText(Error, "Cannot open table Task.");
}

void CreateDatabase(const QString &FileName) {
    QFile Schema(":/data/schema.sql");
    if (!Schema.open(QIODevice::ReadOnly))
        throw EError("The table schema is missing from the program.");
    const QString Sql = QString::fromUtf8(Schema.readAll());
    const QString Name = "TaskDb.Create";
    QString Failure;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", Name);
        Db.setDatabaseName(FileName);
        if (!Db.open())
            Failure = Db.lastError().text();
        QSqlQuery Q(Db);
        // One statement at a time; comment lines carry no statement of their own.
        QString Statement;
        for (const QString &Line : Failure.isEmpty() ? Sql.split('\n') : QStringList()) {
            if (Line.trimmed().startsWith("--"))
                continue;
            Statement += Line + '\n';
            if (Line.trimmed().endsWith(';')) {
                if (!Q.exec(Statement) && Failure.isEmpty())
                    Failure = Q.lastError().text();
                Statement.clear();
            }
        }
        Q.finish();
        Db.close();
    }
    QSqlDatabase::removeDatabase(Name);
    if (!Failure.isEmpty()) {
        QFile::remove(FileName);
        throw EError(Failure);
    }
}

} // namespace TaskDb
