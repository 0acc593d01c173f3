// Where the program keeps its files: beside the executable when a cfg.ini is there, else in the
// user's XDG folders seeded from the installed templates; where it finds its companion files; and
// how the connection string names the database.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"
#include "config/AppPaths.h"
#include "config/Config.h"
#include "config/IniFile.h"

namespace {

bool Write(const QString &File, const QByteArray &Text) {
    QDir().mkpath(QFileInfo(File).absolutePath());
    QFile F(File);
    return F.open(QIODevice::WriteOnly | QIODevice::Truncate) && F.write(Text) == Text.size();
}

QByteArray Read(const QString &File) {
    QFile F(File);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

} // namespace

class tst_AppPaths : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void RelativeDataSourceIsNamedAgainstTheSettingsFolder_data();
    void RelativeDataSourceIsNamedAgainstTheSettingsFolder();
    void ConfigReadsTheDatabaseBesideItsOwnIni();
    void AutoRunStartsTheInstalledProgram();
    void IniBesideTheProgramMeansPortable();
    void WithoutIniBesideTheProgramTheUserFoldersAreUsed();
    void FirstStartSeedsTheUserFoldersFromTheTemplates();
    void LaterStartsKeepWhatTheUserHas();
    void AMissingTemplateDatabaseIsReported();
    void CompanionsAreFoundBesideTheProgramThenInstalled();

private:
    // An installed tree (bin/ and share/qingchuan/) and a home with its XDG folders.
    std::unique_ptr<QTemporaryDir> FRoot;
    QString Prefix() const { return FRoot->path() + "/usr/"; }
    QString Exe() const { return Prefix() + "bin/qingchuan"; }
    QString Home() const { return FRoot->path() + "/home/"; }
    QString ConfigDir() const { return Home() + "config/qingchuan/"; }
    QString DataDir() const { return Home() + "data/qingchuan/"; }
    QByteArray FConfigHome, FDataHome;
};

void tst_AppPaths::init() {
    FRoot = std::make_unique<QTemporaryDir>();
    QVERIFY(FRoot->isValid());
    QVERIFY(Write(Exe(), "program"));
    QVERIFY(Write(Prefix() + "share/qingchuan/cfg.ini",
                  "[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n\n[Sys]\nAutoRun=0\n"));
    QVERIFY(Write(Prefix() + "share/qingchuan/DB.mdb", "template database"));
    FConfigHome = qgetenv("XDG_CONFIG_HOME");
    FDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", (Home() + "config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (Home() + "data").toLocal8Bit());
}

void tst_AppPaths::cleanup() {
    for (const auto &[Name, Value] :
         {std::pair{"XDG_CONFIG_HOME", FConfigHome}, std::pair{"XDG_DATA_HOME", FDataHome}})
        if (Value.isNull())
            qunsetenv(Name);
        else
            qputenv(Name, Value);
    FRoot.reset();
}

void tst_AppPaths::RelativeDataSourceIsNamedAgainstTheSettingsFolder_data() {
    QTest::addColumn<QString>("Stored");
    QTest::addColumn<QString>("Expected");
    QTest::newRow("default") << "Provider=SQLite;Data Source=DB.mdb"
                             << "Provider=SQLite;Data Source=/cfg/DB.mdb";
    QTest::newRow("absolute") << "Provider=SQLite;Data Source=/data/DB.mdb"
                              << "Provider=SQLite;Data Source=/data/DB.mdb";
    QTest::newRow("other name") << "Provider=SQLite;Data Source=MyDB.mdb"
                                << "Provider=SQLite;Data Source=/cfg/MyDB.mdb";
    QTest::newRow("sub-folder") << "Provider=SQLite;Data Source=db/DB.mdb"
                                << "Provider=SQLite;Data Source=/cfg/db/DB.mdb";
    QTest::newRow("key case, spaces")
        << "provider = SQLite ; data source = DB.mdb ;Mode=DB.mdb"
        << "provider = SQLite ; data source = /cfg/DB.mdb ;Mode=DB.mdb";
    QTest::newRow("no data source") << "Provider=SQLite;DB.mdb"
                                    << "Provider=SQLite;DB.mdb";
    QTest::newRow("empty data source") << "Provider=SQLite;Data Source="
                                       << "Provider=SQLite;Data Source=";
    QTest::newRow("nothing") << ""
                             << "";
}

void tst_AppPaths::RelativeDataSourceIsNamedAgainstTheSettingsFolder() {
    QFETCH(QString, Stored);
    QFETCH(QString, Expected);
    QCOMPARE(AppPaths::ResolveConnStr(Stored, "/cfg"), Expected);
    QCOMPARE(AppPaths::ResolveConnStr(Stored, "/cfg/"), Expected);
}

void tst_AppPaths::ConfigReadsTheDatabaseBesideItsOwnIni() {
    QVERIFY(Write(ConfigDir() + "cfg.ini", "[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n"));
    const TConfig Cfg(Exe(), ConfigDir() + "cfg.ini", nullptr);
    QCOMPARE(Cfg.IniFileName(), ConfigDir() + "cfg.ini");
    QCOMPARE(Cfg.ConnStr(), "Provider=SQLite;Data Source=" + ConfigDir() + "DB.mdb");
    // The program's own folder stays what it is (the folder-lock page looks for its tool there).
    QCOMPARE(Cfg.ExeDir(), Prefix() + "bin/");
}

void tst_AppPaths::AutoRunStartsTheInstalledProgram() {
    const AppPaths::TLocation L = AppPaths::Locate(Exe());
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    const auto AutoRun = std::make_shared<TFakeAutoRun>();
    TConfig Cfg(Exe(), L.IniFile, AutoRun);
    Cfg.SetAutoRun(true);
    // The log-on entry names the program in bin/; the choice is kept in the user's cfg.ini.
    QCOMPARE(AutoRun->Calls, std::vector<std::string>{"Enable qingchuan " + Exe().toStdString()});
    QCOMPARE(TIniFile(L.IniFile).ReadString("Sys", "AutoRun", "?"), "1");
    QVERIFY(!QFileInfo::exists(Prefix() + "bin/cfg.ini"));
}

void tst_AppPaths::IniBesideTheProgramMeansPortable() {
    QVERIFY(Write(Prefix() + "bin/cfg.ini", "[Sys]\nAutoRun=0\n"));
    const AppPaths::TLocation L = AppPaths::Locate(Exe());
    QVERIFY(L.Portable);
    QCOMPARE(L.IniFile, Prefix() + "bin/cfg.ini");
    QCOMPARE(L.DataDir, Prefix() + "bin/");
    // Nothing is made in the user's folders.
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QVERIFY(!QFileInfo::exists(Home()));
}

void tst_AppPaths::WithoutIniBesideTheProgramTheUserFoldersAreUsed() {
    AppPaths::TLocation L = AppPaths::Locate(Exe());
    QVERIFY(!L.Portable);
    QCOMPARE(L.IniFile, ConfigDir() + "cfg.ini");
    QCOMPARE(L.DataDir, DataDir());
    // Unset, they are the usual folders under the home.
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    L = AppPaths::Locate(Exe());
    QCOMPARE(L.IniFile, QDir::homePath() + "/.config/qingchuan/cfg.ini");
    QCOMPARE(L.DataDir, QDir::homePath() + "/.local/share/qingchuan/");
}

void tst_AppPaths::FirstStartSeedsTheUserFoldersFromTheTemplates() {
    const AppPaths::TLocation L = AppPaths::Locate(Exe());
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QCOMPARE(Read(DataDir() + "DB.mdb"), QByteArray("template database"));
    QVERIFY(QFileInfo(DataDir() + "DB.mdb").isWritable());
    // The user's cfg.ini is the template with the database named in full, in the data folder.
    const TConfig Cfg(Exe(), L.IniFile, nullptr);
    QCOMPARE(Cfg.ConnStr(), "Provider=SQLite;Data Source=" + DataDir() + "DB.mdb");
    QCOMPARE(TIniFile(L.IniFile).ReadString("Sys", "AutoRun", "?"), "0");
    QVERIFY(QFileInfo(L.IniFile).isWritable());
    // No half-written leftovers.
    QCOMPARE(QDir(ConfigDir()).entryList(QDir::Files), QStringList{"cfg.ini"});
    QCOMPARE(QDir(DataDir()).entryList(QDir::Files), QStringList{"DB.mdb"});
}

void tst_AppPaths::LaterStartsKeepWhatTheUserHas() {
    const AppPaths::TLocation L = AppPaths::Locate(Exe());
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QVERIFY(Write(DataDir() + "DB.mdb", "the user's tasks"));
    TIniFile(L.IniFile).WriteString("Sys", "AutoRun", "1");
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QCOMPARE(Read(DataDir() + "DB.mdb"), QByteArray("the user's tasks"));
    QCOMPARE(TIniFile(L.IniFile).ReadString("Sys", "AutoRun", "?"), "1");

    // A deleted database comes back empty, from the template.
    QVERIFY(QFile::remove(DataDir() + "DB.mdb"));
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QCOMPARE(Read(DataDir() + "DB.mdb"), QByteArray("template database"));

    // One the user named elsewhere is left alone, missing or not.
    QVERIFY(QFile::remove(DataDir() + "DB.mdb"));
    TIniFile(L.IniFile).WriteString("DB", "ConnStr",
                                    "Provider=SQLite;Data Source=" + Home() + "elsewhere.mdb");
    QCOMPARE(AppPaths::Seed(L, Exe()), QString());
    QVERIFY(!QFileInfo::exists(DataDir() + "DB.mdb"));
    QVERIFY(!QFileInfo::exists(Home() + "elsewhere.mdb"));
}

void tst_AppPaths::AMissingTemplateDatabaseIsReported() {
    QVERIFY(QFile::remove(Prefix() + "share/qingchuan/DB.mdb"));
    QVERIFY(QFile::remove(Prefix() + "share/qingchuan/cfg.ini"));
    const AppPaths::TLocation L = AppPaths::Locate(Exe());
    // The built-in settings stand in for the missing template; the database cannot.
    const QString Problem = AppPaths::Seed(L, Exe());
    QVERIFY2(Problem.contains(Prefix() + "share/qingchuan/DB.mdb"), qPrintable(Problem));
    QVERIFY(QFileInfo::exists(L.IniFile));
    QVERIFY(!QFileInfo::exists(DataDir() + "DB.mdb"));

    // A settings folder that cannot be made (a file stands in its place) is named.
    QVERIFY(QFile::remove(L.IniFile) && QDir(ConfigDir()).removeRecursively());
    QVERIFY(Write(Home() + "config/qingchuan", "a file, not a folder"));
    const QString Refused = AppPaths::Seed(L, Exe());
    QVERIFY2(Refused.contains(ConfigDir().chopped(1)), qPrintable(Refused));
}

void tst_AppPaths::CompanionsAreFoundBesideTheProgramThenInstalled() {
    const QString Bin = Prefix() + "bin/";
    // Neither: the path beside the program, for the message.
    QCOMPARE(AppPaths::CompanionLibrary(Bin, "libCameraDll.so"), Bin + "libCameraDll.so");
    QCOMPARE(AppPaths::CompanionTool(Bin, "Lock.exe"), Bin + "Lock.exe");
    // Installed.
    QVERIFY(Write(Prefix() + "lib/qingchuan/libCameraDll.so", "lib"));
    QVERIFY(Write(Prefix() + "libexec/qingchuan/Lock.exe", "tool"));
    QCOMPARE(AppPaths::CompanionLibrary(Bin, "libCameraDll.so"),
             Prefix() + "lib/qingchuan/libCameraDll.so");
    QCOMPARE(AppPaths::CompanionTool(Bin.chopped(1), "Lock.exe"),
             Prefix() + "libexec/qingchuan/Lock.exe");
    // Beside the program wins (a build tree, a copied folder).
    QVERIFY(Write(Bin + "libCameraDll.so", "lib"));
    QVERIFY(Write(Bin + "Lock.exe", "tool"));
    QCOMPARE(AppPaths::CompanionLibrary(Bin, "libCameraDll.so"), Bin + "libCameraDll.so");
    QCOMPARE(AppPaths::CompanionTool(Bin, "Lock.exe"), Bin + "Lock.exe");
}

QTEST_GUILESS_MAIN(tst_AppPaths)
#include "tst_apppaths.moc"
