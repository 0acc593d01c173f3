#include "PolicyStartPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform::linux_ {

namespace {

// Folders that hold Firefox's policies.json, relative to the root.
constexpr const char *FirefoxPolicyDirs[] = {
    "etc/firefox/policies",
    "etc/firefox-esr/policies",
    "usr/lib/firefox/distribution",
    "usr/lib/firefox-esr/distribution",
};

// Machine-wide configuration folders of the Chromium family, relative to the root. Each reads
// its policies from policies/managed (mandatory) and policies/recommended (defaults the user may
// change) below it.
constexpr const char *ChromiumConfigDirs[] = {
    "etc/chromium",
    "etc/opt/chrome",
    "etc/brave",
    "etc/opt/edge",
};

// Folders holding a Firefox profiles.ini, relative to the home folder. Firefox used
// ~/.mozilla/firefox for years; since it follows the XDG folders (Debian's Firefox ESR does), a
// new user's profiles are made under $XDG_CONFIG_HOME/mozilla/firefox instead, which is read
// besides these. The snap and the flatpak keep theirs inside their own folders, in both ways.
constexpr const char *FirefoxProfileRoots[] = {
    ".mozilla/firefox",
    ".config/mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    "snap/firefox/current/.config/mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/config/mozilla/firefox",
};

QString Join(const std::string &Base, const char *Relative) {
    return QDir(QString::fromStdString(Base)).filePath(QString::fromUtf8(Relative));
}

// Permissions of the files and folders made in machine-wide places: every user's browser reads
// them, whatever the umask of whoever wrote them.
constexpr QFile::Permissions SharedFile =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFile::Permissions SharedFolder =
    SharedFile | QFile::ExeOwner | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// Replaces File with Data through a temporary file, so that a failed write leaves the old one.
// A file made anew gets Permissions when given.
bool WriteFile(const QString &File, const QByteArray &Data, QFile::Permissions Permissions = {}) {
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

// False when this process's user may not write Path: the permissions or a read-only mount
// forbid it. Other failures (a missing path among them) are left to the write itself, which
// reports them.
bool UserMayWrite(const QString &Path) {
    if (::faccessat(AT_FDCWD, QFile::encodeName(Path).constData(), W_OK, AT_EACCESS) == 0)
        return true;
    return errno != EACCES && errno != EPERM && errno != EROFS;
}

// Whether a machine-wide File in Folder is this user's to change. The machine-wide places belong
// to the administrator; for an ordinary user they are simply not there, as the user's own places
// still are.
bool MachinePlaceWritable(const QString &Folder, const QString &File) {
    if (!UserMayWrite(Folder))
        return false;
    return !QFileInfo::exists(File) || UserMayWrite(File);
}

// The JSON object in File; an empty one when the file does not exist. False when the file is
// there but is not a JSON object: it is then left alone rather than replaced.
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

// JSON is written by QJsonDocument, which escapes every string for JSON itself.
bool SetFirefoxPolicy(const QString &File, const QString &Url) {
    QJsonObject Root;
    if (!ReadJson(File, Root))
        return false;
    QJsonObject Policies = Root.value("policies").toObject();
    QJsonObject Homepage = Policies.value("Homepage").toObject();
    Homepage.insert("URL", Url);
    Homepage.insert("StartPage", "homepage");
    Policies.insert("Homepage", Homepage);
    Root.insert("policies", Policies);
    return WriteFile(File, QJsonDocument(Root).toJson(), SharedFile);
}

bool SetChromiumPolicy(const QString &File, const QString &Url) {
    QJsonObject Root;
    if (!ReadJson(File, Root))
        return false;
    Root.insert("HomepageLocation", Url);
    Root.insert("HomepageIsNewTabPage", false);
    // 4: open the listed pages at start.
    Root.insert("RestoreOnStartup", 4);
    Root.insert("RestoreOnStartupURLs", QJsonArray{Url});
    return WriteFile(File, QJsonDocument(Root).toJson(), SharedFile);
}

// The profile folders listed in a Firefox profiles.ini that exist.
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

// user.js with our two preferences set and every other line as it was.
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

// Sets the start page of one browser of the Chromium family whose machine-wide configuration
// folder is ConfigDir; returns the file that could not be written, or empty.
std::string SetChromiumFamily(const QString &ConfigDir, const QString &Url) {
    // The browser's own machine-wide folder tells that it is installed; the policy folders below
    // it are often left for the administrator to make.
    if (!QFileInfo(ConfigDir).isDir())
        return {};
    const QDir Config(ConfigDir);
    const QString Recommended = Config.filePath("policies/recommended");
    const QString File = QDir(Recommended).filePath(TPolicyStartPage::ChromiumPolicyFile);
    // A recommended policy is the browser's default, which the user may still change in its
    // settings; a managed one would lock the page and mark the browser as run by an
    // organisation.
    for (const QString &Folder : {Config.filePath("policies"), Recommended}) {
        if (QFileInfo(Folder).isDir())
            continue;
        if (!UserMayWrite(QFileInfo(Folder).path()))
            return {};
        // Set after making it: the mode given to mkdir is cut down by the umask.
        if (!QDir().mkdir(Folder) || !QFile::setPermissions(Folder, SharedFolder))
            return File.toStdString();
    }
    if (!MachinePlaceWritable(Recommended, File))
        return {};
    if (!SetChromiumPolicy(File, Url))
        return File.toStdString();
    // Our file among the managed policies, left by an earlier version, would still lock the page.
    const QString Managed = Config.filePath("policies/managed");
    const QString Old = QDir(Managed).filePath(TPolicyStartPage::ChromiumPolicyFile);
    if (QFileInfo::exists(Old) && MachinePlaceWritable(Managed, Old) && !QFile::remove(Old))
        return Old.toStdString();
    return {};
}

} // namespace

TPolicyStartPage::TPolicyStartPage(std::string Root, std::string Home, std::string ConfigHome)
    : FRoot(std::move(Root)), FHome(std::move(Home)), FConfigHome(std::move(ConfigHome)) {
    if (FConfigHome.empty())
        FConfigHome = Join(FHome, ".config").toStdString();
}

std::string TPolicyStartPage::DefaultHome() {
    const char *Home = std::getenv("HOME");
    return Home && *Home ? Home : QDir::homePath().toStdString();
}

std::string TPolicyStartPage::DefaultConfigHome() {
    // As the XDG rules say: a relative value is ignored.
    const char *Config = std::getenv("XDG_CONFIG_HOME");
    if (Config && Config[0] == '/')
        return Config;
    return Join(DefaultHome(), ".config").toStdString();
}

std::string TPolicyStartPage::JsString(const std::string &Url) {
    // Firefox reads user.js as JavaScript: a quote or backslash would end or bend the string,
    // a line break would end the statement, and the two Unicode line separators count as line
    // breaks there too.
    std::string Out;
    for (size_t I = 0; I < Url.size(); ++I) {
        const auto C = static_cast<unsigned char>(Url[I]);
        if (C == '\\')
            Out += "\\\\";
        else if (C == '"')
            Out += "\\\"";
        else if (C == '\n')
            Out += "\\n";
        else if (C == '\r')
            Out += "\\r";
        else if (C < 0x20 || C == 0x7f) {
            char Buf[8];
            std::snprintf(Buf, sizeof Buf, "\\u%04x", static_cast<unsigned>(C));
            Out += Buf;
        } else if (C == 0xe2 && I + 2 < Url.size() &&
                   static_cast<unsigned char>(Url[I + 1]) == 0x80 &&
                   (static_cast<unsigned char>(Url[I + 2]) == 0xa8 ||
                    static_cast<unsigned char>(Url[I + 2]) == 0xa9)) {
            Out += static_cast<unsigned char>(Url[I + 2]) == 0xa8 ? "\\u2028" : "\\u2029";
            I += 2;
        } else
            Out += static_cast<char>(C);
    }
    return Out;
}

std::string TPolicyStartPage::SetMachineWide(const std::string &Url) {
    const QString U = QString::fromStdString(Url);
    for (const char *Dir : FirefoxPolicyDirs) {
        const QString Folder = Join(FRoot, Dir);
        if (!QFileInfo(Folder).isDir())
            continue;
        const QString File = QDir(Folder).filePath("policies.json");
        if (!MachinePlaceWritable(Folder, File))
            continue;
        if (!SetFirefoxPolicy(File, U))
            return File.toStdString();
    }
    for (const char *Dir : ChromiumConfigDirs) {
        if (std::string Failed = SetChromiumFamily(Join(FRoot, Dir), U); !Failed.empty())
            return Failed;
    }
    return {};
}

std::string TPolicyStartPage::SetPerUser(const std::string &Url) {
    QStringList Roots;
    for (const char *Dir : FirefoxProfileRoots)
        Roots.append(Join(FHome, Dir));
    // Firefox makes its XDG folder under $XDG_CONFIG_HOME when that is set.
    if (const QString Xdg = Join(FConfigHome, "mozilla/firefox"); !Roots.contains(Xdg))
        Roots.append(Xdg);
    // One profile may be reached from two roots (a link from the old folder to the new one).
    QStringList Done;
    for (const QString &Root : Roots)
        for (const QString &Profile : FirefoxProfiles(Root)) {
            const QString Canonical = QFileInfo(Profile).canonicalFilePath();
            if (Done.contains(Canonical))
                continue;
            Done.append(Canonical);
            if (!SetUserJs(Profile, Url))
                return QDir(Profile).filePath("user.js").toStdString();
        }
    return {};
}

} // namespace platform::linux_
