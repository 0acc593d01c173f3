#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "Require.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "platform/linux/PolicyStartPage.h"
#include "tools/IECtrl.h"

using platform::linux_::TPolicyStartPage;

namespace {

QByteArray Read(const QString &File) {
    QFile F(File);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

void Write(const QString &File, const QByteArray &Data) {
    QDir().mkpath(QFileInfo(File).path());
    QFile F(File);
    F.open(QIODevice::WriteOnly | QIODevice::Truncate);
    F.write(Data);
}

// A machine with Firefox (a policy folder and one profile of two listed) and Chromium (its
// policy folders, as an administrator makes them) installed, and no Chrome; everything inside a
// temporary folder.
struct TMachine {
    TMachine() {
        QDir(Root).mkpath("etc/firefox/policies");
        QDir(Root).mkpath("etc/chromium/policies/managed");
        QDir(Root).mkpath("home/.mozilla/firefox/abc.default");
        Write(FirefoxPolicies(), R"({"policies": {"DisableTelemetry": true}})");
        Write(Root + "/home/.mozilla/firefox/profiles.ini",
              "[General]\nStartWithLastProfile=1\n\n"
              "[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\n\n"
              "[Profile1]\nName=gone\nIsRelative=1\nPath=gone.default\n");
        Write(UserJs(), "user_pref(\"browser.startup.homepage\", \"http://old\");\n"
                        "user_pref(\"general.smoothScroll\", false);\n");
    }
    QString FirefoxPolicies() const { return Root + "/etc/firefox/policies/policies.json"; }
    QString ChromiumPolicies() const {
        return Root + "/etc/chromium/policies/recommended/" + TPolicyStartPage::ChromiumPolicyFile;
    }
    QString ChromiumManaged() const {
        return Root + "/etc/chromium/policies/managed/" + TPolicyStartPage::ChromiumPolicyFile;
    }
    QString UserJs() const { return Root + "/home/.mozilla/firefox/abc.default/user.js"; }
    std::shared_ptr<TPolicyStartPage> StartPage() const {
        return std::make_shared<TPolicyStartPage>(Root.toStdString(),
                                                  (Root + "/home").toStdString());
    }
    QJsonObject Json(const QString &File) const {
        return QJsonDocument::fromJson(Read(File)).object();
    }
    QTemporaryDir Dir;
    QString Root = Dir.path();
};

// The value of a user_pref line of user.js, with its JavaScript string escapes undone.
QString JsValue(const QByteArray &UserJs, const QString &Pref, int *Lines = nullptr) {
    QString Value;
    int Count = 0;
    for (const QByteArray &Line : UserJs.split('\n')) {
        const QString Prefix = "user_pref(\"" + Pref + "\", \"";
        const QString L = QString::fromUtf8(Line);
        if (!L.startsWith(Prefix) || !L.endsWith("\");"))
            continue;
        ++Count;
        const QString Body = L.mid(Prefix.size(), L.size() - Prefix.size() - 3);
        Value.clear();
        for (int I = 0; I < Body.size(); ++I) {
            if (Body[I] != '\\') {
                // An unescaped quote would have ended the string early.
                if (Body[I] == '"')
                    return "<broken>";
                Value += Body[I];
                continue;
            }
            const QChar E = Body[++I];
            if (E == 'n')
                Value += '\n';
            else if (E == 'r')
                Value += '\r';
            else if (E == 'u') {
                Value += QChar(Body.mid(I + 1, 4).toUShort(nullptr, 16));
                I += 4;
            } else
                Value += E;
        }
    }
    if (Lines)
        *Lines = Count;
    return Value;
}

// The start-page operation as a user of the machine runs it, in a process of its own (the child
// mode below): its boxes, one "box <text>" line each.
int ChangeMainPage(const char *Root, const char *Home, const char *Url) {
    Dialogs::TDialogScript Script;
    TIECtrl(nullptr, std::make_shared<TPolicyStartPage>(Root, Home))
        .ChangeMainPage(QString::fromUtf8(Url));
    for (const Dialogs::TShown &Box : Script.Shown())
        std::printf("box %s\n", Box.Text.toUtf8().constData());
    return 0;
}

// Gives Path and everything below it to the user Uid.
bool GiveTo(const QString &Path, uid_t Uid, gid_t Gid) {
    if (::lchown(QFile::encodeName(Path).constData(), Uid, Gid) != 0)
        return false;
    if (!QFileInfo(Path).isDir() || QFileInfo(Path).isSymLink())
        return true;
    for (const QFileInfo &Entry :
         QDir(Path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!GiveTo(Entry.filePath(), Uid, Gid))
            return false;
    return true;
}

} // namespace

class tst_PolicyStartPage : public QObject {
    Q_OBJECT
private slots:
    void writesOnlyWhereBrowsersAre() {
        TMachine M;
        TIECtrl IE(nullptr, M.StartPage());
        Dialogs::TDialogScript Script;
        IE.ChangeMainPage("http://www.example.com/");
        QVERIFY(Script.Shown().isEmpty());

        const QJsonObject Policies = M.Json(M.FirefoxPolicies()).value("policies").toObject();
        QCOMPARE(Policies.value("Homepage").toObject().value("URL").toString(),
                 "http://www.example.com/");
        QCOMPARE(Policies.value("Homepage").toObject().value("StartPage").toString(), "homepage");
        QVERIFY(Policies.value("DisableTelemetry").toBool()); // the admin's own policy stays

        const QJsonObject Chromium = M.Json(M.ChromiumPolicies());
        QCOMPARE(Chromium.value("HomepageLocation").toString(), "http://www.example.com/");
        QCOMPARE(Chromium.value("RestoreOnStartupURLs").toArray().first().toString(),
                 "http://www.example.com/");
        // A default the user may change, not a policy that locks the page.
        QVERIFY(!QFileInfo::exists(M.ChromiumManaged()));

        const QByteArray UserJs = Read(M.UserJs());
        int Lines = 0;
        QCOMPARE(JsValue(UserJs, "browser.startup.homepage", &Lines), "http://www.example.com/");
        QCOMPARE(Lines, 1);
        QVERIFY(UserJs.contains("user_pref(\"general.smoothScroll\", false);\n"));
        QVERIFY(UserJs.contains("user_pref(\"browser.startup.page\", 1);\n"));

        // Browsers that are not there get nothing, not even a folder.
        QVERIFY(!QFileInfo::exists(M.Root + "/etc/opt"));
        QVERIFY(!QFileInfo::exists(M.Root + "/etc/firefox-esr"));
        QVERIFY(!QFileInfo::exists(M.Root + "/usr"));
        QVERIFY(!QFileInfo::exists(M.Root + "/home/.mozilla/firefox/gone.default"));
        QVERIFY(!QFileInfo::exists(M.Root + "/home/snap"));
    }

    void nothingInstalledWritesNothing() {
        QTemporaryDir Empty;
        TPolicyStartPage StartPage(Empty.path().toStdString(), Empty.path().toStdString());
        QCOMPARE(StartPage.SetMachineWide("http://a/"), std::string());
        QCOMPARE(StartPage.SetPerUser("http://a/"), std::string());
        QVERIFY(QDir(Empty.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void addressCannotBreakTheFiles() {
        const QString Evil = "http://x/\"); user_pref(\"evil\", 1); //\\\nuser_pref(\"evil2\", "
                             "2);\r\u2028\"}, \"x\": {\"";
        TMachine M;
        TIECtrl IE(nullptr, M.StartPage());
        Dialogs::TDialogScript Script;
        IE.ChangeMainPage(Evil);
        QVERIFY(Script.Shown().isEmpty());
        const QByteArray UserJs = Read(M.UserJs());
        QVERIFY(!UserJs.contains("\nuser_pref(\"evil"));
        QCOMPARE(UserJs.count('\n'), 3);
        QCOMPARE(JsValue(UserJs, "browser.startup.homepage"), Evil);
        QCOMPARE(M.Json(M.FirefoxPolicies())
                     .value("policies")
                     .toObject()
                     .value("Homepage")
                     .toObject()
                     .value("URL")
                     .toString(),
                 Evil);
        QCOMPARE(M.Json(M.ChromiumPolicies()).keys().size(), 4);
        QCOMPARE(M.Json(M.ChromiumPolicies()).value("HomepageLocation").toString(), Evil);
    }

    void unwritableFileEndsTheOperation() {
        TMachine M;
        // Root is not stopped by permissions: a folder where the file should be makes the write
        // fail.
        QVERIFY(QDir().mkpath(M.ChromiumPolicies()));
        const QByteArray UserJs = Read(M.UserJs());
        TIECtrl IE(nullptr, M.StartPage());
        Dialogs::TDialogScript Script;
        IE.ChangeMainPage("http://new/");
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, "message");
        QCOMPARE(Script.Shown()[0].Text,
                 QString("Failed to set data for '%1'").arg(M.ChromiumPolicies()));
        // The user's own file was not reached.
        QCOMPARE(Read(M.UserJs()), UserJs);
        QVERIFY(QFileInfo(M.ChromiumPolicies()).isDir());
    }

    void unreadablePolicyFileIsLeftAlone() {
        TMachine M;
        Write(M.FirefoxPolicies(), "{ not json");
        Dialogs::TDialogScript Script;
        TIECtrl(nullptr, M.StartPage()).ChangeMainPage("http://new/");
        QCOMPARE(Script.Shown().size(), 1);
        QVERIFY(Script.Shown()[0].Text.contains("policies.json"));
        QCOMPARE(Read(M.FirefoxPolicies()), QByteArray("{ not json"));
        QVERIFY(!QFileInfo::exists(M.ChromiumPolicies()));
    }

    // Debian's Chromium comes with /etc/chromium but no policy folders; an earlier version of
    // this program left its file among Chrome's managed policies, which lock the page and make
    // the browser say it is managed by an organisation.
    void chromiumGetsADefaultTheUserMayChange() {
        QTemporaryDir Dir;
        const QString Root = Dir.path();
        const QString Ours = TPolicyStartPage::ChromiumPolicyFile;
        QDir(Root).mkpath("etc/chromium");
        Write(Root + "/etc/opt/chrome/policies/managed/" + Ours,
              "{\"HomepageLocation\": \"http://old/\"}");
        Write(Root + "/etc/opt/chrome/policies/managed/admin.json",
              R"({"BookmarkBarEnabled": true})");
        TPolicyStartPage StartPage(Root.toStdString(), (Root + "/home").toStdString());
        // Whoever runs it, every user's browser must be able to read what is written.
        const mode_t Umask = ::umask(077);
        const std::string Failed = StartPage.SetMachineWide("http://new/");
        ::umask(Umask);
        QCOMPARE(Failed, std::string());
        for (const QString Browser : {"etc/chromium", "etc/opt/chrome"}) {
            const QString Recommended = Root + "/" + Browser + "/policies/recommended";
            const QJsonObject Policy =
                QJsonDocument::fromJson(Read(Recommended + "/" + Ours)).object();
            QCOMPARE(Policy.value("HomepageLocation").toString(), "http://new/");
            QCOMPARE(Policy.value("RestoreOnStartupURLs").toArray().first().toString(),
                     "http://new/");
            for (const QString &Path : {Root + "/" + Browser + "/policies", Recommended})
                QVERIFY2(QFileInfo(Path).permission(QFile::ReadOther | QFile::ExeOther),
                         qPrintable(Path));
            QVERIFY(QFileInfo(Recommended + "/" + Ours).permission(QFile::ReadOther));
        }
        QVERIFY(!QFileInfo::exists(Root + "/etc/opt/chrome/policies/managed/" + Ours));
        QVERIFY(QFileInfo::exists(Root + "/etc/opt/chrome/policies/managed/admin.json"));
        QVERIFY(!QFileInfo::exists(Root + "/etc/chromium/policies/managed"));
        QVERIFY(!QFileInfo::exists(Root + "/etc/brave"));
        QVERIFY(!QFileInfo::exists(Root + "/etc/opt/edge"));
    }

    // Every place a Firefox of today or of earlier years keeps its profiles. The first is the
    // layout Firefox ESR 153 made on Debian 12 for a new user with
    // `firefox-esr --headless -CreateProfile qctest`: profiles.ini and the profile under
    // ~/.config/mozilla/firefox, the profile's section before [General].
    void reachesFirefoxProfilesWhereverTheyAre() {
        QTemporaryDir Dir;
        const QString Home = Dir.path() + "/home";
        const QString Xdg = Dir.path() + "/xdg";
        const QString General = "\n[General]\nStartWithLastProfile=1\nVersion=2\n";
        const auto Relative = [](const QString &Name) {
            return "[Profile0]\nName=" + Name + "\nIsRelative=1\nPath=" + Name + "\n";
        };
        QStringList Profiles;
        const auto Add = [&](const QString &Folder, const QString &Ini, const QString &Profile) {
            Write(Folder + "/profiles.ini", Ini.toUtf8());
            QDir().mkpath(Profile);
            Profiles.append(Profile);
        };
        const QString New = Home + "/.config/mozilla/firefox";
        Add(New, "[Profile0]\nName=qctest\nIsRelative=1\nPath=qqsxtcon.qctest\n" + General,
            New + "/qqsxtcon.qctest");
        // $XDG_CONFIG_HOME elsewhere, with a profile at an absolute path.
        Add(Xdg + "/mozilla/firefox",
            "[Profile0]\nName=x\nIsRelative=0\nPath=" + Dir.path() + "/abs profile\n" + General,
            Dir.path() + "/abs profile");
        Add(Home + "/.mozilla/firefox", Relative("old.default") + General,
            Home + "/.mozilla/firefox/old.default");
        Add(Home + "/snap/firefox/common/.mozilla/firefox", Relative("snap.default"),
            Home + "/snap/firefox/common/.mozilla/firefox/snap.default");
        const QString Flatpak = Home + "/.var/app/org.mozilla.firefox/config/mozilla/firefox";
        Add(Flatpak, Relative("flat.default") + General, Flatpak + "/flat.default");

        const QString Url = "file:///srv/start page.html";
        TPolicyStartPage StartPage((Dir.path() + "/root").toStdString(), Home.toStdString(),
                                   Xdg.toStdString());
        QCOMPARE(StartPage.SetPerUser(Url.toStdString()), std::string());
        for (const QString &Profile : Profiles) {
            int Lines = 0;
            QCOMPARE(JsValue(Read(Profile + "/user.js"), "browser.startup.homepage", &Lines), Url);
            QCOMPARE(Lines, 1);
        }
    }

    // Debian's Firefox ESR and Chromium keep their machine-wide places in root's folders. An
    // ordinary user changing the start page sees no error for them, and the user's own profile
    // is still written. Root is not stopped by permissions, so the operation runs as another
    // user.
    void machinePlacesTheUserCannotWriteArePassedOver() {
        QTemporaryDir Dir;
        QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        const QString Root = Dir.path() + "/root";
        const QString Home = Dir.path() + "/home";
        const QByteArray Admin = R"({"policies": {"DisableTelemetry": true}})";
        QDir(Root).mkpath("usr/lib/firefox-esr/distribution");
        Write(Root + "/etc/firefox/policies/policies.json", Admin);
        QDir(Root).mkpath("etc/chromium");
        QDir(Root).mkpath("etc/opt/chrome/policies/recommended");
        const QString Profiles = Home + "/.config/mozilla/firefox";
        Write(Profiles + "/profiles.ini",
              "[Profile0]\nName=qctest\nIsRelative=1\nPath=qqsxtcon.qctest\n");
        QDir().mkpath(Profiles + "/qqsxtcon.qctest");

        const QStringList Machine{Root + "/usr/lib/firefox-esr/distribution",
                                  Root + "/etc/firefox/policies", Root + "/etc/chromium",
                                  Root + "/etc/opt/chrome/policies/recommended"};
        QProcess Child;
        QTemporaryDir UserCopy;
        QStringList Args{"--change-main-page", Root, Home, "http://home.example/"};
        const bool AsRoot = ::geteuid() == 0;
        if (AsRoot) {
            QC_REQUIRE_PROGRAM("setpriv");
            const QString Setpriv = QStandardPaths::findExecutable("setpriv");
            // nobody:nogroup, as on Debian.
            const uid_t Uid = 65534;
            const gid_t Gid = 65534;
            QVERIFY(GiveTo(Home, Uid, Gid));
            QVERIFY(UserCopy.isValid());
            const QString Copy = CopyOfThisProgram(UserCopy.path());
            QVERIFY(!Copy.isEmpty());
            Args = QStringList{"--reuid=" + QString::number(Uid), "--regid=" + QString::number(Gid),
                               "--clear-groups", Copy} +
                   Args;
            Child.setProgram(Setpriv);
        } else {
            for (const QString &Folder : Machine)
                QFile::setPermissions(Folder, QFile::ReadOwner | QFile::ExeOwner);
            Child.setProgram(QCoreApplication::applicationFilePath());
        }
        Child.setArguments(Args);
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("HOME", Home);
        if (AsRoot)
            Env.insert("LD_LIBRARY_PATH", UserCopy.path());
        Child.setProcessEnvironment(Env);
        Child.start();
        const bool Finished = Child.waitForFinished(60000);
        if (!AsRoot)
            for (const QString &Folder : Machine)
                QFile::setPermissions(Folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(Finished);
        QVERIFY2(Child.exitCode() == 0, Child.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(Child.readAllStandardOutput()), QString());

        QCOMPARE(JsValue(Read(Profiles + "/qqsxtcon.qctest/user.js"), "browser.startup.homepage"),
                 "http://home.example/");
        QCOMPARE(Read(Root + "/etc/firefox/policies/policies.json"), Admin);
        QVERIFY(!QFileInfo::exists(Root + "/usr/lib/firefox-esr/distribution/policies.json"));
        QVERIFY(!QFileInfo::exists(Root + "/etc/chromium/policies"));
        QVERIFY(QDir(Root + "/etc/opt/chrome/policies/recommended").isEmpty());
    }

    // A machine-wide place on a read-only mount is passed over the same way, for root too. The
    // mount is made in a mount namespace of the child's own, so nothing else sees it.
    void machinePlacesOnAReadOnlyMountArePassedOver() {
        // Making a mount is root's: an ordinary user's run cannot check this.
        if (::geteuid() != 0)
            QSKIP("needs root to make a read-only mount");
        QC_REQUIRE_PROGRAM("unshare");
        const QString Unshare = QStandardPaths::findExecutable("unshare");
        TMachine M;
        const QByteArray Firefox = Read(M.FirefoxPolicies());
        const QString Folder = QFileInfo(M.FirefoxPolicies()).path();
        QProcess Child;
        Child.start(Unshare,
                    {"--mount", "sh", "-c",
                     "mount --bind -o ro \"$1\" \"$1\" || exit 3; shift; exec \"$@\"", "sh", Folder,
                     QCoreApplication::applicationFilePath(), "--change-main-page", M.Root,
                     M.Root + "/home", "http://ro.example/"});
        QVERIFY(Child.waitForFinished(60000));
        // Root in a container without the right to mount (no CAP_SYS_ADMIN) cannot either.
        if (Child.exitCode() == 3)
            QSKIP("this machine lets not even root make a mount (a container without "
                  "CAP_SYS_ADMIN?)");
        QVERIFY2(Child.exitCode() == 0, Child.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(Child.readAllStandardOutput()), QString());
        QCOMPARE(Read(M.FirefoxPolicies()), Firefox);
        QCOMPARE(JsValue(Read(M.UserJs()), "browser.startup.homepage"), "http://ro.example/");
        // The places that could be written were.
        QCOMPARE(M.Json(M.ChromiumPolicies()).value("HomepageLocation").toString(),
                 "http://ro.example/");
    }

    void failingUserFileIsReported() {
        auto Fake = std::make_shared<TFakeStartPage>();
        Fake->FailUser = "/home/u/.mozilla/firefox/p/user.js";
        Dialogs::TDialogScript Script;
        TIECtrl(nullptr, Fake).ChangeMainPage("http://a/");
        QCOMPARE(Fake->Calls, (std::vector<std::string>{"machine http://a/", "user http://a/"}));
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text,
                 "Failed to set data for '/home/u/.mozilla/firefox/p/user.js'");
    }
};

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--change-main-page") == 0)
        return ChangeMainPage(argv[2], argv[3], argv[4]);
    tst_PolicyStartPage Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_policystartpage.moc"
