#include "PolicyStartPage.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "StartPageFiles.h"

namespace platform::linux_ {

using namespace StartPageFiles;

namespace {

// Folders whose presence tells that Firefox is installed, relative to the root.
constexpr const char *FirefoxDirs[] = {
    "etc/firefox",
    "etc/firefox-esr",
    "usr/lib/firefox",
    "usr/lib/firefox-esr",
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

// A browser of the Chromium family: its machine-wide configuration folder (relative to the
// root; policies/managed and policies/recommended below it), and its user data folders (below
// the XDG configuration folder, then below the home folder for the snap and the flatpak).
struct TChromium {
    const char *Name;
    const char *MachineDir;
    const char *UserData;
    const char *Packaged[2];
};

constexpr TChromium ChromiumFamily[] = {
    {"Chromium",
     "etc/chromium",
     "chromium",
     {"snap/chromium/common/chromium", ".var/app/org.chromium.Chromium/config/chromium"}},
    {"Google Chrome",
     "etc/opt/chrome",
     "google-chrome",
     {".var/app/com.google.Chrome/config/google-chrome", nullptr}},
    {"Brave",
     "etc/brave",
     "BraveSoftware/Brave-Browser",
     {".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser", nullptr}},
    {"Microsoft Edge",
     "etc/opt/edge",
     "microsoft-edge",
     {".var/app/com.microsoft.Edge/config/microsoft-edge", nullptr}},
};

// This program's policy file of a browser, among its recommended and its managed policies (an
// earlier version wrote it there, which locks the page).
QStringList PolicyFiles(const QString &MachineDir) {
    const QDir Config(MachineDir);
    return {
        Config.filePath(QString("policies/recommended/") + TPolicyStartPage::ChromiumPolicyFile),
        Config.filePath(QString("policies/managed/") + TPolicyStartPage::ChromiumPolicyFile)};
}

// Whether this user may write a policy of ours for the browser: its folder is there, and so is
// the right to make the policy folders below it and to write the file.
bool PolicyWritable(const QString &MachineDir) {
    if (!QFileInfo(MachineDir).isDir())
        return false;
    QString Folder = MachineDir;
    for (const char *Below : {"policies", "recommended"}) {
        const QString Next = QDir(Folder).filePath(Below);
        if (!QFileInfo(Next).isDir())
            return UserMayWrite(Folder);
        Folder = Next;
    }
    return MachinePlaceWritable(Folder, PolicyFiles(MachineDir).first());
}

// A recommended policy is the browser's default, which the user may still change in its
// settings; a managed one would lock the page. Either makes the browser say it is managed by an
// organisation. Returns the file that could not be written, or empty.
std::string WritePolicy(const QString &MachineDir, const QString &Url) {
    const QDir Config(MachineDir);
    const QString File = PolicyFiles(MachineDir).first();
    for (const QString &Folder :
         {Config.filePath("policies"), Config.filePath("policies/recommended")}) {
        if (QFileInfo(Folder).isDir())
            continue;
        // Set after making it: the mode given to mkdir is cut down by the umask.
        if (!QDir().mkdir(Folder) || !QFile::setPermissions(Folder, SharedFolder))
            return File.toStdString();
    }
    QJsonObject Root;
    if (!ReadJson(File, Root))
        return File.toStdString();
    Root.insert("HomepageLocation", Url);
    Root.insert("HomepageIsNewTabPage", false);
    // 4: open the listed pages at start.
    Root.insert("RestoreOnStartup", 4);
    Root.insert("RestoreOnStartupURLs", QJsonArray{Url});
    if (!WriteFile(File, QJsonDocument(Root).toJson(), SharedFile))
        return File.toStdString();
    const QString Old = PolicyFiles(MachineDir).last();
    if (QFileInfo::exists(Old) && !QFile::remove(Old))
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

TStartPageResult TPolicyStartPage::SetFirefox(const std::string &Url, bool &Found) {
    Found = std::any_of(std::begin(FirefoxDirs), std::end(FirefoxDirs),
                        [&](const char *Dir) { return QFileInfo(Join(FRoot, Dir)).isDir(); });
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
                return {"Firefox", TStartPageOutcome::Failed,
                        QDir(Profile).filePath("user.js").toStdString()};
        }
    Found = Found || !Done.isEmpty();
    return {
        "Firefox", Done.isEmpty() ? TStartPageOutcome::NoProfile : TStartPageOutcome::Changed, {}};
}

std::vector<TStartPageResult> TPolicyStartPage::SetForUser(const std::string &Url) {
    std::vector<TStartPageResult> Results;
    bool Found = false;
    TStartPageResult Firefox = SetFirefox(Url, Found);
    if (Found)
        Results.push_back(Firefox);
    const QString U = QString::fromStdString(Url);
    for (const TChromium &Browser : ChromiumFamily) {
        QStringList UserData{Join(FConfigHome, Browser.UserData)};
        for (const char *Dir : Browser.Packaged)
            if (Dir)
                UserData.append(Join(FHome, Dir));
        const QString Machine = Join(FRoot, Browser.MachineDir);
        bool Installed = QFileInfo(Machine).isDir();
        bool Running = false;
        QStringList Profiles;
        for (const QString &Dir : UserData) {
            if (!QFileInfo(Dir).isDir())
                continue;
            Installed = true;
            const QStringList Here = ChromiumProfiles(Dir);
            Running = Running || (!Here.isEmpty() && ChromiumRunning(Dir));
            Profiles += Here;
        }
        if (!Installed)
            continue;
        TStartPageResult Result{Browser.Name, TStartPageOutcome::Changed, {}};
        if (Running) {
            Result.Outcome = TStartPageOutcome::Running;
        } else if (Profiles.isEmpty()) {
            Result.Outcome = PolicyWritable(Machine) ? TStartPageOutcome::NeedsPolicy
                                                     : TStartPageOutcome::NoProfile;
        } else {
            for (const QString &Profile : Profiles)
                if (!SetChromiumPreferences(Profile, U)) {
                    Result = {Browser.Name, TStartPageOutcome::Failed,
                              QDir(Profile).filePath("Preferences").toStdString()};
                    break;
                }
        }
        Results.push_back(Result);
    }
    return Results;
}

std::vector<std::string> TPolicyStartPage::OwnPolicies() {
    std::vector<std::string> Browsers;
    for (const TChromium &Browser : ChromiumFamily)
        for (const QString &File : PolicyFiles(Join(FRoot, Browser.MachineDir)))
            if (QFileInfo::exists(File) && MachinePlaceWritable(QFileInfo(File).path(), File)) {
                Browsers.push_back(Browser.Name);
                break;
            }
    return Browsers;
}

std::vector<TStartPageResult>
TPolicyStartPage::SetByPolicy(const std::string &Url, const std::vector<std::string> &Browsers) {
    std::vector<TStartPageResult> Results;
    for (const TChromium &Browser : ChromiumFamily) {
        if (std::find(Browsers.begin(), Browsers.end(), Browser.Name) == Browsers.end())
            continue;
        const std::string Failed =
            WritePolicy(Join(FRoot, Browser.MachineDir), QString::fromStdString(Url));
        Results.push_back({Browser.Name,
                           Failed.empty() ? TStartPageOutcome::ByPolicy : TStartPageOutcome::Failed,
                           Failed});
    }
    return Results;
}

std::vector<std::string> TPolicyStartPage::RemovePolicies() {
    std::vector<std::string> Failed;
    for (const TChromium &Browser : ChromiumFamily)
        for (const QString &File : PolicyFiles(Join(FRoot, Browser.MachineDir)))
            if (QFileInfo::exists(File) && MachinePlaceWritable(QFileInfo(File).path(), File) &&
                !QFile::remove(File))
                Failed.push_back(File.toStdString());
    return Failed;
}

} // namespace platform::linux_
