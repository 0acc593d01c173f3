#include "PolicyStartPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace platform::linux_ {

namespace {

// Folders that hold Firefox's policies.json, relative to the root.
constexpr const char *FirefoxPolicyDirs[] = {
    "etc/firefox/policies",
    "etc/firefox-esr/policies",
    "usr/lib/firefox/distribution",
    "usr/lib/firefox-esr/distribution",
};

// Managed-policy folders of the Chromium family, relative to the root.
constexpr const char *ChromiumPolicyDirs[] = {
    "etc/chromium/policies/managed",
    "etc/opt/chrome/policies/managed",
    "etc/brave/policies/managed",
    "etc/opt/edge/policies/managed",
};

// Folders holding a Firefox profiles.ini, relative to the home folder.
constexpr const char *FirefoxProfileRoots[] = {
    ".mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
};

QString Join(const std::string &Base, const char *Relative) {
    return QDir(QString::fromStdString(Base)).filePath(QString::fromUtf8(Relative));
}

// Replaces File with Data through a temporary file, so that a failed write leaves the old one.
bool WriteFile(const QString &File, const QByteArray &Data) {
    if (QFileInfo(File).isDir())
        return false;
    QSaveFile Out(File);
    if (!Out.open(QIODevice::WriteOnly))
        return false;
    if (Out.write(Data) != Data.size()) {
        Out.cancelWriting();
        return false;
    }
    return Out.commit();
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
    return WriteFile(File, QJsonDocument(Root).toJson());
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
    return WriteFile(File, QJsonDocument(Root).toJson());
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

} // namespace

TPolicyStartPage::TPolicyStartPage(std::string Root, std::string Home)
    : FRoot(std::move(Root)), FHome(std::move(Home)) {}

std::string TPolicyStartPage::DefaultHome() {
    const char *Home = std::getenv("HOME");
    return Home && *Home ? Home : QDir::homePath().toStdString();
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
        if (!SetFirefoxPolicy(File, U))
            return File.toStdString();
    }
    for (const char *Dir : ChromiumPolicyDirs) {
        const QString Folder = Join(FRoot, Dir);
        if (!QFileInfo(Folder).isDir())
            continue;
        const QString File = QDir(Folder).filePath(ChromiumPolicyFile);
        if (!SetChromiumPolicy(File, U))
            return File.toStdString();
    }
    return {};
}

std::string TPolicyStartPage::SetPerUser(const std::string &Url) {
    for (const char *Dir : FirefoxProfileRoots)
        for (const QString &Profile : FirefoxProfiles(Join(FHome, Dir)))
            if (!SetUserJs(Profile, Url))
                return QDir(Profile).filePath("user.js").toStdString();
    return {};
}

} // namespace platform::linux_
