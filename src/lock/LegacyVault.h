#pragma once

#include <QString>
#include <QStringList>

// Folders locked by the earlier version of Lock.exe: every entry renamed into ".qclock/files"
// beside ".qclock/key", a salted PBKDF2-SHA256 record of the password ("qclock 1"), the vault
// closed at mode 000. Nothing there was encrypted; this only moves it all back.
namespace LegacyVault {

enum class TResult { Done, WrongPassword, Failed };

// Whether Folder holds such a vault (the owner may look into it even at mode 000).
bool Present(const QString &Folder);
// Checks Password against the record and renames everything back (a name taken since gets
// "name (2)"), then removes the record and the vault. Failed names what stayed inside.
TResult Open(const QString &Folder, const QString &Password, QString &ErrorText);

} // namespace LegacyVault
