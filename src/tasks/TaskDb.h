#pragma once

#include <QSqlDatabase>
#include <QString>

class QSqlError;

// The task database: DB.mdb, an SQLite file, reached through a connection string of the form
// "Provider=SQLite;Data Source=<file>".
namespace TaskDb {

// The file named by a connection string; raises EError when the string is unusable.
QString DataSource(const QString &ConnStr);
// Opens the named connection to the database of ConnStr and, with Verify, checks that the file is
// a readable database; raises EError with the database's own text otherwise. The file is never
// created. A caller that queries at once may leave the check to its own query.
QSqlDatabase Open(const QString &ConnStr, const QString &ConnectionName, bool Verify = true);
// Creates a new DB.mdb holding the empty table Task. Raises EError on failure.
void CreateDatabase(const QString &FileName);
// What the user is told of a failed statement: the database's own text, or Fallback when the
// database gave none.
QString ErrorText(const QSqlError &Error, const QString &Fallback);
// The same for a failed read of table Task.
QString ReadErrorText(const QSqlError &Error);

} // namespace TaskDb
