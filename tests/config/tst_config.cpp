#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Require.h"
#include "TestSupport.h"
#include "config/Config.h"
#include "config/IniFile.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "platform/linux/XdgAutoRun.h"

class tst_Config : public QObject {
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
    void HugeFileIsNotReadNorWritten();
    void HugeFileIsReportedOnceInABox();
    void LongLineIsPassedOverAndKept();
    void OtherLinesAreKeptByteForByte();
    void UnwritableFolderFallsBackToWritingInPlace();
    void LeftoversOfAKilledWriteAreRemoved();
    void LastLineWithoutBreakIsReadAndKept();
    void EightHexDigitsReadBackExactly_data();
    void EightHexDigitsReadBackExactly();
};

void tst_Config::MissingFileReadsDefaults() {
    TTestConfig T;
    QVERIFY(!QFile::exists(T.IniPath()));
    QCOMPARE(Config().SKey_ScreenShot(), 0);
    QCOMPARE(Config().SKey_Chat(), 0);
    QCOMPARE(Config().SKey_ShowOrHideIE(), 0);
    QCOMPARE(Config().AutoRun(), false);
    QCOMPARE(Config().CPUMonitor(), false);
    QCOMPARE(Config().EncyptPath(), QString());
    QCOMPARE(Config().ConnStr(), QString());
    // Reading never creates the file.
    QVERIFY(!QFile::exists(T.IniPath()));
}

void tst_Config::WriteKeepsEveryOtherLine() {
    TTestConfig T;
    T.WriteIni("; settings\r\n[Sys]\r\nAutoRun=0\r\nFavourite=blue\r\n\r\n[Other]\r\nX=1\r\n");
    Config().SetCPUMonitor(true);
    Config().SetAutoRun(true);
    QCOMPARE(T.ReadIni(), QByteArray("; settings\r\n[Sys]\r\nAutoRun=1\r\nFavourite=blue\r\n"
                                     "CPUMonitor=1\r\n\r\n[Other]\r\nX=1\r\n"));
}

void tst_Config::WriteCreatesSectionAndFile() {
    TTestConfig T;
    Config().SetEncyptPath("/home/用户/私人 文件");
    Config().SetSKey_Chat(16435);
    QCOMPARE(QString::fromUtf8(T.ReadIni()),
             QString("[Sys]\nEncyptPath=/home/用户/私人 文件\n\n[ShortCut]\nChat=16435\n"));
    QCOMPARE(Config().EncyptPath(), QString("/home/用户/私人 文件"));
    QCOMPARE(Config().SKey_Chat(), 16435);
}

void tst_Config::NamesMatchRegardlessOfCase() {
    TTestConfig T;
    T.WriteIni("[shortcut]\nscreenshot = 16434 \n");
    QCOMPARE(Config().SKey_ScreenShot(), 16434);
    Config().SetSKey_ScreenShot(16436);
    QCOMPARE(T.ReadIni(), QByteArray("[shortcut]\nScreenShot=16436\n"));
}

void tst_Config::LongValuesAreCut() {
    TTestConfig T;
    const QString Long(3000, QChar(u'路'));
    Config().SetEncyptPath(Long);
    QCOMPARE(Config().EncyptPath(), Long.left(2047));
}

void tst_Config::IntegersParseLikeThePlatform_data() {
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

void tst_Config::IntegersParseLikeThePlatform() {
    QFETCH(QByteArray, Stored);
    QFETCH(int, Expected);
    TTestConfig T;
    T.WriteIni("[ShortCut]\nShowOrHideIE=" + Stored + "\n[Sys]\nCPUMonitor=" + Stored + "\n");
    QCOMPARE(int(Config().SKey_ShowOrHideIE()), Expected);
    QCOMPARE(Config().CPUMonitor(),
             TIniFile::ParseInteger(QString::fromUtf8(Stored)).value_or(0) != 0);
}

void tst_Config::ShortcutsKeepTheirLow16Bits() {
    TTestConfig T;
    Config().SetSKey_ShowOrHideIE(49233);
    QVERIFY(T.ReadIni().contains("ShowOrHideIE=49233\n"));
    QCOMPARE(Config().SKey_ShowOrHideIE(), 49233);
    Config().SetCPUMonitor(false);
    QVERIFY(T.ReadIni().contains("CPUMonitor=0\n"));
}

void tst_Config::HandEditsAreSeenByTheNextRead() {
    TTestConfig T;
    Config().SetSKey_Chat(16435);
    T.WriteIni("[ShortCut]\nChat=16437\n");
    QCOMPARE(Config().SKey_Chat(), 16437);
}

void tst_Config::RefusedWriteRaisesAndLeavesTheFile() {
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

void tst_Config::ConnStrNamesTheDatabaseBesideTheProgram() {
    TTestConfig T;
    T.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n");
    QCOMPARE(Config().ConnStr(), "Provider=SQLite;Data Source=" + T.Dir() + "DB.mdb");
    T.WriteIni("[DB]\nConnStr=Data Source=db.mdb;Backup=DB.mdb.bak;Copy=DB.mdb\n");
    // Only the Data Source is named in full; other parts stay as written.
    QCOMPARE(Config().ConnStr(), "Data Source=" + T.Dir() + "db.mdb;Backup=DB.mdb.bak;Copy=DB.mdb");
}

void tst_Config::AutoRunWritesEntryThenIni() {
    TTestConfig T;
    Config().SetAutoRun(true);
    QVERIFY(Config().AutoRun());
    Config().SetAutoRun(false);
    QVERIFY(!Config().AutoRun());
    QCOMPARE(T.AutoRun->Calls,
             (std::vector<std::string>{"Enable qingchuan " + T.ExePath().toStdString(),
                                       "Disable qingchuan"}));
}

void tst_Config::AutoRunFollowsWhatWasDone() {
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

void tst_Config::AutoRunFailureNamesTheEntry() {
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

namespace {

// Makes Path a sparse file of Size bytes that starts with Head.
void MakeLarge(const QString &Path, const QByteArray &Head, qint64 Size) {
    QFile F(Path);
    QVERIFY(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Head);
    QVERIFY(F.resize(Size));
}

QByteArray Head(const QString &Path, qint64 Bytes) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.read(Bytes) : QByteArray();
}

} // namespace

void tst_Config::HugeFileIsNotReadNorWritten() {
    // A damaged cfg.ini of 1 GB (sparse: nothing but its first line is on the disk).
    constexpr qint64 Size = qint64(1) << 30;
    TTestConfig T;
    TIniFile Ini(T.IniPath());
    QStringList Problems;
    Ini.OnProblem = [&Problems](const QString &Text) { Problems << Text; };
    const QByteArray First = "[ShortCut]\nChat=16435\n";
    MakeLarge(T.IniPath(), First, Size);
    // Not read: every key has its default, and the one problem is told once.
    for (int I = 0; I < 5; ++I) {
        QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 7), 7);
        QCOMPARE(Ini.ReadString("Sys", "EncyptPath", "none"), QString("none"));
    }
    QCOMPARE(Problems.size(), 1);
    QVERIFY2(Problems[0].contains(T.IniPath()) && Problems[0].contains(QString::number(Size)),
             qPrintable(Problems[0]));
    // Never written shorter: a write is refused with the reason, the file left as it is.
    try {
        Ini.WriteInteger("ShortCut", "Chat", 16436);
        QFAIL("a write to a file too large must raise");
    } catch (const EError &E) {
        QVERIFY2(E.Text().startsWith("Unable to write to " + T.IniPath() + ": "),
                 qPrintable(E.Text()));
    }
    QCOMPARE(QFileInfo(T.IniPath()).size(), Size);
    QCOMPARE(Head(T.IniPath(), First.size()), First);
    // Mended, it is read again; damaged again, it is told again.
    QVERIFY(QFile::resize(T.IniPath(), First.size()));
    QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 7), 16435);
    QVERIFY(QFile::resize(T.IniPath(), TIniFile::MaxFileSize + 1));
    QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 7), 7);
    QCOMPARE(Problems.size(), 2);
    // Just inside the limit is still a settings file.
    QVERIFY(QFile::resize(T.IniPath(), TIniFile::MaxFileSize));
    QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 7), 16435);
}

void tst_Config::HugeFileIsReportedOnceInABox() {
    TTestConfig T;
    Dialogs::TDialogScript Script;
    MakeLarge(T.IniPath(), "[Sys]\nCPUMonitor=1\n", qint64(1) << 30);
    // Read every second by the scheduler and the CPU monitor: here, many times over.
    for (int I = 0; I < 20; ++I) {
        QCOMPARE(Config().CPUMonitor(), false);
        // The database cannot be named while the file is refused: a failure whose box is the
        // refusal's, so no second one follows about an "empty" connection string.
        QVERIFY_THROWS_EXCEPTION(EReported, Config().ConnStr());
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(Script.Shown().size(), 1);
    QCOMPARE(Script.Shown()[0].Kind, QString("error"));
    QVERIFY(Script.Shown()[0].Text.contains(T.IniPath()));
    // The box is posted to the event loop, so one more pass would show a second one; there is
    // none.
    QCOMPARE(Config().CPUMonitor(), false);
    QCoreApplication::processEvents();
    QCOMPARE(Script.Shown().size(), 1);
}

void tst_Config::LongLineIsPassedOverAndKept() {
    TTestConfig T;
    TIniFile Ini(T.IniPath());
    QStringList Problems;
    Ini.OnProblem = [&Problems](const QString &Text) { Problems << Text; };
    const QByteArray Long = "EncyptPath=" + QByteArray(TIniFile::MaxLineLength, 'x') + "\n";
    T.WriteIni("[Sys]\nCPUMonitor=1\n" + Long + "[ShortCut]\nChat=16435\n");
    QCOMPARE(Ini.ReadString("Sys", "EncyptPath", "none"), QString("none"));
    QCOMPARE(Ini.ReadBool("Sys", "CPUMonitor", false), true);
    QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 0), 16435);
    QCOMPARE(Problems.size(), 1);
    QVERIFY2(Problems[0].contains("Line 3"), qPrintable(Problems[0]));
    Ini.WriteInteger("ShortCut", "Chat", 16436);
    Ini.WriteBool("Sys", "AutoRun", true);
    QCOMPARE(T.ReadIni(), "[Sys]\nCPUMonitor=1\n" + Long + "AutoRun=1\n[ShortCut]\nChat=16436\n");
    QCOMPARE(Ini.ReadInteger("ShortCut", "Chat", 0), 16436);
    QCOMPARE(Problems.size(), 1);
}

void tst_Config::OtherLinesAreKeptByteForByte() {
    TTestConfig T;
    // Made by hand on another system: a byte-order mark, GBK text, a stray byte, CRLF and LF
    // mixed, and no line break at the end.
    const QByteArray Bom = "\xEF\xBB\xBF";
    const QByteArray Gbk = "; \xB2\xE2\xCA\xD4 \xCE\xC4\xBC\xFE\r\n";
    const QByteArray Path = "EncyptPath=D:\\\xCB\xBD\xC8\xCB\r\n";
    const QByteArray Stray = "Name=\xFF\xFE\x80\n";
    T.WriteIni(Bom + Gbk + "[Sys]\r\n" + Path + "AutoRun=0\r\n" + Stray + "\r\n[Other]\r\nX=1");
    Config().SetCPUMonitor(true);
    Config().SetSKey_Chat(16435);
    Config().SetAutoRun(true);
    QCOMPARE(T.ReadIni(),
             Bom + Gbk + "[Sys]\r\n" + Path + "AutoRun=1\r\n" + Stray +
                 "CPUMonitor=1\r\n\r\n[Other]\r\nX=1\r\n\r\n[ShortCut]\r\nChat=16435\r\n");
    QCOMPARE(Config().CPUMonitor(), true);
    QCOMPARE(Config().SKey_Chat(), 16435);
    // A value written by the program is UTF-8 and reads back as it was.
    Config().SetEncyptPath("/home/用户/私人 文件");
    QCOMPARE(Config().EncyptPath(), QString("/home/用户/私人 文件"));
    QVERIFY(T.ReadIni().startsWith(Bom + Gbk + "[Sys]\r\nEncyptPath=/home/"));
}

namespace {

// Runs this test program as the unprivileged user "nobody" to write one key; its exit code, or
// -1 when no process could be started as that user.
int WriteAsNobody(const QString &IniPath, const QString &Key, const QString &Value,
                  QByteArray *Err = nullptr) {
    // A copy nobody can reach: the build tree may lie in a private folder.
    static QTemporaryDir CopyDir;
    static const QString Copy = CopyOfThisProgram(CopyDir.path());
    QProcess P;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("LD_LIBRARY_PATH", CopyDir.path());
    P.setProcessEnvironment(Env);
    P.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", Copy, "--write",
                        IniPath, "Sys", Key, Value});
    if (!P.waitForFinished(30000) || P.exitStatus() != QProcess::NormalExit)
        return -1;
    if (Err)
        *Err = P.readAllStandardError();
    return P.exitCode();
}

ino_t Inode(const QString &Path) {
    struct stat St;
    return ::stat(QFile::encodeName(Path).constData(), &St) == 0 ? St.st_ino : 0;
}

} // namespace

void tst_Config::UnwritableFolderFallsBackToWritingInPlace() {
    // A folder only root may write (0755), holding a cfg.ini anybody may write.
    QTemporaryDir Dir;
    QVERIFY(QFile::setPermissions(
        Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const QString Ini = Dir.path() + "/cfg.ini";
    {
        QFile F(Ini);
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write("; keep\r\n[Sys]\r\nCPUMonitor=0\r\nEncyptPath=/a/long/path/that/goes\r\n");
    }
    QVERIFY(::chmod(QFile::encodeName(Ini).constData(), 0666) == 0);
    const ino_t Before = Inode(Ini);
    QByteArray Err;
    // Only root can run a program as another user.
    if (::geteuid() != 0)
        QSKIP("needs root to run this program as the user nobody");
    QC_REQUIRE_PROGRAM("setpriv");
    QVERIFY2(WriteAsNobody(Ini, "Probe", "1", &Err) == 0, Err.constData());
    QCOMPARE(WriteAsNobody(Ini, "CPUMonitor", "1", &Err), 0);
    QCOMPARE(WriteAsNobody(Ini, "EncyptPath", "/b", &Err), 0);
    QFile F(Ini);
    QVERIFY(F.open(QIODevice::ReadOnly));
    QCOMPARE(F.readAll(), QByteArray("; keep\r\n[Sys]\r\nCPUMonitor=1\r\nEncyptPath=/b\r\n"
                                     "Probe=1\r\n"));
    QCOMPARE(Inode(Ini), Before); // the same file, written where it lies
    QCOMPARE(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cfg.ini"});
    // A file the user may not write either is refused, named, and left alone.
    QVERIFY(::chmod(QFile::encodeName(Ini).constData(), 0644) == 0);
    QCOMPARE(WriteAsNobody(Ini, "CPUMonitor", "0", &Err), 1);
    QVERIFY2(QString::fromLocal8Bit(Err).contains("Unable to write to " + Ini), Err.constData());
    QVERIFY(F.seek(0));
    QVERIFY(F.readAll().contains("CPUMonitor=1"));
}

void tst_Config::LeftoversOfAKilledWriteAreRemoved() {
    TTestConfig T;
    T.WriteIni("[Sys]\nCPUMonitor=0\n");
    const auto Make = [&T](const QString &Name) {
        QFile F(T.Dir() + Name);
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write("[Sys]\nCPUMonitor=");
    };
    // Left by writes that were killed half way.
    const QStringList Leftovers = {"cfg.ini.QxYzab", "cfg.ini.aBCdef", "cfg.ini.kLmNoP"};
    // Not the program's own: the user's, another file's, or not of that pattern.
    const QStringList Kept = {"cfg.ini.backup",   "cfg.ini.Backup", "cfg.ini.BACKUP",
                              "cfg.ini.bak1Ab",   "cfg.ini.QxYza",  "cfg.ini.QxYzabc",
                              "other.ini.QxYzab", "cfg.ini.tmp"};
    for (const QString &Name : Leftovers + Kept)
        Make(Name);
    // One held by a write that is still running (another copy of the program).
    Make("cfg.ini.RunNin");
    QFile Running(T.Dir() + "cfg.ini.RunNin");
    QVERIFY(Running.open(QIODevice::ReadOnly));
    QVERIFY(::flock(Running.handle(), LOCK_EX) == 0);
    QVERIFY(QDir().mkdir(T.Dir() + "cfg.ini.DirAbc"));

    Config().SetCPUMonitor(true);
    QCOMPARE(T.ReadIni(), QByteArray("[Sys]\nCPUMonitor=1\n"));
    QStringList Expected = Kept + QStringList{"cfg.ini", "cfg.ini.RunNin", "cfg.ini.DirAbc"};
    Expected.sort();
    QStringList Names =
        QDir(T.Dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    Names.sort();
    QCOMPARE(Names, Expected);
    // A write that was not killed leaves nothing behind.
    Running.close();
    Config().SetCPUMonitor(false);
    Names = QDir(T.Dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QVERIFY(!Names.contains("cfg.ini.RunNin"));
    QCOMPARE(Names.size(), Kept.size() + 2);
}

// A file whose last line has no line break, as an editor may leave it: the last key reads, and a
// write of another key (in its section or in a new one) leaves it whole and ends it with a break.
void tst_Config::LastLineWithoutBreakIsReadAndKept() {
    TTestConfig T;
    TIniFile Ini(T.IniPath());
    T.WriteIni("[Sys]\nAutoRun=0\nCPUMonitor=1");
    QCOMPARE(Ini.ReadInteger("Sys", "CPUMonitor", 7), 1);
    Ini.WriteInteger("Sys", "CPUUsage", 55);
    QCOMPARE(T.ReadIni(), QByteArray("[Sys]\nAutoRun=0\nCPUMonitor=1\nCPUUsage=55\n"));

    T.WriteIni("[Sys]\r\nCPUMonitor=1");
    Ini.WriteInteger("ShortCut", "Chat", 16435);
    QCOMPARE(T.ReadIni(), QByteArray("[Sys]\r\nCPUMonitor=1\r\n\r\n[ShortCut]\r\nChat=16435\r\n"));
    QCOMPARE(Ini.ReadInteger("Sys", "CPUMonitor", 7), 1);

    // The last line itself rewritten gains the file's line break.
    T.WriteIni("[Sys]\nCPUMonitor=1");
    Ini.WriteInteger("Sys", "CPUMonitor", 0);
    QCOMPARE(T.ReadIni(), QByteArray("[Sys]\nCPUMonitor=0\n"));
}

// Eight hexadecimal digits are a whole 32-bit value, read back bit for bit; a ninth digit, even
// a leading zero, makes the value unreadable and the default is read.
void tst_Config::EightHexDigitsReadBackExactly_data() {
    QTest::addColumn<QByteArray>("Stored");
    QTest::addColumn<int>("Expected");
    QTest::newRow("0xFFFFFFFF") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("$FFFFFFFF") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("0x80000000") << QByteArray("0x80000000") << int(INT32_MIN);
    QTest::newRow("$7fffffff") << QByteArray("$7fffffff") << int(INT32_MAX);
    QTest::newRow("0X00000001") << QByteArray("0X00000001") << 1;
    QTest::newRow("-0xFFFFFFFF") << QByteArray("-0xFFFFFFFF") << 1;
    QTest::newRow("nine digits 0x") << QByteArray("0x100000000") << 7;
    QTest::newRow("nine digits $") << QByteArray("$100000000") << 7;
    QTest::newRow("leading zero 0x") << QByteArray("0x0FFFFFFFF") << 7;
    QTest::newRow("leading zero $") << QByteArray("$0FFFFFFFF") << 7;
}

void tst_Config::EightHexDigitsReadBackExactly() {
    QFETCH(QByteArray, Stored);
    QFETCH(int, Expected);
    TTestConfig T;
    TIniFile Ini(T.IniPath());
    T.WriteIni("[Sys]\nCPUUsage=" + Stored + "\n");
    QCOMPARE(Ini.ReadInteger("Sys", "CPUUsage", 7), int32_t(Expected));
}

int main(int argc, char **argv) {
    // The child of UnwritableFolderFallsBackToWritingInPlace: --write FILE SECTION KEY VALUE.
    if (argc == 6 && std::strcmp(argv[1], "--write") == 0) {
        QCoreApplication App(argc, argv);
        try {
            TIniFile(QString::fromLocal8Bit(argv[2]))
                .WriteString(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]),
                             QString::fromLocal8Bit(argv[5]));
            return 0;
        } catch (const EError &E) {
            std::fprintf(stderr, "%s\n", E.Text().toLocal8Bit().constData());
            return 1;
        }
    }
    QApplication App(argc, argv);
    tst_Config Test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_config.moc"
