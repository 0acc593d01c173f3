#include "StartPageFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "PolicyStartPage.h"

namespace platform::linux_::StartPageFiles {

QString Join(const std::string &Base, const char *Relative) {
    return QDir(QString::fromStdString(Base)).filePath(QString::fromUtf8(Relative));
}

bool WriteFile(const QString &File, const QByteArray &Data, QFile::Permissions Permissions) {
    const QFileInfo Info(File);
    if (Info.isDir())
        return false;
    const bool New = !Info.exists();
    QSaveFile Out(File);
    if (!Out.open(QIODevice::WriteOnly))
        return false;
    if (Out.write(Data) != Data.size()) {
        Out.cancelWriting();
        return false;
    }
    if (!Out.commit())
        return false;
    if (New && Permissions)
        QFile::setPermissions(File, Permissions);
    return true;
}

bool UserMayWrite(const QString &Path) {
    if (::faccessat(AT_FDCWD, QFile::encodeName(Path).constData(), W_OK, AT_EACCESS) == 0)
        return true;
    return errno != EACCES && errno != EPERM && errno != EROFS;
}

bool MachinePlaceWritable(const QString &Folder, const QString &File) {
    if (!UserMayWrite(Folder))
        return false;
    return !QFileInfo::exists(File) || UserMayWrite(File);
}

bool ReadJson(const QString &File, QJsonObject &Object) {
    const QFileInfo Info(File);
    if (!Info.exists()) {
        Object = {};
        return true;
    }
    QFile In(File);
    if (!Info.isFile() || !In.open(QIODevice::ReadOnly))
        return false;
    const QByteArray Data = In.readAll();
    if (Data.trimmed().isEmpty()) {
        Object = {};
        return true;
    }
    QJsonParseError Error;
    const QJsonDocument Doc = QJsonDocument::fromJson(Data, &Error);
    if (Error.error != QJsonParseError::NoError || !Doc.isObject())
        return false;
    Object = Doc.object();
    return true;
}

QStringList FirefoxProfiles(const QString &ProfileRoot) {
    QFile Ini(QDir(ProfileRoot).filePath("profiles.ini"));
    if (!Ini.open(QIODevice::ReadOnly))
        return {};
    QStringList Result;
    QString Path;
    bool Relative = true;
    bool InProfile = false;
    const auto Flush = [&] {
        if (InProfile && !Path.isEmpty()) {
            const QString Dir = Relative ? QDir(ProfileRoot).filePath(Path) : Path;
            if (QFileInfo(Dir).isDir() && !Result.contains(Dir))
                Result.append(Dir);
        }
        Path.clear();
        Relative = true;
    };
    for (const QByteArray &Raw : Ini.readAll().split('\n')) {
        const QString Line = QString::fromUtf8(Raw).trimmed();
        if (Line.startsWith('[')) {
            Flush();
            InProfile = Line.startsWith("[Profile", Qt::CaseInsensitive);
        } else if (Line.startsWith("Path=")) {
            Path = Line.mid(5);
        } else if (Line.startsWith("IsRelative=")) {
            Relative = Line.mid(11).trimmed() != "0";
        }
    }
    Flush();
    return Result;
}

bool SetUserJs(const QString &Profile, const std::string &Url) {
    const QString File = QDir(Profile).filePath("user.js");
    QByteArray Old;
    if (QFileInfo(File).exists()) {
        QFile In(File);
        if (!QFileInfo(File).isFile() || !In.open(QIODevice::ReadOnly))
            return false;
        Old = In.readAll();
    }
    const QByteArray Prefs[] = {"\"browser.startup.homepage\"", "\"browser.startup.page\""};
    QByteArray New;
    for (const QByteArray &Line : Old.split('\n')) {
        QByteArray Compact = Line;
        Compact.replace(' ', "").replace('\t', "");
        bool Ours = false;
        for (const QByteArray &Pref : Prefs)
            Ours = Ours || Compact.startsWith("user_pref(" + Pref + ",");
        if (!Ours && !(Line.isEmpty() && New.isEmpty()))
            New += Line + '\n';
    }
    while (New.endsWith("\n\n"))
        New.chop(1);
    New += "user_pref(\"browser.startup.homepage\", \"" +
           QByteArray::fromStdString(TPolicyStartPage::JsString(Url)) + "\");\n";
    // 1: show the home page at start.
    New += "user_pref(\"browser.startup.page\", 1);\n";
    return WriteFile(File, New);
}

QStringList ChromiumProfiles(const QString &UserData) {
    QStringList Result;
    for (const QFileInfo &Entry :
         QDir(UserData).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        // Not the user's: the profile picker's and a guest's, thrown away after each session.
        if (Entry.fileName() == "System Profile" || Entry.fileName() == "Guest Profile")
            continue;
        if (QFileInfo(QDir(Entry.filePath()).filePath("Preferences")).isFile())
            Result.append(Entry.filePath());
    }
    return Result;
}

bool ChromiumRunning(const QString &UserData) {
    // The lock is a symbolic link to "<host name>-<process id>", left behind by a crash.
    const QByteArray Link = QFile::encodeName(QDir(UserData).filePath("SingletonLock"));
    char Buffer[512];
    const ssize_t N = ::readlink(Link.constData(), Buffer, sizeof Buffer - 1);
    if (N <= 0)
        return false;
    const QString Value = QString::fromLocal8Bit(Buffer, N);
    const qsizetype Dash = Value.lastIndexOf('-');
    char Host[256] = {};
    ::gethostname(Host, sizeof Host - 1);
    bool Ok = false;
    const long Pid = Value.mid(Dash + 1).toLong(&Ok);
    if (Dash < 0 || Value.left(Dash) != QString::fromLocal8Bit(Host) || !Ok || Pid <= 0)
        return true;
    return ::kill(static_cast<pid_t>(Pid), 0) == 0 || errno == EPERM;
}

bool SetChromiumPreferences(const QString &Profile, const QString &Url) {
    const QString File = QDir(Profile).filePath("Preferences");
    QJsonObject Prefs;
    if (!ReadJson(File, Prefs))
        return false;
    // On Linux, Chromium checks its protected settings' hashes without enforcing them: an edited
    // value is kept (Debian's Chromium 156, started again on an edited profile, kept all four).
    Prefs.insert("homepage", Url);
    Prefs.insert("homepage_is_newtabpage", false);
    QJsonObject Session = Prefs.value("session").toObject();
    // 4: open the listed pages at start.
    Session.insert("restore_on_startup", 4);
    Session.insert("startup_urls", QJsonArray{Url});
    Prefs.insert("session", Session);
    return WriteFile(File, QJsonDocument(Prefs).toJson(QJsonDocument::Compact));
}

} // namespace platform::linux_::StartPageFiles
