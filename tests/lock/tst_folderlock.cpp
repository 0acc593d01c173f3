#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "LockTestTree.h"
#include "lock/FolderLock.h"

using namespace LockTestTree;

namespace {
const QString Tool = "Lock.exe";
}

// TFolderLock in this process: stops at every step, clashes, refusals.
class tst_FolderLock : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FTemp;
    QString FDir;
    TSnapshot FBefore;

    TFolderLock NewLock() { return TFolderLock(FDir, Tool); }

private slots:
    void initTestCase() { qputenv("QCLOCK_TEST_WEAK_KDF", "1"); }
    void init() {
        FTemp = std::make_unique<QTemporaryDir>();
        FDir = FTemp->path() + "/folder";
        MakeTree(FDir, 12, 200000, 3);
        Write(FDir + "/" + Tool, "the tool itself");
        FBefore = Snapshot(FDir);
    }
    void cleanup() {
        // A name that is not UTF-8 is beyond QDir: the tree goes through rm.
        QCOMPARE(QProcess::execute("rm", {"-rf", FTemp->path()}), 0);
        FTemp.reset();
    }

    void StopsAnywhereAndFinishes_data() {
        QTest::addColumn<bool>("StopUnlock");
        QTest::addColumn<int>("StopAt"); // progress reports before the stop
        QTest::addColumn<bool>("FinishByLocking");
        for (const bool Unlock : {false, true})
            for (const int At : {1, 2, 5, 9, 30})
                for (const bool ByLocking : {false, true})
                    QTest::addRow("%s stopped at report %d, finished by %s",
                                  Unlock ? "unlock" : "lock", At, ByLocking ? "lock" : "unlock")
                        << Unlock << At << ByLocking;
    }
    // A cancel (the window's, or a closed window) stops a run where it is: nothing is lost, and
    // either command with the same password finishes the work.
    void StopsAnywhereAndFinishes() {
        QFETCH(bool, StopUnlock);
        QFETCH(int, StopAt);
        QFETCH(bool, FinishByLocking);
        if (StopUnlock)
            QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Done);
        TFolderLock L = NewLock();
        int Left = StopAt;
        TFolderLock::TProgress Last;
        L.OnProgress = [&](const TFolderLock::TProgress &P) {
            Last = P;
            return Left-- > 0;
        };
        QCOMPARE(StopUnlock ? L.Unlock("pw") : L.Lock("pw"), TFolderLock::TResult::Failed);
        QVERIFY2(L.ErrorText().contains("已停止"), qPrintable(L.ErrorText()));
        QVERIFY(Last.FilesTotal >= 20 && Last.FilesDone <= Last.FilesTotal);
        QVERIFY(Last.BytesDone <= Last.BytesTotal);
        QCOMPARE(NewLock().State(), TFolderLock::TState::Partial);
        QCOMPARE(NewLock().Lock("wrong"), TFolderLock::TResult::WrongPassword);
        if (FinishByLocking) {
            QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Done);
            QCOMPARE(Visible(FDir), QStringList({".qclock", Tool}));
            QCOMPARE(NewLock().State(), TFolderLock::TState::Locked);
        }
        TFolderLock Finish = NewLock();
        TFolderLock::TProgress End;
        Finish.OnProgress = [&End](const TFolderLock::TProgress &P) {
            End = P;
            return true;
        };
        QCOMPARE(Finish.Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(End.FilesDone, End.FilesTotal);
        QCOMPARE(End.BytesDone, End.BytesTotal);
        QCOMPARE(Snapshot(FDir), FBefore);
        QCOMPARE(NewLock().State(), TFolderLock::TState::Unlocked);
        QCOMPARE(Read(FDir + "/" + Tool), QByteArray("the tool itself"));
    }

    void ClashesNeverOverwrite() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        // While locked, new things appear under the old names.
        Write(FDir + "/年度报告 2024.docx", "a newer report");
        Write(FDir + "/folder-one", "a file where a folder was");
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Failed);
        QVERIFY2(L.ErrorText().contains("folder-one"), qPrintable(L.ErrorText()));
        QCOMPARE(Read(FDir + "/年度报告 2024.docx"), QByteArray("a newer report"));
        QVERIFY(Read(FDir + "/年度报告 2024 (2).docx").startsWith("年度报告的正文"));
        QCOMPARE(Read(FDir + "/folder-one"), QByteArray("a file where a folder was"));
        // The folder's files stay encrypted until its place is free.
        QCOMPARE(NewLock().State(), TFolderLock::TState::Partial);
        QVERIFY(QFile::remove(FDir + "/folder-one"));
        QVERIFY(QFile::remove(FDir + "/年度报告 2024.docx"));
        QVERIFY(QFile::rename(FDir + "/年度报告 2024 (2).docx", FDir + "/年度报告 2024.docx"));
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(Snapshot(FDir), FBefore);
    }

    void NewFilesJoinALockedFolder() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        Write(FDir + "/later-file.txt", "added while locked");
        QCOMPARE(L.State(), TFolderLock::TState::Partial);
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(Visible(FDir), QStringList({".qclock", Tool}));
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(Read(FDir + "/later-file.txt"), QByteArray("added while locked"));
    }

    void Refusals() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Failed);
        QCOMPARE(L.ErrorText(), QString("此文件夹没有加密。"));
        QCOMPARE(L.Lock(""), TFolderLock::TResult::Failed);
        QCOMPARE(L.ErrorText(), QString("密码不能为空。"));
        // Something of the user's already carries the vault's name.
        Write(FDir + "/" + TFolderLock::VaultName(), "not a vault");
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
        QCOMPARE(Read(FDir + "/" + TFolderLock::VaultName()), QByteArray("not a vault"));
        QVERIFY(QFile::remove(FDir + "/" + TFolderLock::VaultName()));
        // A vault whose header is gone is never filled under a new key.
        QVERIFY(QDir().mkpath(FDir + "/.qclock/data"));
        Write(FDir + "/.qclock/data/0123456789abcdef0123456789abcdef", "an encrypted file");
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
        QVERIFY2(L.ErrorText().contains("header"), qPrintable(L.ErrorText()));
        QVERIFY(QDir(FDir + "/.qclock").removeRecursively());
        QCOMPARE(Snapshot(FDir), FBefore);
        // The assistant's own folder is never locked.
        Write(FDir + "/qingchuan", "the program");
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
        QVERIFY(QFile::remove(FDir + "/qingchuan"));
        Write(FDir + "/cfg.ini", "[Sys]\n");
        Write(FDir + "/DB.mdb", "");
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
        QVERIFY(QFile::remove(FDir + "/cfg.ini") && QFile::remove(FDir + "/DB.mdb"));
        QCOMPARE(Snapshot(FDir), FBefore);
        QVERIFY(!L.IsLocked());
    }

    void FreeNames() {
        const QString D = FTemp->path() + "/names";
        QDir().mkpath(D);
        QCOMPARE(TFolderLock::FreeName(D, "x.tar.gz"), QString("x.tar.gz"));
        Write(D + "/x.tar.gz", "");
        Write(D + "/.profile", "");
        Write(D + "/notes", "");
        Write(D + "/notes (2)", "");
        QCOMPARE(TFolderLock::FreeName(D, "x.tar.gz"), QString("x (2).tar.gz"));
        QCOMPARE(TFolderLock::FreeName(D, ".profile"), QString(".profile (2)"));
        QCOMPARE(TFolderLock::FreeName(D, "notes"), QString("notes (3)"));
        QFile::link("/nonexistent", D + "/dangling");
        QCOMPARE(TFolderLock::FreeName(D, "dangling"), QString("dangling (2)"));
    }

    void HomeAndSystemFoldersAreRefused() {
        // Checked without locking anything: these are the machine's real folders.
        for (const char *Folder :
             {"/", "/usr", "/usr/share", "/etc/ssh", "/home", "/tmp", "/var", "/root", "/bin"})
            QVERIFY2(!TFolderLock(Folder, Tool).Refusal().isEmpty(), Folder);
        QCOMPARE(NewLock().Refusal(), QString());

        const QByteArray OldHome = qgetenv("HOME");
        const auto RestoreHome = qScopeGuard([&OldHome] { qputenv("HOME", OldHome); });
        for (const QString &Home :
             {FDir, FDir + "/folder-one", FDir + "/folder-one/深层的文件夹 deeper"}) {
            qputenv("HOME", QFile::encodeName(Home));
            TFolderLock L = NewLock();
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QVERIFY2(L.ErrorText().contains(Home), qPrintable(L.ErrorText()));
            QCOMPARE(Snapshot(FDir), FBefore);
            QVERIFY(!QFileInfo::exists(FDir + "/" + TFolderLock::VaultName()));
        }
        // Reached through a link, the home is still the home.
        QVERIFY(QFile::link(FDir + "/folder-one", FTemp->path() + "/home-link"));
        qputenv("HOME", QFile::encodeName(FTemp->path() + "/home-link"));
        QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Failed);
        QCOMPARE(Snapshot(FDir), FBefore);
        qputenv("HOME", OldHome);

        {
            TFolderLock L = NewLock();
            L.SystemFolders = {FDir + "/folder-one/深层的文件夹 deeper"};
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QVERIFY(L.ErrorText().contains(FDir + "/folder-one/深层的文件夹 deeper"));
        }
        {
            TFolderLock L = NewLock();
            L.SystemTrees = {FTemp->path()};
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QVERIFY(!L.ErrorText().isEmpty());
        }
        QCOMPARE(Snapshot(FDir), FBefore);

        // The tool itself, started with the home inside its folder.
        QFile::remove(FDir + "/" + Tool);
        QVERIFY(QFile::copy(QStringLiteral(QC_BIN_DIR "/Lock.exe"), FDir + "/" + Tool));
        QProcess P;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("HOME", FDir + "/folder-one");
        P.setProcessEnvironment(Env);
        P.start(FDir + "/" + Tool, {"--lock"});
        P.write("pw\n");
        P.closeWriteChannel();
        QVERIFY(P.waitForFinished(30000));
        QCOMPARE(P.exitCode(), 1);
        QVERIFY(QString::fromUtf8(P.readAllStandardError()).contains(FDir + "/folder-one"));
        QCOMPARE(Snapshot(FDir), FBefore);
        QVERIFY(!QFileInfo::exists(FDir + "/" + TFolderLock::VaultName()));
    }

    void TheBuiltToolBesideTheProgramRefuses() {
        // Started where it was built, it must not lock the program's own folder.
        QProcess P;
        P.start(QStringLiteral(QC_BIN_DIR "/Lock.exe"), {"--lock"});
        P.write("pw\n");
        P.closeWriteChannel();
        QVERIFY(P.waitForFinished(30000));
        QCOMPARE(P.exitCode(), 1);
        QVERIFY(QFileInfo(QStringLiteral(QC_BIN_DIR "/qingchuan")).isFile());
        QVERIFY(!QFileInfo::exists(QStringLiteral(QC_BIN_DIR "/") + TFolderLock::VaultName()));
    }
};

QTEST_GUILESS_MAIN(tst_FolderLock)
#include "tst_folderlock.moc"
