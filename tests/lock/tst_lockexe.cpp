#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPasswordDigestor>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include "LockTestTree.h"

using namespace LockTestTree;

// The built Lock.exe, placed in the folder it locks and driven through its command line, as
// root and as an ordinary user.
class tst_LockExe : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FTemp;
    QString FDir;

    void Fresh(int Files, int LargeSize, quint32 Seed = 7) {
        FTemp = std::make_unique<QTemporaryDir>();
        FDir = FTemp->path() + "/locked folder";
        MakeTree(FDir, Files, LargeSize, Seed);
        QVERIFY(PlaceTool(FDir));
    }
    QString DataDir() const { return FDir + "/.qclock/data"; }
    QStringList Blobs() const { return QDir(DataDir()).entryList(QDir::Files, QDir::Size); }

private slots:
    void cleanup() {
        // A name that is not UTF-8 is beyond QDir: the tree goes through rm.
        if (FTemp)
            QCOMPARE(QProcess::execute("rm", {"-rf", FTemp->path()}), 0);
        FTemp.reset();
    }
    void initTestCase() {
        // Argon2id at the library's minimum cost: the tests lock hundreds of times.
        qputenv("QCLOCK_TEST_WEAK_KDF", "1");
        QVERIFY2(!QStandardPaths::findExecutable("setpriv").isEmpty(),
                 "setpriv (util-linux) is needed to run the tool as an ordinary user");
        QVERIFY2(::geteuid() == 0, "these tests run the tool as root and as the user nobody");
    }

    // A locked folder shows no name and no byte of what it holds, and tells a wrong password
    // before it changes anything.
    void LockedFolderShowsNothing() {
        Fresh(200, 3 << 20);
        const TSnapshot Before = Snapshot(FDir);
        const std::map<std::string, QByteArray> Originals = AllFiles(FDir);
        QCOMPARE(RunTool(FDir, {"--status"}).Out, QByteArray("unlocked\n"));
        const TRun Lock = RunTool(FDir, {"--lock"}, "密码 one\n");
        QVERIFY2(Lock.Code == 0, Lock.Err.constData());
        QCOMPARE(Visible(FDir), QStringList({".qclock", "Lock.exe"}));
        QCOMPARE(RunTool(FDir, {"--status"}).Out, QByteArray("locked\n"));

        // Everything under the folder, names and contents, read as root.
        const std::map<std::string, QByteArray> Locked = AllFiles(FDir);
        QByteArray Everything;
        for (const auto &[Path, Data] : Locked)
            Everything += QByteArray::fromStdString(Path) + '\n' + Data;
        for (const QByteArray &Name : NamesOf(Before))
            QVERIFY2(!Everything.contains(Name), Name.constData());
        for (const auto &[Path, Data] : Originals)
            for (qsizetype At : {qsizetype(0), Data.size() / 2, Data.size() - 16})
                if (Data.size() >= 16)
                    QVERIFY2(!Everything.contains(Data.mid(At, 16)), Path.c_str());

        // A wrong password changes no byte under the folder, locking or unlocking.
        for (const char *Command : {"--unlock", "--lock"}) {
            const TRun Wrong = RunTool(FDir, {Command}, "密码 two\n");
            QCOMPARE(Wrong.Code, 2);
            QCOMPARE(AllFiles(FDir), Locked);
        }
        const TRun Unlock = RunTool(FDir, {"--unlock"}, "密码 one\r\n");
        QVERIFY2(Unlock.Code == 0, Unlock.Err.constData());
        QCOMPARE(Snapshot(FDir), Before);
        QCOMPARE(Visible(FDir).contains(".qclock"), false);
        QCOMPARE(RunTool(FDir, {"--lock"}, "\n").Code, 1);
        QCOMPARE(RunTool(FDir, {"--frobnicate"}).Code, 3);
        QCOMPARE(RunTool(FDir, {"--unlock"}, "x\n").Code, 1); // not locked
        QCOMPARE(Snapshot(FDir), Before);
    }

    // Killed at random instants, as a power loss would stop it, a run leaves a folder that the
    // next run (lock or unlock) finishes with every file exact. Run as nobody: the folder is
    // the user's own, and nothing may depend on root's rights.
    void KilledRunsAreFinished() {
        Fresh(16, 300000);
        QVERIFY(GiveToNobody(FDir));
        const TSnapshot Before = Snapshot(FDir);
        // How long a whole run takes here sets the range of the kills.
        QElapsedTimer Clock;
        Clock.start();
        QCOMPARE(RunTool(FDir, {"--lock"}, "pw\n", true).Code, 0);
        const qint64 LockMs = Clock.restart();
        QCOMPARE(RunTool(FDir, {"--unlock"}, "pw\n", true).Code, 0);
        const qint64 UnlockMs = Clock.elapsed();
        QCOMPARE(Snapshot(FDir), Before);

        const quint32 Seed = QRandomGenerator::global()->generate();
        QRandomGenerator Random(Seed);
        const QByteArray Trace = "seed " + QByteArray::number(Seed);
        for (int I = 0; I < 40; ++I) {
            const bool KillLock = I < 20;
            if (!KillLock)
                QCOMPARE(RunTool(FDir, {"--lock"}, "pw\n", true).Code, 0);
            QProcess P;
            P.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                FDir + "/Lock.exe", KillLock ? "--lock" : "--unlock"});
            P.write("pw\n");
            P.closeWriteChannel();
            QVERIFY(P.waitForStarted());
            // The instant of the kill is the experiment, not a wait for a state.
            ::usleep(useconds_t(Random.bounded(int((KillLock ? LockMs : UnlockMs) * 1200))));
            P.kill();
            QVERIFY(P.waitForFinished(30000));
            // Half the time the same command finishes the job, half the time the other one.
            const bool Same = I % 2 == 0;
            const bool Locking = KillLock == Same;
            // Killed before its header was written, a lock has changed nothing: there is
            // nothing to unlock.
            const bool Untouched = !QFileInfo::exists(FDir + "/.qclock/header");
            const TRun Rerun = RunTool(FDir, {Locking ? "--lock" : "--unlock"}, "pw\n", true);
            const QByteArray Run = Trace + " run " + QByteArray::number(I) + ": " + Rerun.Err;
            QVERIFY2(Rerun.Code == (Untouched && !Locking ? 1 : 0), Run.constData());
            if (Locking) {
                QCOMPARE(Visible(FDir), QStringList({".qclock", "Lock.exe"}));
                QCOMPARE(RunTool(FDir, {"--unlock"}, "pw\n", true).Code, 0);
            }
            QVERIFY2(Snapshot(FDir) == Before, Run.constData());
            QVERIFY(!QFileInfo::exists(FDir + "/.qclock"));
        }
    }

    void TamperingIsNamed_data() {
        QTest::addColumn<QString>("How");
        QTest::addColumn<bool>("NamedByPath"); // else by the encrypted file's own name
        QTest::newRow("a byte of the contents") << "flip middle" << true;
        QTest::newRow("a byte of the stream header") << "flip start" << false;
        QTest::newRow("cut short") << "cut" << true;
        QTest::newRow("a byte added") << "append" << true;
    }
    // One changed byte in an encrypted file: the unlock names it and restores all the others.
    void TamperingIsNamed() {
        QFETCH(QString, How);
        QFETCH(bool, NamedByPath);
        Fresh(20, 500000);
        const TSnapshot Before = Snapshot(FDir);
        QCOMPARE(RunTool(FDir, {"--lock"}, "pw\n").Code, 0);
        // The largest encrypted file is the large file's.
        const QString Blob = Blobs().first();
        QFile F(DataDir() + "/" + Blob);
        QVERIFY(F.open(QIODevice::ReadWrite));
        const qint64 Size = F.size();
        if (How == "cut") {
            QVERIFY(F.resize(Size - 100));
        } else if (How == "append") {
            QVERIFY(F.seek(Size));
            F.write("x");
        } else {
            const qint64 At = How == "flip start" ? 5 : Size / 2;
            QVERIFY(F.seek(At));
            char C;
            QVERIFY(F.getChar(&C));
            QVERIFY(F.seek(At));
            QVERIFY(F.putChar(char(C ^ 0x01)));
        }
        F.close();
        const TRun Unlock = RunTool(FDir, {"--unlock"}, "pw\n");
        QCOMPARE(Unlock.Code, 1);
        const QString Err = QString::fromUtf8(Unlock.Err);
        QVERIFY2(Err.contains(NamedByPath ? "large-file-name.bin" : ".qclock/data/" + Blob),
                 qPrintable(Err));
        TSnapshot Expected = Before;
        Expected.erase("large-file-name.bin");
        QCOMPARE(Snapshot(FDir), Expected);
        QCOMPARE(Blobs(), QStringList{Blob}); // kept for a recovery
        QCOMPARE(RunTool(FDir, {"--status"}).Out, QByteArray("partly locked\n"));
    }

    void LeftAsTheyWere_data() {
        QTest::addColumn<QString>("Name");
        QTest::newRow("a FIFO") << "named-pipe-entry";
        QTest::newRow("a file nobody may read") << "unreadable-file-entry";
        QTest::newRow("a folder nobody may read") << "unreadable-folder-entry";
    }
    // What cannot be encrypted is named and left as it was; the rest is locked, and unlocking
    // brings it all back.
    void LeftAsTheyWere() {
        QFETCH(QString, Name);
        Fresh(10, 1000);
        const QString Path = FDir + "/" + Name;
        if (Name.startsWith("named"))
            QCOMPARE(::mkfifo(QFile::encodeName(Path).constData(), 0644), 0);
        else if (Name.contains("folder"))
            Write(Path + "/inside-the-unreadable.txt", "hidden inside");
        else
            Write(Path, "no one may read this");
        QVERIFY(GiveToNobody(FDir));
        QCOMPARE(::chmod(QFile::encodeName(Path).constData(), Name.startsWith("named") ? 0644 : 0),
                 0);
        const TSnapshot Before = Snapshot(FDir);
        const TRun Lock = RunTool(FDir, {"--lock"}, "pw\n", true);
        QCOMPARE(Lock.Code, 1);
        QVERIFY2(QString::fromUtf8(Lock.Err).contains(Name), Lock.Err.constData());
        QCOMPARE(Visible(FDir), QStringList({".qclock", "Lock.exe", Name}));
        QCOMPARE(RunTool(FDir, {"--status"}, {}, true).Out, QByteArray("partly locked\n"));
        const TRun Unlock = RunTool(FDir, {"--unlock"}, "pw\n", true);
        QVERIFY2(Unlock.Code == 0, Unlock.Err.constData());
        QCOMPARE(Snapshot(FDir), Before);
    }

    // A full disk stops a lock cleanly, naming what is not yet encrypted and leaving it as it
    // was; with room again, the next runs finish. The disk is a small tmpfs in a mount namespace
    // of its own, gone with the script.
    void FullDiskStopsCleanly() {
        QVERIFY2(!QStandardPaths::findExecutable("unshare").isEmpty(), "unshare is needed");
        FTemp = std::make_unique<QTemporaryDir>();
        const QString Script = R"(
set -eu
d=$1
tool=$(stat -c %s "$2")
mount -t tmpfs -o size=$((tool + 2600000)) tmpfs "$d"
mkdir "$d/f"
cp "$2" "$d/f/Lock.exe"
for i in 01 02 03 04 05 06 07 08 09 10; do head -c 200000 /dev/urandom >"$d/f/file-$i.bin"; done
(cd "$d/f" && sha256sum file-* >"$d/sums")
set +e
echo pw | "$d/f/Lock.exe" --lock 2>"$d/err"; echo "first lock $?"
cat "$d/err"
(cd "$d/f" && ls file-* 2>/dev/null | xargs -r sha256sum) >"$d/left"
grep -F -f "$d/left" "$d/sums" | wc -l | sed 's/^/intact /'
ls "$d/f" | grep -c '^file-' | sed 's/^/open /'
for f in $(cd "$d/f" && ls file-*); do grep -q "$f" "$d/err" && echo "named $f"; done
mount -o remount,size=$((tool + 16000000)) "$d"
echo pw | "$d/f/Lock.exe" --lock; echo "second lock $?"
echo pw | "$d/f/Lock.exe" --unlock; echo "unlock $?"
(cd "$d/f" && sha256sum --quiet -c "$d/sums") && echo "all exact"
umount "$d"
)";
        QProcess P;
        P.start("unshare", {"--mount", "--propagation", "private", "bash", "-c", Script, "bash",
                            FTemp->path(), QStringLiteral(QC_BIN_DIR "/Lock.exe")});
        QVERIFY(P.waitForFinished(60000));
        const QString Out = QString::fromUtf8(P.readAllStandardOutput() + P.readAllStandardError());
        QVERIFY2(Out.contains("first lock 1") && Out.contains("磁盘空间不足"), qPrintable(Out));
        // Every file still open is named and intact; some went in before the disk was full.
        const QRegularExpression Open("open (\\d+)"), Intact("intact (\\d+)");
        const int Left = Open.match(Out).captured(1).toInt();
        QVERIFY2(Left > 0 && Left < 10, qPrintable(Out));
        QCOMPARE(Intact.match(Out).captured(1).toInt(), Left);
        QCOMPARE(Out.count("named file-"), Left);
        QVERIFY2(Out.contains("second lock 0") && Out.contains("unlock 0") &&
                     Out.contains("all exact"),
                 qPrintable(Out));
    }

    void EarlierVersionOpens_data() {
        QTest::addColumn<QString>("Command");
        QTest::addColumn<bool>("AsNobody");
        QTest::newRow("unlock as root") << "--unlock" << false;
        QTest::newRow("unlock as nobody") << "--unlock" << true;
        QTest::newRow("lock anew as nobody") << "--lock" << true;
    }
    // A folder locked by the earlier version (entries moved into .qclock/files, a PBKDF2 record,
    // both folders at mode 000) opens with its password; a lock turns it into the new form.
    void EarlierVersionOpens() {
        QFETCH(QString, Command);
        QFETCH(bool, AsNobody);
        Fresh(10, 1000);
        const TSnapshot Before = Snapshot(FDir);
        const QString Vault = FDir + "/.qclock";
        QVERIFY(QDir().mkpath(Vault + "/files"));
        for (const QString &Name : Visible(FDir))
            if (Name != ".qclock" && Name != "Lock.exe")
                QVERIFY(QFile::rename(FDir + "/" + Name, Vault + "/files/" + Name));
        const QByteArray Salt = "0123456789abcdef";
        const QByteArray Hash = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                                                   "old pw", Salt, 1000, 32);
        Write(Vault + "/key",
              "qclock 1\npbkdf2-sha256 1000 " + Salt.toHex() + " " + Hash.toHex() + "\n");
        if (AsNobody)
            QVERIFY(GiveToNobody(FDir));
        QCOMPARE(::chmod(QFile::encodeName(Vault + "/files").constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(Vault).constData(), 0), 0);
        QCOMPARE(RunTool(FDir, {"--status"}, {}, AsNobody).Out, QByteArray("locked\n"));
        QCOMPARE(RunTool(FDir, {Command}, "wrong\n", AsNobody).Code, 2);
        const TRun Run = RunTool(FDir, {Command}, "old pw\n", AsNobody);
        QVERIFY2(Run.Code == 0, Run.Err.constData());
        if (Command == "--lock") {
            QCOMPARE(Visible(FDir), QStringList({".qclock", "Lock.exe"}));
            QVERIFY(QFileInfo::exists(Vault + "/header") && !QFileInfo::exists(Vault + "/key"));
            QCOMPARE(RunTool(FDir, {"--unlock"}, "old pw\n", AsNobody).Code, 0);
        }
        QCOMPARE(Snapshot(FDir), Before);
        QVERIFY(!QFileInfo::exists(Vault));
    }
};

QTEST_GUILESS_MAIN(tst_LockExe)
#include "tst_lockexe.moc"
