#include "FolderLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A rename that never replaces what is at To: errno EEXIST when something is there.
bool RenameNoReplace(const QString &From, const QString &To) {
    const QByteArray F = QFile::encodeName(From), T = QFile::encodeName(To);
    if (::renameat2(AT_FDCWD, F.constData(), AT_FDCWD, T.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: check first; nothing else works in this folder meanwhile.
    struct stat St;
    if (::lstat(T.constData(), &St) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(F.constData(), T.constData()) == 0;
}

void SyncPath(const QString &Path) {
    const int Fd = ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC);
    if (Fd >= 0) {
        ::fsync(Fd);
        ::close(Fd);
    }
}

QByteArray Derive(const QString &Password, const QByteArray &Salt, int Iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, Password.toUtf8(), Salt,
                                              Iterations, 32);
}

bool SameBytes(const QByteArray &A, const QByteArray &B) {
    if (A.size() != B.size())
        return false;
    unsigned char Diff = 0;
    for (qsizetype I = 0; I < A.size(); ++I)
        Diff |= static_cast<unsigned char>(A[I] ^ B[I]);
    return Diff == 0;
}

// The path with links resolved where it exists, else only made absolute and clean.
QString RealPath(const QString &Path) {
    const QString Canonical = QFileInfo(Path).canonicalFilePath();
    return Canonical.isEmpty() ? QDir::cleanPath(QDir(Path).absolutePath()) : Canonical;
}

// Whether Inner is Outer or lies somewhere below it (both real paths).
bool Within(const QString &Inner, const QString &Outer) {
    return Inner == Outer || Outer == "/" || Inner.startsWith(Outer + "/");
}

// The folder itself and, when it is reached through a link, where the link leads.
QStringList BothPaths(const QString &Path) {
    const QString Clean = QDir::cleanPath(QDir(Path).absolutePath());
    const QString Real = RealPath(Path);
    return Real == Clean ? QStringList{Clean} : QStringList{Clean, Real};
}

QStringList HomeFolders() {
    QStringList Homes;
    const QString Env = qEnvironmentVariable("HOME");
    if (!Env.isEmpty())
        Homes << Env;
    if (const passwd *Pw = ::getpwuid(::geteuid()); Pw && Pw->pw_dir && *Pw->pw_dir)
        Homes << QFile::decodeName(Pw->pw_dir);
    return Homes;
}

} // namespace

QStringList TFolderLock::DefaultSystemFolders() {
    return {"/bin",    "/boot",  "/dev", "/etc", "/home", "/lib",  "/lib32", "/lib64",
            "/libx32", "/media", "/mnt", "/opt", "/proc", "/root", "/run",   "/sbin",
            "/snap",   "/srv",   "/sys", "/tmp", "/usr",  "/var"};
}

QStringList TFolderLock::DefaultSystemTrees() {
    // The system's own files; a user's folders live elsewhere (home, /srv, /mnt, /media, /tmp).
    return {"/bin",   "/boot",   "/dev",  "/etc",  "/lib", "/lib32",
            "/lib64", "/libx32", "/proc", "/sbin", "/sys", "/usr"};
}

TFolderLock::TFolderLock(const QString &Folder, const QString &ToolName)
    : FFolder(QDir(Folder).absolutePath()), FToolName(ToolName) {}

QString TFolderLock::VaultDir() const {
    return FFolder + "/" + VaultName();
}
QString TFolderLock::FilesDir() const {
    return VaultDir() + "/files";
}
QString TFolderLock::KeyFile() const {
    return VaultDir() + "/key";
}

QStringList TFolderLock::OpenEntries() const {
    QStringList Names = QDir(FFolder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    Names.removeAll(FToolName);
    Names.removeAll(VaultName());
    return Names;
}

TFolderLock::TState TFolderLock::State() const {
    if (!IsLocked())
        return TState::Unlocked;
    return OpenEntries().isEmpty() ? TState::Locked : TState::Partial;
}

QString TFolderLock::Refusal() const {
    // Locking the assistant's own folder would hide the assistant and its settings; a copy of
    // it under another name is known by the settings and task files beside it.
    if (QFileInfo(FFolder + "/qingchuan").isFile() ||
        (QFileInfo(FFolder + "/cfg.ini").isFile() && QFileInfo(FFolder + "/DB.mdb").isFile()))
        return "这是晴川助手所在的文件夹，不能加密。";
    // Everything in the folder is moved away: a home or a system folder inside it would go too.
    const QStringList Folder = BothPaths(FFolder);
    const auto Holds = [&Folder](const QString &Path) {
        for (const QString &Inner : BothPaths(Path))
            for (const QString &Outer : Folder)
                if (Within(Inner, Outer))
                    return true;
        return false;
    };
    for (const QString &Home : HomeFolders())
        if (Holds(Home))
            return "此文件夹是或包含用户主文件夹 " + Home + "，不能加密。";
    for (const QString &System : SystemFolders)
        if (Holds(System))
            return "此文件夹是或包含系统文件夹 " + System + "，不能加密。";
    for (const QString &Tree : SystemTrees)
        for (const QString &Outer : BothPaths(Tree))
            for (const QString &Inner : Folder)
                if (Within(Inner, Outer))
                    return "此文件夹位于系统文件夹 " + Tree + " 中，不能加密。";
    return {};
}

bool TFolderLock::IsLocked() const {
    // The vault may be closed (mode 000); its owner can still see that the record exists.
    const QFileInfo Vault(VaultDir());
    if (!Vault.isDir() || Vault.isSymLink())
        return false;
    ::chmod(QFile::encodeName(VaultDir()).constData(), 0700);
    const bool Locked = QFileInfo::exists(KeyFile());
    ::chmod(QFile::encodeName(VaultDir()).constData(), Locked ? 0 : 0700);
    return Locked;
}

QString TFolderLock::FreeName(const QString &Dir, const QString &Name) {
    const auto Taken = [&Dir](const QString &N) {
        struct stat St;
        return ::lstat(QFile::encodeName(Dir + "/" + N).constData(), &St) == 0;
    };
    if (!Taken(Name))
        return Name;
    // "report.tar.gz" -> "report (2).tar.gz"; ".profile" and "notes" get the number at the end.
    const qsizetype Dot = Name.indexOf('.', 1);
    const QString Stem = Dot > 0 ? Name.left(Dot) : Name;
    const QString Ext = Dot > 0 ? Name.mid(Dot) : QString();
    for (int N = 2;; ++N) {
        const QString Candidate = QString("%1 (%2)%3").arg(Stem).arg(N).arg(Ext);
        if (!Taken(Candidate))
            return Candidate;
    }
}

TFolderLock::TResult TFolderLock::Fail(const QString &Text) {
    FErrorText = Text;
    return TResult::Failed;
}

bool TFolderLock::WriteKey(const QString &Password) {
    QByteArray Salt(16, 0);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(Salt.data()),
                                          Salt.size() / 4);
    const QByteArray Hash = Derive(Password, Salt, Iterations);
    const QByteArray Record = "qclock 1\npbkdf2-sha256 " + QByteArray::number(Iterations) + " " +
                              Salt.toHex() + " " + Hash.toHex() + "\n";
    // Written aside and renamed into place: a record is either whole or absent.
    const QString Temp = KeyFile() + ".tmp";
    QFile F(Temp);
    if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    F.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (F.write(Record) != Record.size() || !F.flush()) {
        F.close();
        QFile::remove(Temp);
        return false;
    }
    ::fsync(F.handle());
    F.close();
    if (::rename(QFile::encodeName(Temp).constData(), QFile::encodeName(KeyFile()).constData())) {
        QFile::remove(Temp);
        return false;
    }
    SyncPath(VaultDir());
    return true;
}

bool TFolderLock::CheckKey(const QString &Password) const {
    QFile F(KeyFile());
    if (!F.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> Lines = F.readAll().split('\n');
    if (Lines.size() < 2 || Lines[0] != "qclock 1")
        return false;
    const QList<QByteArray> Parts = Lines[1].split(' ');
    if (Parts.size() != 4 || Parts[0] != "pbkdf2-sha256")
        return false;
    bool Ok = false;
    const int Rounds = Parts[1].toInt(&Ok);
    if (!Ok || Rounds < 1)
        return false;
    return SameBytes(Derive(Password, QByteArray::fromHex(Parts[2]), Rounds),
                     QByteArray::fromHex(Parts[3]));
}

TFolderLock::TMove TFolderLock::MoveAll(const QString &From, const QString &To,
                                        const QStringList &Skip) {
    const QStringList Names = QDir(From).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    bool AllMoved = true;
    for (const QString &Name : Names) {
        if (Skip.contains(Name))
            continue;
        if (OnBeforeMove && !OnBeforeMove())
            return TMove::Interrupted;
        bool Moved = false;
        // Another program may take a free name between the check and the rename: try again.
        for (int Attempt = 0; Attempt < 100 && !Moved; ++Attempt) {
            Moved = RenameNoReplace(From + "/" + Name, To + "/" + FreeName(To, Name));
            if (!Moved && errno != EEXIST)
                break;
        }
        if (!Moved) {
            FNotMoved << Name;
            AllMoved = false;
        }
    }
    SyncPath(From);
    SyncPath(To);
    return AllMoved ? TMove::Done : TMove::Failed;
}

TFolderLock::TResult TFolderLock::Lock(const QString &Password) {
    FErrorText.clear();
    FNotMoved.clear();
    if (Password.isEmpty())
        return Fail("密码不能为空。");
    if (!QFileInfo(FFolder).isDir())
        return Fail("找不到文件夹 " + FFolder + "。");
    if (const QString Why = Refusal(); !Why.isEmpty())
        return Fail(Why);
    const QByteArray Vault = QFile::encodeName(VaultDir());
    const QFileInfo VaultInfo(VaultDir());
    if (VaultInfo.exists() || VaultInfo.isSymLink()) {
        if (!VaultInfo.isDir() || VaultInfo.isSymLink())
            return Fail("文件夹中已有名为 " + VaultName() + " 的文件，无法加密。");
        ::chmod(Vault.constData(), 0700);
    } else if (::mkdir(Vault.constData(), 0700) != 0) {
        return Fail("无法在此文件夹中创建加密区：" + QString::fromLocal8Bit(strerror(errno)));
    }
    const QByteArray Files = QFile::encodeName(FilesDir());
    if (!QFileInfo(FilesDir()).isDir() && ::mkdir(Files.constData(), 0700) != 0) {
        ::chmod(Vault.constData(), 0700);
        return Fail("无法在此文件夹中创建加密区：" + QString::fromLocal8Bit(strerror(errno)));
    }
    if (QFileInfo::exists(KeyFile())) {
        if (!CheckKey(Password)) {
            ::chmod(Vault.constData(), 0);
            return TResult::WrongPassword;
        }
    } else if (!WriteKey(Password)) {
        return Fail("无法保存密码。");
    }
    const TMove Moved = MoveAll(FFolder, FilesDir(), {FToolName, VaultName()});
    if (Moved == TMove::Interrupted)
        return Fail("加密被中断。");
    // Only the owner may open the vault now, and only after giving the password back to this
    // tool, which opens it again.
    ::chmod(Files.constData(), 0);
    ::chmod(Vault.constData(), 0);
    if (Moved == TMove::Failed)
        return Fail("以下项目未能加密，仍留在原处：\n" + FNotMoved.join('\n'));
    return TResult::Done;
}

TFolderLock::TResult TFolderLock::Unlock(const QString &Password) {
    FErrorText.clear();
    FNotMoved.clear();
    const QByteArray Vault = QFile::encodeName(VaultDir());
    const QFileInfo VaultInfo(VaultDir());
    if (!VaultInfo.isDir() || VaultInfo.isSymLink())
        return Fail("此文件夹没有加密。");
    ::chmod(Vault.constData(), 0700);
    if (!QFileInfo::exists(KeyFile())) {
        ::chmod(Vault.constData(), 0700);
        return Fail("此文件夹没有加密。");
    }
    if (!CheckKey(Password)) {
        ::chmod(Vault.constData(), 0);
        return TResult::WrongPassword;
    }
    const QByteArray Files = QFile::encodeName(FilesDir());
    ::chmod(Files.constData(), 0700);
    const TMove Moved =
        QFileInfo(FilesDir()).isDir() ? MoveAll(FilesDir(), FFolder, {}) : TMove::Done;
    if (Moved == TMove::Interrupted)
        return Fail("解密被中断。");
    if (Moved == TMove::Failed) {
        // What is still inside stays locked behind the same password.
        ::chmod(Files.constData(), 0);
        ::chmod(Vault.constData(), 0);
        return Fail("以下项目未能解密，仍在加密区中：\n" + FNotMoved.join('\n'));
    }
    // The record goes last: until the vault is empty, the folder counts as locked.
    ::rmdir(Files.constData());
    if (QFileInfo(FilesDir()).exists())
        return Fail("加密区中还有文件，文件夹仍处于加密状态。");
    QFile::remove(KeyFile() + ".tmp");
    QFile::remove(KeyFile());
    ::rmdir(Vault.constData());
    SyncPath(FFolder);
    return TResult::Done;
}
