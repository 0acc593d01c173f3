#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"
#include "config/Config.h"
#include "config/IniFile.h"
#include "dialogs/Error.h"
#include "platform/linux/XdgAutoRun.h"

class TestConfig : public QObject {
    Q_OBJECT
private slots:
    void MissingFileReadsDefaults();
    void WriteKeepsEveryOtherLine();
    void WriteCreatesSectionAndFile();
    void NamesMatchRegardlessOfCase();
    void LongValuesAreCut();
    void IntegersParseLikeThePlatform_data();
    void IntegersParseLikeThePlatform();
    void ShortcutsKeepTheirLow16Bits();
    void HandEditsAreSeenByTheNextRead();
    void RefusedWriteRaisesAndLeavesTheFile();
    void ConnStrNamesTheDatabaseBesideTheProgram();
    void AutoRunWritesEntryThenIni();
    void AutoRunFollowsWhatWasDone();
    void AutoRunFailureNamesTheEntry();
};

void TestConfig::MissingFileReadsDefaults() {
    TTestConfig T;
    QVERIFY(!QFile::exists(T.IniPath()));
    QCOMPARE(Config().SKey_ScreenShot(), 0);
    QCOMPARE(Config().SKey_Chat(), 0);
    QCOMPARE(Config().SKey_ShowOrHideIE(), 0);
    QCOMPARE(Config().AutoRun(), false);
    QCOMPARE(Config().CPUMonitor(), false);
    QCOMPARE(Config().CPUUsage(), 0);
    QCOMPARE(Config().EncyptPath(), QString());
    QCOMPARE(Config().ConnStr(), QString());
    // Reading never creates the file.
    QVERIFY(!QFile::exists(T.IniPath()));
}

void TestConfig::WriteKeepsEveryOtherLine() {
    TTestConfig T;
    T.WriteIni("; settings\r\n[Sys]\r\nAutoRun=0\r\nFavourite=blue\r\n\r\n[Other]\r\nX=1\r\n");
    Config().SetCPUMonitor(true);
    Config().SetAutoRun(true);
    QCOMPARE(T.ReadIni(), QByteArray("; settings\r\n[Sys]\r\nAutoRun=1\r\nFavourite=blue\r\n"
                                     "CPUMonitor=1\r\n\r\n[Other]\r\nX=1\r\n"));
}

void TestConfig::WriteCreatesSectionAndFile() {
    TTestConfig T;
    Config().SetEncyptPath("/home/用户/私人 文件");
    Config().SetSKey_Chat(16435);
    QCOMPARE(QString::fromUtf8(T.ReadIni()),
             QString("[Sys]\nEncyptPath=/home/用户/私人 文件\n\n[ShortCut]\nChat=16435\n"));
    QCOMPARE(Config().EncyptPath(), QString("/home/用户/私人 文件"));
    QCOMPARE(Config().SKey_Chat(), 16435);
}

void TestConfig::NamesMatchRegardlessOfCase() {
    TTestConfig T;
    T.WriteIni("[shortcut]\nscreenshot = 16434 \n");
    QCOMPARE(Config().SKey_ScreenShot(), 16434);
    Config().SetSKey_ScreenShot(16436);
    QCOMPARE(T.ReadIni(), QByteArray("[shortcut]\nScreenShot=16436\n"));
}

void TestConfig::LongValuesAreCut() {
    TTestConfig T;
    const QString Long(3000, QChar(u'路'));
    Config().SetEncyptPath(Long);
    QCOMPARE(Config().EncyptPath(), Long.left(2047));
}

void TestConfig::IntegersParseLikeThePlatform_data() {
    QTest::addColumn<QByteArray>("Stored");
    QTest::addColumn<int>("Expected");
    QTest::newRow("decimal") << QByteArray("16433") << 16433;
    QTest::newRow("hex 0x") << QByteArray("0xC051") << 49233;
    QTest::newRow("hex 0X") << QByteArray("0Xc051") << 49233;
    QTest::newRow("hex $") << QByteArray("$C051") << 49233;
    QTest::newRow("negative") << QByteArray("-1") << 65535;
    QTest::newRow("above 16 bits") << QByteArray("70000") << (70000 & 0xFFFF);
    QTest::newRow("0x alone") << QByteArray("0x") << 0;
    QTest::newRow("letters") << QByteArray("Ctrl+1") << 0;
    QTest::newRow("trailing junk") << QByteArray("12abc") << 0;
    QTest::newRow("too big for 32 bits") << QByteArray("99999999999") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
}

void TestConfig::IntegersParseLikeThePlatform() {
    QFETCH(QByteArray, Stored);
    QFETCH(int, Expected);
    TTestConfig T;
    T.WriteIni("[ShortCut]\nShowOrHideIE=" + Stored + "\n[Sys]\nCPUMonitor=" + Stored + "\n");
    QCOMPARE(int(Config().SKey_ShowOrHideIE()), Expected);
    QCOMPARE(Config().CPUMonitor(),
             TIniFile::ParseInteger(QString::fromUtf8(Stored)).value_or(0) != 0);
}

void TestConfig::ShortcutsKeepTheirLow16Bits() {
    TTestConfig T;
    Config().SetSKey_ShowOrHideIE(49233);
    QVERIFY(T.ReadIni().contains("ShowOrHideIE=49233\n"));
    QCOMPARE(Config().SKey_ShowOrHideIE(), 49233);
    Config().SetCPUMonitor(false);
    QVERIFY(T.ReadIni().contains("CPUMonitor=0\n"));
}

void TestConfig::HandEditsAreSeenByTheNextRead() {
    TTestConfig T;
    Config().SetSKey_Chat(16435);
    T.WriteIni("[ShortCut]\nChat=16437\n");
    QCOMPARE(Config().SKey_Chat(), 16437);
}

void TestConfig::RefusedWriteRaisesAndLeavesTheFile() {
    {
        // The settings path is taken by a folder.
        TTestConfig T;
        QVERIFY(QDir().mkdir(T.IniPath()));
        try {
            Config().SetCPUMonitor(true);
            QFAIL("a refused write must raise");
        } catch (const EError &E) {
            QCOMPARE(E.Text(), "Unable to write to " + T.IniPath());
        }
    }
    {
        // A file in a folder that does not exist: the folder is not created.
        TIniFile Ini(QDir::tempPath() + "/qc-no-such-folder-" +
                     QString::number(QCoreApplication::applicationPid()) + "/cfg.ini");
        QVERIFY_THROWS_EXCEPTION(EError, Ini.WriteBool("Sys", "AutoRun", true));
        QVERIFY(!QFileInfo::exists(QFileInfo(Ini.FileName()).path()));
    }
    {
        // A read-only file stays as it was (root can write anyway, so only for other users).
        TTestConfig T;
        T.WriteIni("[Sys]\nCPUMonitor=0\n");
        QFile::setPermissions(T.IniPath(), QFile::ReadOwner | QFile::ReadGroup);
        if (QFileInfo(T.IniPath()).isWritable())
            return;
        QVERIFY_THROWS_EXCEPTION(EError, Config().SetCPUMonitor(true));
        QCOMPARE(T.ReadIni(), QByteArray("[Sys]\nCPUMonitor=0\n"));
    }
}

void TestConfig::ConnStrNamesTheDatabaseBesideTheProgram() {
    TTestConfig T;
    T.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n");
    QCOMPARE(Config().ConnStr(), "Provider=SQLite;Data Source=" + T.Dir() + "DB.mdb");
    T.WriteIni("[DB]\nConnStr=Data Source=db.mdb;Backup=DB.mdb.bak;Copy=DB.mdb\n");
    QCOMPARE(Config().ConnStr(),
             "Data Source=db.mdb;Backup=" + T.Dir() + "DB.mdb.bak;Copy=" + T.Dir() + "DB.mdb");
}

void TestConfig::AutoRunWritesEntryThenIni() {
    TTestConfig T;
    Config().SetAutoRun(true);
    QVERIFY(Config().AutoRun());
    Config().SetAutoRun(false);
    QVERIFY(!Config().AutoRun());
    QCOMPARE(T.AutoRun->Calls,
             (std::vector<std::string>{"Enable qingchuan " + T.ExePath().toStdString(),
                                       "Disable qingchuan"}));
}

void TestConfig::AutoRunFollowsWhatWasDone() {
    TTestConfig T;
    T.AutoRun->Refuse = true;
    // Switching on fails: nothing will start the program, so nothing says it will.
    try {
        Config().SetAutoRun(true);
        QFAIL("a refused entry must raise");
    } catch (const EError &E) {
        QCOMPARE(E.Text(), QString("Unable to write to /fake/qingchuan.desktop"));
    }
    QVERIFY(!Config().AutoRun());
    QVERIFY(!T.ReadIni().contains("AutoRun"));
    // Switching off fails: the entry still starts the program, so the value stays on.
    T.WriteIni("[Sys]\nAutoRun=1\n");
    try {
        Config().SetAutoRun(false);
        QFAIL("a refused removal must raise");
    } catch (const EError &E) {
        QCOMPARE(E.Text(), QString("Unable to write to /fake/qingchuan.desktop"));
    }
    QVERIFY(Config().AutoRun());
    QCOMPARE(T.ReadIni(), QByteArray("[Sys]\nAutoRun=1\n"));
    T.AutoRun->Refuse = false;
    Config().SetAutoRun(false);
    QVERIFY(!Config().AutoRun());

    // cfg.ini cannot take the new value: the entry is put back as the stored value says.
    QFile::remove(T.IniPath());
    QVERIFY(QDir().mkdir(T.IniPath()));
    T.AutoRun->Calls.clear();
    QVERIFY_THROWS_EXCEPTION(EError, Config().SetAutoRun(true));
    QCOMPARE(T.AutoRun->Calls,
             (std::vector<std::string>{"Enable qingchuan " + T.ExePath().toStdString(),
                                       "Disable qingchuan"}));
}

void TestConfig::AutoRunFailureNamesTheEntry() {
    // The real desktop-entry service, with both folders blocked by files standing where their
    // parents should be.
    QTemporaryDir Root;
    for (const char *Blocker : {"/etc", "/home"}) {
        QFile F(Root.path() + Blocker);
        QVERIFY(F.open(QIODevice::WriteOnly));
    }
    const QString UserDir = Root.path() + "/home/.config/autostart";
    TConfig C(Root.path() + "/qingchuan",
              std::make_shared<platform::linux_::TXdgAutoRun>(
                  (Root.path() + "/etc/xdg/autostart").toStdString(), UserDir.toStdString()));
    try {
        C.SetAutoRun(true);
        QFAIL("no entry could be written");
    } catch (const EError &E) {
        QCOMPARE(E.Text(), "Unable to write to " + UserDir + "/qingchuan.desktop");
    }
    QVERIFY(!C.AutoRun());
    QVERIFY(!QFile::exists(Root.path() + "/cfg.ini"));
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
