#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "platform/linux/PolicyStartPage.h"
#include "tools/IECtrl.h"

using platform::TStartPageOutcome;
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

// A machine with Firefox (its policy folder with the administrator's file, and one profile of
// two listed) and Debian's Chromium (/etc/chromium with no policy folders), everything inside a
// temporary folder. The Chromium profile, its lock and an earlier version's policy come as a
// test asks.
struct TMachine {
    TMachine() {
        QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        QDir(Root).mkpath("etc/firefox/policies");
        Write(Root + "/etc/chromium/master_preferences", "{}");
        QDir(Root).mkpath("home/.mozilla/firefox/abc.default");
        Write(FirefoxPolicies(), Admin);
        Write(Root + "/home/.mozilla/firefox/profiles.ini",
              "[General]\nStartWithLastProfile=1\n\n"
              "[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\n\n"
              "[Profile1]\nName=gone\nIsRelative=1\nPath=gone.default\n");
        Write(UserJs(), "user_pref(\"browser.startup.homepage\", \"http://old\");\n"
                        "user_pref(\"general.smoothScroll\", false);\n");
    }
    void AddChromiumProfile() {
        Write(Preferences(),
              R"({"browser": {"has_seen_welcome_page": true}, "homepage": "http://old/",)"
              R"( "session": {"restore_on_startup": 1, "kept": true}})");
    }
    // Running: the lock names this test's own process; else a process that has ended.
    bool LockChromium(bool Running) {
        qint64 Pid = QCoreApplication::applicationPid();
        if (!Running) {
            QProcess Ended;
            Ended.start("true");
            // Its id is known only while it runs.
            if (!Ended.waitForStarted(10000))
                return false;
            Pid = Ended.processId();
            if (!Ended.waitForFinished(10000))
                return false;
        }
        return QFile::link(QSysInfo::machineHostName() + "-" + QString::number(Pid),
                           Root + "/home/.config/chromium/SingletonLock");
    }
    QString FirefoxPolicies() const { return Root + "/etc/firefox/policies/policies.json"; }
    QString ChromiumPolicy() const {
        return Root + "/etc/chromium/policies/recommended/" + TPolicyStartPage::ChromiumPolicyFile;
    }
    QString ChromiumManaged() const {
        return Root + "/etc/chromium/policies/managed/" + TPolicyStartPage::ChromiumPolicyFile;
    }
    QString UserJs() const { return Root + "/home/.mozilla/firefox/abc.default/user.js"; }
    QString Preferences() const { return Root + "/home/.config/chromium/Default/Preferences"; }
    std::shared_ptr<TPolicyStartPage> StartPage() const {
        return std::make_shared<TPolicyStartPage>(Root.toStdString(),
                                                  (Root + "/home").toStdString());
    }
    QJsonObject Json(const QString &File) const {
        return QJsonDocument::fromJson(Read(File)).object();
    }
    const QByteArray Admin = R"({"policies": {"DisableTelemetry": true}})";
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
// mode below), answering its question with Answer ("yes", "no"): its boxes, one line each,
// "<kind> <text>" with line breaks as "|".
int ChangeMainPage(const char *Root, const char *Home, const char *Url, const char *Answer) {
    Dialogs::TDialogScript Script;
    if (std::strcmp(Answer, "yes") == 0 || std::strcmp(Answer, "no") == 0)
        Script.Answer(std::strcmp(Answer, "yes") == 0);
    TIECtrl(nullptr, std::make_shared<TPolicyStartPage>(Root, Home))
        .ChangeMainPage(QString::fromUtf8(Url));
    for (const Dialogs::TShown &Box : Script.Shown())
        std::printf("%s %s\n", Box.Kind.toUtf8().constData(),
                    QString(Box.Text).replace('\n', '|').toUtf8().constData());
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

// Runs the start-page operation on M as root or, as an ordinary user (nobody, when the test
// runs as root), with M's home given to that user; its boxes, or a line starting with "failed".
QStringList RunAs(TMachine &M, bool AsRoot, const QString &Url, const QString &Answer) {
    const QString Home = M.Root + "/home";
    QProcess Child;
    QTemporaryDir UserCopy;
    QStringList Args{"--change-main-page", M.Root, Home, Url, Answer};
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("HOME", Home);
    Env.remove("XDG_CONFIG_HOME");
    Child.setProgram(QCoreApplication::applicationFilePath());
    if (!AsRoot && ::geteuid() == 0) {
        const QString Setpriv = QStandardPaths::findExecutable("setpriv");
        if (Setpriv.isEmpty())
            return {"failed: setpriv (util-linux) is needed to run as an ordinary user"};
        // nobody:nogroup, as on Debian.
        if (!GiveTo(Home, 65534, 65534))
            return {"failed: cannot give the home folder away"};
        const QString Copy = CopyOfThisProgram(UserCopy.path());
        if (Copy.isEmpty())
            return {"failed: cannot copy the test program"};
        Child.setProgram(Setpriv);
        Args = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", Copy} + Args;
        Env.insert("LD_LIBRARY_PATH", UserCopy.path());
    }
    Child.setArguments(Args);
    Child.setProcessEnvironment(Env);
    Child.start();
    if (!Child.waitForFinished(60000) || Child.exitCode() != 0)
        return {"failed: " + QString::fromUtf8(Child.readAllStandardError())};
    return QString::fromUtf8(Child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class tst_PolicyStartPage : public QObject {
    Q_OBJECT
private slots:
    // The start page over the cases a user meets: a Chromium profile or none, Chromium running
    // or not (a lock left by a crash does not count), an earlier policy of this program or
    // none, run as an ordinary user or as root, and the answer to the policy question. Firefox
    // is changed in every case, through its profile, and the administrator's Firefox policy is
    // never touched.
    void startPage_data() {
        QTest::addColumn<bool>("AsRoot");
        QTest::addColumn<bool>("Profile");
        QTest::addColumn<QString>("Lock"); // "", "running" or "stale"
        QTest::addColumn<bool>("OldPolicy");
        QTest::addColumn<QString>("Answer");
        QTest::addColumn<bool>("Asked");
        QTest::addColumn<bool>("PrefsChanged");
        QTest::addColumn<QString>("PolicyAfter"); // "", "new" or "old"
        QTest::addColumn<QString>("Message");
        const QString Both = "主页：http://new/|已更改：Firefox、Chromium";
        const QString Running = "主页：http://new/|已更改：Firefox|未更改：|"
                                "Chromium：浏览器正在运行，请关闭它后再更改主页。";
        QTest::newRow("user") << false << true << "" << false << "" << false << true << "" << Both;
        QTest::newRow("user, browser running")
            << false << true << "running" << false << "" << false << false << "" << Running;
        QTest::newRow("user, lock left by a crash")
            << false << true << "stale" << false << "" << false << true << "" << Both;
        QTest::newRow("user, no profile")
            << false << false << "" << false << "" << false << false << ""
            << "主页：http://new/|已更改：Firefox|未更改：|"
               "Chromium：此用户还没有用过这个浏览器，请先启动它一次再更改主页。";
        // Root's old policy is not the user's to remove, and nothing asks about it.
        QTest::newRow("user, root's old policy")
            << false << true << "" << true << "" << false << true << "old" << Both;
        QTest::newRow("root") << true << true << "" << false << "" << false << true << "" << Both;
        QTest::newRow("root, browser running")
            << true << true << "running" << false << "" << false << false << "" << Running;
        QTest::newRow("root, no profile, policy wanted")
            << true << false << "" << false << "yes" << true << false << "new"
            << "主页：http://new/|已更改：Firefox、Chromium（本机策略）";
        QTest::newRow("root, no profile, policy declined")
            << true << false << "" << false << "no" << true << false << ""
            << "主页：http://new/|已更改：Firefox|未更改：|"
               "Chromium：只能通过本机策略更改，按您的选择没有写入。";
        QTest::newRow("root, old policy kept")
            << true << true << "" << true << "yes" << true << true << "new" << Both;
        QTest::newRow("root, old policy declined")
            << true << true << "" << true << "no" << true << true << ""
            << Both + "|已删除本程序以前写入的本机策略（Chromium）。";
    }
    void startPage() {
        QFETCH(bool, AsRoot);
        QFETCH(bool, Profile);
        QFETCH(QString, Lock);
        QFETCH(bool, OldPolicy);
        QFETCH(QString, Answer);
        QFETCH(bool, Asked);
        QFETCH(bool, PrefsChanged);
        QFETCH(QString, PolicyAfter);
        QFETCH(QString, Message);
        if (AsRoot && ::geteuid() != 0)
            QSKIP("this case is the one of a program run by root");
        TMachine M;
        if (Profile)
            M.AddChromiumProfile();
        if (!Lock.isEmpty())
            QVERIFY(M.LockChromium(Lock == "running"));
        const QByteArray Old = R"({"HomepageLocation": "http://old/"})";
        if (OldPolicy)
            Write(M.ChromiumManaged(), Old);
        const QByteArray Prefs = Read(M.Preferences());
        // An ordinary user running the test may write everything in its folder: the machine's
        // places are made the administrator's for the time of the run.
        const QStringList Machine{M.Root + "/etc/firefox/policies", M.Root + "/etc/chromium",
                                  M.Root + "/etc/chromium/policies",
                                  M.Root + "/etc/chromium/policies/managed"};
        const bool Restrict = !AsRoot && ::geteuid() != 0;
        for (const QString &Folder : Machine)
            if (Restrict && QFileInfo::exists(Folder))
                QFile::setPermissions(Folder, QFile::ReadOwner | QFile::ExeOwner);
        const QStringList Boxes = RunAs(M, AsRoot, "http://new/", Answer);
        for (const QString &Folder : Machine)
            if (Restrict && QFileInfo::exists(Folder))
                QFile::setPermissions(Folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QVERIFY2(Boxes.isEmpty() || !Boxes[0].startsWith("failed"), qPrintable(Boxes.join('\n')));
        QCOMPARE(Boxes.size(), Asked ? 2 : 1);
        if (Asked) {
            QVERIFY2(Boxes[0].startsWith("question ") && Boxes[0].contains("Chromium") &&
                         Boxes[0].contains("Your browser is managed by your organization"),
                     qPrintable(Boxes[0]));
        }
        QCOMPARE(Boxes.last(), "message " + Message);

        QCOMPARE(JsValue(Read(M.UserJs()), "browser.startup.homepage"), "http://new/");
        QCOMPARE(Read(M.FirefoxPolicies()), M.Admin);
        const QJsonObject After = M.Json(M.Preferences());
        if (PrefsChanged) {
            QCOMPARE(After.value("homepage").toString(), "http://new/");
            QCOMPARE(After.value("homepage_is_newtabpage").toBool(true), false);
            const QJsonObject Session = After.value("session").toObject();
            QCOMPARE(Session.value("restore_on_startup").toInt(), 4);
            QCOMPARE(Session.value("startup_urls").toArray(), QJsonArray{"http://new/"});
            // The rest of the profile's settings stay.
            QVERIFY(Session.value("kept").toBool());
            QVERIFY(After.value("browser").toObject().value("has_seen_welcome_page").toBool());
        } else {
            QCOMPARE(Read(M.Preferences()), Prefs);
        }
        if (PolicyAfter == "new") {
            QCOMPARE(M.Json(M.ChromiumPolicy()).value("HomepageLocation").toString(),
                     "http://new/");
            QVERIFY(QFileInfo(M.ChromiumPolicy()).permission(QFile::ReadOther));
            QVERIFY(!QFileInfo::exists(M.ChromiumManaged()));
        } else {
            QVERIFY(!QFileInfo::exists(M.ChromiumPolicy()));
            QCOMPARE(QFileInfo::exists(M.ChromiumManaged()), PolicyAfter == "old");
            if (PolicyAfter == "old")
                QCOMPARE(Read(M.ChromiumManaged()), Old);
        }
    }

    // Browsers that are not there get nothing, not even a folder, and the user hears so.
    void nothingInstalledWritesNothing() {
        QTemporaryDir Empty;
        Dialogs::TDialogScript Script;
        TIECtrl(nullptr, std::make_shared<TPolicyStartPage>(Empty.path().toStdString(),
                                                            Empty.path().toStdString()))
            .ChangeMainPage("http://a/");
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, "没有找到已安装的浏览器，主页没有更改。");
        QVERIFY(QDir(Empty.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void addressCannotBreakTheFiles() {
        const QString Evil = "http://x/\"); user_pref(\"evil\", 1); //\\\nuser_pref(\"evil2\", "
                             "2);\r\u2028\"}, \"x\": {\"";
        TMachine M;
        M.AddChromiumProfile();
        TPolicyStartPage StartPage(M.Root.toStdString(), (M.Root + "/home").toStdString());
        for (const auto &Result : StartPage.SetForUser(Evil.toStdString()))
            QCOMPARE(Result.Outcome, TStartPageOutcome::Changed);
        const QByteArray UserJs = Read(M.UserJs());
        QVERIFY(!UserJs.contains("\nuser_pref(\"evil"));
        QCOMPARE(UserJs.count('\n'), 3);
        QCOMPARE(JsValue(UserJs, "browser.startup.homepage"), Evil);
        QCOMPARE(M.Json(M.Preferences()).value("homepage").toString(), Evil);
        QCOMPARE(M.Json(M.Preferences()).keys(),
                 (QStringList{"browser", "homepage", "homepage_is_newtabpage", "session"}));
        QCOMPARE(StartPage.SetByPolicy(Evil.toStdString(), {"Chromium"}).size(), size_t(1));
        QCOMPARE(M.Json(M.ChromiumPolicy()).keys().size(), 4);
        QCOMPARE(M.Json(M.ChromiumPolicy()).value("HomepageLocation").toString(), Evil);
    }

    // A profile whose Preferences cannot be read as settings is left as it is and named; the
    // other browsers are still changed, and all is told in one message.
    void brokenFileIsNamedAndTheRestIsDone() {
        TMachine M;
        Write(M.Preferences(), "{ not json");
        Dialogs::TDialogScript Script;
        TIECtrl(nullptr, M.StartPage()).ChangeMainPage("http://new/");
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(
            Script.Shown()[0].Text,
            "主页：http://new/\n已更改：Firefox\n未更改：\nChromium：Failed to set data for '" +
                M.Preferences() + "'");
        QCOMPARE(Read(M.Preferences()), QByteArray("{ not json"));
        QCOMPARE(JsValue(Read(M.UserJs()), "browser.startup.homepage"), "http://new/");
    }

    // Each profile of the Chromium family, wherever the browser keeps them: every profile
    // folder, the snap's and the flatpak's folders; not the profile picker's or a guest's.
    void reachesChromiumProfilesWhereverTheyAre() {
        QTemporaryDir Dir;
        const QString Home = Dir.path() + "/home";
        const QStringList Profiles{
            Home + "/.config/chromium/Default", Home + "/.config/chromium/Profile 1",
            Home + "/snap/chromium/common/chromium/Default",
            Home + "/.var/app/com.google.Chrome/config/google-chrome/Default",
            Home + "/.config/BraveSoftware/Brave-Browser/Default"};
        const QStringList NotUsers{Home + "/.config/chromium/System Profile",
                                   Home + "/.config/chromium/Guest Profile"};
        for (const QString &Profile : Profiles + NotUsers)
            Write(Profile + "/Preferences", "{}");
        TPolicyStartPage StartPage((Dir.path() + "/root").toStdString(), Home.toStdString());
        const auto Results = StartPage.SetForUser("http://p/");
        QStringList Browsers;
        for (const auto &Result : Results) {
            QCOMPARE(Result.Outcome, TStartPageOutcome::Changed);
            Browsers << QString::fromStdString(Result.Browser);
        }
        QCOMPARE(Browsers, (QStringList{"Chromium", "Google Chrome", "Brave"}));
        for (const QString &Profile : Profiles)
            QCOMPARE(QJsonDocument::fromJson(Read(Profile + "/Preferences"))
                         .object()
                         .value("homepage")
                         .toString(),
                     "http://p/");
        for (const QString &Profile : NotUsers)
            QCOMPARE(Read(Profile + "/Preferences"), QByteArray("{}"));
        QVERIFY(!QFileInfo::exists(Dir.path() + "/root"));
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
        const auto Results = StartPage.SetForUser(Url.toStdString());
        QCOMPARE(Results.size(), size_t(1));
        QCOMPARE(Results[0].Outcome, TStartPageOutcome::Changed);
        for (const QString &Profile : Profiles) {
            int Lines = 0;
            QCOMPARE(JsValue(Read(Profile + "/user.js"), "browser.startup.homepage", &Lines), Url);
            QCOMPARE(Lines, 1);
        }
    }

    // A policy of this program is written so that every user's browser reads it, whoever runs
    // it; removing takes back only this program's files, the administrator's stay.
    void policiesAreReadableAndRemovable() {
        QTemporaryDir Dir;
        const QString Root = Dir.path();
        const QString Ours = TPolicyStartPage::ChromiumPolicyFile;
        QDir(Root).mkpath("etc/chromium");
        Write(Root + "/etc/opt/chrome/policies/managed/" + Ours,
              "{\"HomepageLocation\": \"http://old/\"}");
        Write(Root + "/etc/opt/chrome/policies/managed/admin.json",
              R"({"BookmarkBarEnabled": true})");
        TPolicyStartPage StartPage(Root.toStdString(), (Root + "/home").toStdString());
        QCOMPARE(StartPage.OwnPolicies(), std::vector<std::string>{"Google Chrome"});
        const mode_t Umask = ::umask(077);
        const auto Results = StartPage.SetByPolicy("http://new/", {"Chromium", "Google Chrome"});
        ::umask(Umask);
        QCOMPARE(Results.size(), size_t(2));
        for (const auto &Result : Results)
            QCOMPARE(Result.Outcome, TStartPageOutcome::ByPolicy);
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
        QVERIFY(!QFileInfo::exists(Root + "/etc/brave"));
        QCOMPARE(StartPage.OwnPolicies(), (std::vector<std::string>{"Chromium", "Google Chrome"}));

        QCOMPARE(StartPage.RemovePolicies(), std::vector<std::string>{});
        QVERIFY(StartPage.OwnPolicies().empty());
        QVERIFY(!QFileInfo::exists(Root + "/etc/chromium/policies/recommended/" + Ours));
        QVERIFY(QFileInfo::exists(Root + "/etc/opt/chrome/policies/managed/admin.json"));
    }
};

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "--change-main-page") == 0)
        return ChangeMainPage(argv[2], argv[3], argv[4], argv[5]);
    tst_PolicyStartPage Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_policystartpage.moc"
