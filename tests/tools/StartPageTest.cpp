#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
// managed-policy folder) installed, and no Chrome; everything inside a temporary folder.
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

} // namespace

class TStartPageTest : public QObject {
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

QTEST_GUILESS_MAIN(TStartPageTest)
#include "StartPageTest.moc"
