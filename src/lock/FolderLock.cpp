#include "FolderLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LegacyVault.h"
#include "LockFiles.h"
#include "LockFormat.h"

namespace {

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

std::string TFolderLock::Root() const {
    return QFile::encodeName(FFolder).toStdString();
}
std::string TFolderLock::VaultPath() const {
    return LockFiles::Join(Root(), QFile::encodeName(VaultName()).toStdString());
}
std::string TFolderLock::DataPath() const {
    return VaultPath() + "/data";
}
std::string TFolderLock::HeaderPath() const {
    return VaultPath() + "/header";
}

QStringList TFolderLock::OpenEntries() const {
    QStringList Names = QDir(FFolder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    Names.removeAll(FToolName);
    Names.removeAll(VaultName());
    return Names;
}

bool TFolderLock::IsLocked() const {
    return LockFiles::Exists(HeaderPath()) || LegacyVault::Present(FFolder);
}

TFolderLock::TState TFolderLock::State() const {
    if (LegacyVault::Present(FFolder))
        return OpenEntries().isEmpty() ? TState::Locked : TState::Partial;
    if (!LockFiles::Exists(HeaderPath()))
        return TState::Unlocked;
    LockFormat::THeader Header;
    const bool Finished = LockFormat::ReadHeader(HeaderPath(), Header) && Header.State == "locked";
    return Finished && OpenEntries().isEmpty() ? TState::Locked : TState::Partial;
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

bool TFolderLock::Report() {
    return !OnProgress || OnProgress(FProgress);
}

QString TFolderLock::Shown(const std::string &Path) {
    return QFile::decodeName(QByteArray::fromStdString(Path));
}

TFolderLock::TResult TFolderLock::OpenHeader(const std::string &Password,
                                             LockFormat::THeader &Header, LockFormat::TKeys &Keys) {
    if (!LockFormat::Init())
        return Fail("加密库无法初始化。");
    if (!LockFormat::ReadHeader(HeaderPath(), Header))
        return Fail("加密信息 " + Shown(HeaderPath()) + " 已损坏，无法读取。");
    if (!LockFormat::DeriveKeys(Password, Header, Keys))
        return Fail("加密信息 " + Shown(HeaderPath()) + " 已损坏，或内存不足，无法计算密钥。");
    return LockFormat::KeysMatch(Keys, Header) ? TResult::Done : TResult::WrongPassword;
}
