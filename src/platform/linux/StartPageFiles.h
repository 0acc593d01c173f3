#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <string>

// Reading and writing the browsers' own files for the start page, and finding the profiles a
// user has: what the start-page backend needs from the file system.
namespace platform::linux_::StartPageFiles {

QString Join(const std::string &Base, const char *Relative);

// Permissions of the files and folders made in machine-wide places: every user's browser reads
// them, whatever the umask of whoever wrote them.
constexpr QFile::Permissions SharedFile =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFile::Permissions SharedFolder =
    SharedFile | QFile::ExeOwner | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// Replaces File with Data through a temporary file, so that a failed write leaves the old one.
// A file made anew gets Permissions when given.
bool WriteFile(const QString &File, const QByteArray &Data, QFile::Permissions Permissions = {});
// False when this process's user may not write Path: the permissions or a read-only mount
// forbid it. Other failures (a missing path among them) are left to the write itself.
bool UserMayWrite(const QString &Path);
// Whether File in Folder, a machine-wide place, is this user's to change.
bool MachinePlaceWritable(const QString &Folder, const QString &File);
// The JSON object in File; an empty one when the file does not exist. False when the file is
// there but is not a JSON object: it is then left alone rather than replaced.
bool ReadJson(const QString &File, QJsonObject &Object);

// The profile folders listed in a Firefox profiles.ini that exist.
QStringList FirefoxProfiles(const QString &ProfileRoot);
// user.js of Profile with the start page set to Url and every other line as it was.
bool SetUserJs(const QString &Profile, const std::string &Url);

// The profile folders of a Chromium-family user data folder: those holding a Preferences file.
QStringList ChromiumProfiles(const QString &UserData);
// Whether the browser runs on the user data folder: its SingletonLock names a live process of
// this machine. A lock made on another machine (a shared home) counts as running.
bool ChromiumRunning(const QString &UserData);
// The profile's Preferences with Url as home page and as the one page opened at start.
bool SetChromiumPreferences(const QString &Profile, const QString &Url);

} // namespace platform::linux_::StartPageFiles
