#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <sys/stat.h>

#include "lock/FolderLock.h"

namespace {

const QString Tool = "Lock.exe";

void Write(const QString &Path, const QByteArray &Text) {
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile F(Path);
    QVERIFY(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Text);
}

QByteArray Read(const QString &Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("(missing)");
}

unsigned Mode(const QString &Path) {
    struct stat St;
    return ::lstat(QFile::encodeName(Path).constData(), &St) == 0 ? (St.st_mode & 07777) : 0xFFFF;
}

// Everything below Dir except the tool and the vault: path -> kind, content hash, mode.
std::map<QString, QString> Snapshot(const QString &Dir) {
    std::map<QString, QString> Result;
    QDirIterator It(Dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (It.hasNext()) {
        const QString Path = It.next();
        const QString Rel = QDir(Dir).relativeFilePath(Path);
        if (Rel == Tool || Rel == TFolderLock::VaultName() ||
            Rel.startsWith(TFolderLock::VaultName() + "/"))
            continue;
        const QFileInfo Info(Path);
        QString Value;
        if (Info.isSymLink())
            Value = "link " + Info.symLinkTarget();
        else if (Info.isDir())
            Value = "dir";
        else
            Value =
                "file " + QCryptographicHash::hash(Read(Path), QCryptographicHash::Sha1).toHex();
        Result[Rel] = Value + QString(" %1").arg(Mode(Path), 0, 8);
    }
    return Result;
}

// What a user sees in the folder.
QStringList Visible(const QString &Dir) {
    return QDir(Dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void MakeSamples(const QString &Dir) {
    Write(Dir + "/a.txt", "first file");
    Write(Dir + "/报告 2024.docx", "report with a Chinese name and a space");
    Write(Dir + "/.hidden", "hidden file");
    Write(Dir + "/sub/deeper/b.bin", QByteArray(1 << 20, '\x5a'));
    Write(Dir + "/sub/c.txt", "nested");
    QDir().mkpath(Dir + "/empty folder");
    Write(Dir + "/read-only.txt", "keep me");
    QFile::setPermissions(Dir + "/read-only.txt", QFile::ReadOwner);
    QFile::link("a.txt", Dir + "/link-to-a");
    QFile::link("/nonexistent/target", Dir + "/dangling");
    Write(Dir + "/" + Tool, "the tool itself");
}

} // namespace

class tst_FolderLock : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FTemp;
    QString FDir;
    std::map<QString, QString> FBefore;

    TFolderLock NewLock() {
        TFolderLock L(FDir, Tool);
        L.Iterations = 1000; // the record keeps its count; the rule is the same
        return L;
    }
    // The folder is locked: only the tool and the closed vault are left.
    void VerifyLocked() {
        QCOMPARE(Visible(FDir), QStringList({TFolderLock::VaultName(), Tool}));
        QCOMPARE(Mode(FDir + "/" + TFolderLock::VaultName()), 0u);
        QVERIFY(NewLock().IsLocked());
        QCOMPARE(Read(FDir + "/" + Tool), QByteArray("the tool itself"));
    }
    // Everything is back as it was, and the vault is gone.
    void VerifyRestored() {
        QCOMPARE(Snapshot(FDir), FBefore);
        QVERIFY(!QFileInfo::exists(FDir + "/" + TFolderLock::VaultName()));
        QVERIFY(!NewLock().IsLocked());
    }

private slots:
    void init() {
        FTemp = std::make_unique<QTemporaryDir>();
        FDir = FTemp->path() + "/folder";
        MakeSamples(FDir);
        FBefore = Snapshot(FDir);
        QCOMPARE(FBefore.size(), size_t(11));
    }
    void cleanup() {
        // Let QTemporaryDir remove a vault left closed.
        ::chmod(QFile::encodeName(FDir + "/" + TFolderLock::VaultName()).constData(), 0700);
        ::chmod(QFile::encodeName(FDir + "/" + TFolderLock::VaultName() + "/files").constData(),
                0700);
        FTemp.reset();
    }

    void LockAndUnlock() {
        TFolderLock L = NewLock();
        QVERIFY(!L.IsLocked());
        QCOMPARE(L.Lock("密码 secret"), TFolderLock::TResult::Done);
        VerifyLocked();
        QCOMPARE(L.Unlock("wrong"), TFolderLock::TResult::WrongPassword);
        QCOMPARE(L.Unlock(""), TFolderLock::TResult::WrongPassword);
        VerifyLocked();
        // Locking again takes only the same password.
        QCOMPARE(L.Lock("other"), TFolderLock::TResult::WrongPassword);
        VerifyLocked();
        QCOMPARE(L.Unlock("密码 secret"), TFolderLock::TResult::Done);
        VerifyRestored();
        // And the folder can be locked again with a new password.
        QCOMPARE(L.Lock("new"), TFolderLock::TResult::Done);
        QCOMPARE(L.Unlock("密码 secret"), TFolderLock::TResult::WrongPassword);
        QCOMPARE(L.Unlock("new"), TFolderLock::TResult::Done);
        VerifyRestored();
    }

    void InterruptedLockIsFinishedOrUndone() {
        for (const bool FinishByLocking : {false, true}) {
            TFolderLock L = NewLock();
            int Left = 3;
            L.OnBeforeMove = [&Left] { return Left-- > 0; };
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QCOMPARE(Visible(FDir).size(), 2 + 8 - 3); // tool, vault, the rest of eight entries
            TFolderLock Again = NewLock();             // a new run, as after a crash
            QVERIFY(Again.IsLocked());
            if (FinishByLocking) {
                QCOMPARE(Again.Lock("wrong"), TFolderLock::TResult::WrongPassword);
                QCOMPARE(Again.Lock("pw"), TFolderLock::TResult::Done);
                VerifyLocked();
            }
            QCOMPARE(Again.Unlock("pw"), TFolderLock::TResult::Done);
            VerifyRestored();
        }
    }

    void InterruptedUnlockIsFinished() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        int Left = 4;
        L.OnBeforeMove = [&Left] { return Left-- > 0; };
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Failed);
        TFolderLock Again = NewLock();
        QVERIFY(Again.IsLocked()); // half out is still locked
        QCOMPARE(Again.Unlock("wrong"), TFolderLock::TResult::WrongPassword);
        QCOMPARE(Again.Unlock("pw"), TFolderLock::TResult::Done);
        VerifyRestored();
    }

    void ClashesNeverOverwrite() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        // While locked, new things appear under the old names.
        Write(FDir + "/a.txt", "a newer a.txt");
        Write(FDir + "/sub", "a file where a folder was");
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(Read(FDir + "/a.txt"), QByteArray("a newer a.txt"));
        QCOMPARE(Read(FDir + "/a (2).txt"), QByteArray("first file"));
        QCOMPARE(Read(FDir + "/sub"), QByteArray("a file where a folder was"));
        QCOMPARE(Read(FDir + "/sub (2)/c.txt"), QByteArray("nested"));
        QCOMPARE(Read(FDir + "/sub (2)/deeper/b.bin"), QByteArray(1 << 20, '\x5a'));
        QVERIFY(!QFileInfo::exists(FDir + "/" + TFolderLock::VaultName()));
    }

    void NewFilesJoinALockedFolder() {
        TFolderLock L = NewLock();
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        Write(FDir + "/later.txt", "added while locked");
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Done);
        VerifyLocked();
        QCOMPARE(L.Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(Read(FDir + "/later.txt"), QByteArray("added while locked"));
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
        QVERIFY(!L.ErrorText().isEmpty());
        QCOMPARE(Read(FDir + "/" + TFolderLock::VaultName()), QByteArray("not a vault"));
        QVERIFY(QFile::remove(FDir + "/" + TFolderLock::VaultName()));
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

    void TheProgramFromTheCommandLine() {
        // The built tool, copied into the folder it is to lock, as the assistant places it.
        QFile::remove(FDir + "/" + Tool);
        QVERIFY(QFile::copy(QStringLiteral(QC_BIN_DIR "/Lock.exe"), FDir + "/" + Tool));
        const auto Run = [this](const QStringList &Args, const QByteArray &Input,
                                QByteArray *Out = nullptr) {
            QProcess P;
            P.setWorkingDirectory(FTemp->path()); // the folder comes from where the tool is
            P.start(FDir + "/" + Tool, Args);
            P.write(Input);
            P.closeWriteChannel();
            if (!P.waitForFinished(30000))
                return -1;
            if (Out)
                *Out = P.readAllStandardOutput();
            return P.exitCode();
        };
        QByteArray Out;
        QCOMPARE(Run({"--status"}, {}, &Out), 0);
        QCOMPARE(Out, QByteArray("unlocked\n"));
        QCOMPARE(Run({"--lock"}, "密码 1\n"), 0);
        QCOMPARE(Visible(FDir), QStringList({TFolderLock::VaultName(), Tool}));
        QCOMPARE(Run({"--status"}, {}, &Out), 0);
        QCOMPARE(Out, QByteArray("locked\n"));
        QCOMPARE(Run({"--unlock"}, "密码 2\n"), 2);
        QCOMPARE(Run({"--unlock"}, "密码 1\r\n"), 0);
        QCOMPARE(Snapshot(FDir), FBefore);
        QCOMPARE(Run({"--lock"}, "\n"), 1);
        QCOMPARE(Run({"--frobnicate"}, {}), 3);
        QCOMPARE(Snapshot(FDir), FBefore);
    }

    void StatusTellsAPartlyLockedFolder() {
        // The built tool in the folder, as the assistant places it.
        QFile::remove(FDir + "/" + Tool);
        QVERIFY(QFile::copy(QStringLiteral(QC_BIN_DIR "/Lock.exe"), FDir + "/" + Tool));
        const auto Status = [this](QByteArray *Err = nullptr) {
            QProcess P;
            P.start(FDir + "/" + Tool, {"--status"});
            if (!P.waitForFinished(30000) || P.exitCode() != 0)
                return QByteArray("(failed)");
            if (Err)
                *Err = P.readAllStandardError();
            return P.readAllStandardOutput();
        };
        // A lock stopped after three of the eight entries, as if the tool had been killed.
        TFolderLock L = NewLock();
        int Left = 3;
        L.OnBeforeMove = [&Left] { return Left-- > 0; };
        QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
        QVERIFY(NewLock().IsLocked());
        QCOMPARE(NewLock().State(), TFolderLock::TState::Partial);
        QCOMPARE(NewLock().OpenEntries().size(), 5);
        QByteArray Err;
        QCOMPARE(Status(&Err), QByteArray("partly locked\n"));
        for (const QString &Name : NewLock().OpenEntries())
            QVERIFY2(QString::fromUtf8(Err).contains(Name), qPrintable(Name));
        // Finishing the lock makes it whole.
        QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(NewLock().State(), TFolderLock::TState::Locked);
        QCOMPARE(Status(), QByteArray("locked\n"));
        // Something put into the locked folder lies open.
        Write(FDir + "/later.txt", "added while locked");
        QCOMPARE(NewLock().State(), TFolderLock::TState::Partial);
        QCOMPARE(Status(), QByteArray("partly locked\n"));
        QCOMPARE(NewLock().Unlock("pw"), TFolderLock::TResult::Done);
        QCOMPARE(NewLock().State(), TFolderLock::TState::Unlocked);
        QCOMPARE(Status(), QByteArray("unlocked\n"));
        // An unlock stopped half way is partly locked too.
        QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Done);
        TFolderLock U = NewLock();
        Left = 4;
        U.OnBeforeMove = [&Left] { return Left-- > 0; };
        QCOMPARE(U.Unlock("pw"), TFolderLock::TResult::Failed);
        QCOMPARE(Status(), QByteArray("partly locked\n"));
    }

    void HomeAndSystemFoldersAreRefused() {
        // Checked without locking anything: these are the machine's real folders.
        for (const char *Folder :
             {"/", "/usr", "/usr/share", "/etc/ssh", "/home", "/tmp", "/var", "/root", "/bin"})
            QVERIFY2(!TFolderLock(Folder, Tool).Refusal().isEmpty(), Folder);
        QCOMPARE(NewLock().Refusal(), QString());

        const QByteArray OldHome = qgetenv("HOME");
        const auto RestoreHome = qScopeGuard([&OldHome] { qputenv("HOME", OldHome); });
        for (const QString &Home : {FDir, FDir + "/sub", FDir + "/sub/deeper"}) {
            qputenv("HOME", QFile::encodeName(Home));
            TFolderLock L = NewLock();
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QVERIFY2(L.ErrorText().contains(Home), qPrintable(L.ErrorText()));
            QCOMPARE(Snapshot(FDir), FBefore);
            QVERIFY(!QFileInfo::exists(FDir + "/" + TFolderLock::VaultName()));
        }
        // Reached through a link, the home is still the home.
        QVERIFY(QFile::link(FDir + "/sub", FTemp->path() + "/home-link"));
        qputenv("HOME", QFile::encodeName(FTemp->path() + "/home-link"));
        QCOMPARE(NewLock().Lock("pw"), TFolderLock::TResult::Failed);
        QCOMPARE(Snapshot(FDir), FBefore);
        qputenv("HOME", OldHome);

        {
            TFolderLock L = NewLock();
            L.SystemFolders = {FDir + "/sub/deeper"};
            QCOMPARE(L.Lock("pw"), TFolderLock::TResult::Failed);
            QVERIFY(L.ErrorText().contains(FDir + "/sub/deeper"));
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
        Env.insert("HOME", FDir + "/sub");
        P.setProcessEnvironment(Env);
        P.start(FDir + "/" + Tool, {"--lock"});
        P.write("pw\n");
        P.closeWriteChannel();
        QVERIFY(P.waitForFinished(30000));
        QCOMPARE(P.exitCode(), 1);
        QVERIFY(QString::fromUtf8(P.readAllStandardError()).contains(FDir + "/sub"));
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
