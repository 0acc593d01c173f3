// Locking: every open entry of the folder becomes an encrypted file in the vault, and its
// original goes only once that copy is on the disk.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "FolderLock.h"
#include "LegacyVault.h"
#include "LockBlob.h"
#include "LockCommit.h"
#include "LockFiles.h"
#include "LockFormat.h"
#include "LockTree.h"

using LockFormat::TEntry;
using LockFormat::TKind;
using LockTree::TItem;

namespace {

// Encrypted files are made to disk in groups: one sync round for a group, not one per file.
constexpr size_t GroupFiles = 128;
constexpr uint64_t GroupBytes = uint64_t(64) << 20;

TEntry EntryOf(TKind Kind, const std::string &Path, const struct stat &St) {
    TEntry E;
    E.Kind = Kind;
    E.Mode = St.st_mode & 07777;
    E.MtimeSec = St.st_mtim.tv_sec;
    E.MtimeNsec = static_cast<uint32_t>(St.st_mtim.tv_nsec);
    E.Size = Kind == TKind::File ? static_cast<uint64_t>(St.st_size) : 0;
    E.Path = Path;
    return E;
}

} // namespace

struct TLockRun {
    TFolderLock &L;
    LockFormat::TKeys &Keys;
    std::string Root, Data;
    TLockRun(TFolderLock &Lock, LockFormat::TKeys &K, std::string R, std::string D)
        : L(Lock), Keys(K), Root(std::move(R)), Data(std::move(D)) {}
    using TPending = TLockCommitter::TPending;
    std::vector<TPending> Group;
    uint64_t GroupSize = 0;
    // Folders with a record already: an interrupted unlock made them anew (mode 0700, a new
    // time), and only their first record holds what they were.
    std::set<std::string> Recorded;
    TLockCommitter Committer{Root, Data};
    QStringList Left;
    bool Stop = false;
    QString StopText;

    std::string Abs(const std::string &Rel) const { return LockFiles::Join(Root, Rel); }
    std::string BlobPath(const std::string &Name) const { return Data + "/" + Name; }

    void Leave(const std::string &Path, const QString &Why) {
        Left << TFolderLock::Shown(Path) + "（" + Why + "）";
    }

    // Writes the blob of E to Data/Name.part (contents from Fd); the open .part on success.
    int WriteBlob(const TEntry &E, int Fd, const std::string &Name, LockBlob::TStatus &Status,
                  int &Errno) {
        const std::string Part = BlobPath(Name) + ".part";
        const int Out = ::open(Part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (Out < 0) {
            Errno = errno;
            Status = LockBlob::TStatus::WriteFailed;
            return -1;
        }
        Status = LockBlob::Encrypt(
            Keys, E, Fd, Out,
            [this](size_t Bytes) {
                L.FProgress.BytesDone += int64_t(Bytes);
                return L.Report();
            },
            Errno);
        if (Status != LockBlob::TStatus::Ok) {
            ::close(Out);
            ::unlink(Part.c_str());
            return -1;
        }
        // Start the write-back now; the group's sync then mostly finds it done.
        ::sync_file_range(Out, 0, 0, SYNC_FILE_RANGE_WRITE);
        return Out;
    }

    // Hands the group to the worker, which makes it durable and removes its originals while
    // the next group is encrypted; takes in what the group before it came to.
    void Commit() {
        Take(Committer.Submit(std::move(Group)));
        Group.clear();
        GroupSize = 0;
    }
    void Finish() { Take(Committer.Wait()); }
    void Take(const TLockCommitter::TDone &Done) {
        for (const auto &[Path, Why] : Done.Left)
            Leave(Path, Why);
        L.FProgress.FilesDone += Done.FilesDone;
        L.Report();
    }

    // Encrypts one file or link into the group; sets Stop when the run must end.
    void Add(const TItem &Item) {
        if (!L.Report()) {
            Stop = true;
            StopText = "加密已停止：已加密的文件保持加密，其余文件原样未动。再次加密可完成。";
            return;
        }
        const std::string Path = Abs(Item.Path);
        TEntry E;
        int Fd = -1;
        struct stat St = Item.St;
        if (Item.Kind == LockTree::TKind::Link) {
            std::string Target(4096, '\0');
            const ssize_t N = ::readlink(Path.c_str(), Target.data(), Target.size());
            if (N < 0 || size_t(N) == Target.size())
                return Leave(Item.Path, "无法读取链接");
            Target.resize(size_t(N));
            E = EntryOf(TKind::Link, Item.Path, St);
            E.Target = Target;
        } else {
            Fd = ::open(Path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            if (Fd < 0)
                return Leave(Item.Path, "无法读取：" + QString::fromLocal8Bit(
                                                           LockFiles::ErrorText(errno).c_str()));
            if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode) || St.st_ino != Item.St.st_ino) {
                ::close(Fd);
                return Leave(Item.Path, "加密时被改动");
            }
            E = EntryOf(TKind::File, Item.Path, St);
        }
        const std::string Name = LockFormat::BlobName(Keys, E.Kind, Item.Path, St);
        if (LockFiles::Exists(BlobPath(Name))) {
            // Encrypted by a run that stopped before removing the original.
            if (Fd >= 0)
                ::close(Fd);
            L.FProgress.BytesDone += int64_t(E.Size);
            Group.push_back({-1, Name, Item.Path});
            return;
        }
        LockBlob::TStatus Status;
        int Errno = 0;
        const int Out = WriteBlob(E, Fd, Name, Status, Errno);
        struct stat After;
        if (Out >= 0 && Fd >= 0 &&
            (::fstat(Fd, &After) != 0 || After.st_mtim.tv_sec != St.st_mtim.tv_sec ||
             After.st_mtim.tv_nsec != St.st_mtim.tv_nsec))
            Status = LockBlob::TStatus::Changed;
        if (Fd >= 0)
            ::close(Fd);
        switch (Status) {
        case LockBlob::TStatus::Ok:
            Group.push_back({Out, Name, Item.Path});
            GroupSize += E.Size;
            return;
        case LockBlob::TStatus::Changed:
            if (Out >= 0) {
                ::close(Out);
                ::unlink((BlobPath(Name) + ".part").c_str());
            }
            return Leave(Item.Path, "加密时被改动");
        case LockBlob::TStatus::SourceFailed:
            return Leave(Item.Path, "无法读取：" + QString::fromLocal8Bit(
                                                       LockFiles::ErrorText(Errno).c_str()));
        case LockBlob::TStatus::Cancelled:
            Stop = true;
            StopText = "加密已停止：已加密的文件保持加密，其余文件原样未动。再次加密可完成。";
            return;
        default:
            Stop = true;
            StopText =
                (Errno == ENOSPC || Errno == EDQUOT
                     ? "磁盘空间不足，"
                     : "无法写入加密文件（" +
                           QString::fromLocal8Bit(LockFiles::ErrorText(Errno).c_str()) + "），") +
                QString("加密已停止，以下文件尚未加密，原样未动：");
            return;
        }
    }

    // The folders' own records (mode, time), written before anything inside them changes.
    bool RecordFolders(const std::vector<TItem> &Items) {
        for (const TItem &Item : Items) {
            if (Item.Kind != LockTree::TKind::Folder || Recorded.count(Item.Path))
                continue;
            const TEntry E = EntryOf(TKind::Folder, Item.Path, Item.St);
            const std::string Name = LockFormat::BlobName(Keys, TKind::Folder, Item.Path, Item.St);
            if (LockFiles::Exists(BlobPath(Name)))
                continue;
            LockBlob::TStatus Status;
            int Errno = 0;
            const int Out = WriteBlob(E, -1, Name, Status, Errno);
            if (Out < 0) {
                StopText = "无法写入加密文件（" +
                           QString::fromLocal8Bit(LockFiles::ErrorText(Errno).c_str()) +
                           "），加密未开始，文件原样未动。";
                return false;
            }
            Group.push_back({Out, Name, {}});
        }
        std::vector<int> Fds;
        for (TPending &P : Group)
            Fds.push_back(P.Fd);
        bool Ok = LockFiles::SyncFiles(Fds);
        for (TPending &P : Group) {
            ::close(P.Fd);
            Ok =
                Ok && ::rename((BlobPath(P.Blob) + ".part").c_str(), BlobPath(P.Blob).c_str()) == 0;
        }
        Group.clear();
        if (!Ok || !LockFiles::SyncDir(Data)) {
            StopText = "无法写入加密文件，加密未开始，文件原样未动。";
            return false;
        }
        return true;
    }

    // Removes the emptied folders, deepest first; one that still holds something is put back
    // as it was (mode and time).
    void RemoveFolders(const std::vector<TItem> &Items) {
        for (auto It = Items.rbegin(); It != Items.rend(); ++It) {
            if (It->Kind != LockTree::TKind::Folder)
                continue;
            Committer.OpenForWriting(LockFiles::Parent(It->Path));
            if (::rmdir(Abs(It->Path).c_str()) == 0) {
                Committer.Opened.erase(It->Path);
                continue;
            }
            const auto O = Committer.Opened.find(It->Path);
            if (O != Committer.Opened.end()) {
                ::chmod(Abs(It->Path).c_str(), O->second);
                Committer.Opened.erase(O);
            }
            const struct timespec Times[2] = {It->St.st_atim, It->St.st_mtim};
            ::utimensat(AT_FDCWD, Abs(It->Path).c_str(), Times, AT_SYMLINK_NOFOLLOW);
        }
    }
};

TFolderLock::TResult TFolderLock::Lock(const QString &Password) {
    FErrorText.clear();
    FNotMoved.clear();
    FProgress = {};
    if (Password.isEmpty())
        return Fail("密码不能为空。");
    if (!QFileInfo(FFolder).isDir())
        return Fail("找不到文件夹 " + FFolder + "。");
    if (const QString Why = Refusal(); !Why.isEmpty())
        return Fail(Why);
    if (!LockFormat::Init())
        return Fail("加密库无法初始化。");
    // A folder of the earlier version opens with its password first; then it is locked anew.
    if (LegacyVault::Present(FFolder)) {
        const LegacyVault::TResult Old = LegacyVault::Open(FFolder, Password, FErrorText);
        if (Old != LegacyVault::TResult::Done)
            return Old == LegacyVault::TResult::WrongPassword ? TResult::WrongPassword
                                                              : TResult::Failed;
    }
    const std::string Pw = Password.toStdString();
    struct stat VaultSt;
    if (LockFiles::Stat(VaultPath(), VaultSt) && !S_ISDIR(VaultSt.st_mode))
        return Fail("文件夹中已有名为 " + VaultName() + " 的文件，无法加密。");
    LockFormat::THeader Header;
    LockFormat::TKeys Keys;
    if (LockFiles::Exists(HeaderPath())) {
        if (const TResult R = OpenHeader(Pw, Header, Keys); R != TResult::Done)
            return R;
    } else {
        // Encrypted files without their header could never be opened again: never mix.
        const QStringList Orphans = QDir(Shown(DataPath())).entryList(QDir::Files | QDir::Hidden);
        if (!Orphans.isEmpty())
            return Fail("加密区 " + Shown(VaultPath()) +
                        " 中有加密文件，但加密信息 header 已丢失。");
        ::mkdir(VaultPath().c_str(), 0700);
        ::mkdir(DataPath().c_str(), 0700);
        if (!QFileInfo(Shown(DataPath())).isDir())
            return Fail("无法在此文件夹中创建加密区：" +
                        QString::fromLocal8Bit(LockFiles::ErrorText(errno).c_str()));
        Header = LockFormat::NewHeader();
        if (!LockFormat::DeriveKeys(Pw, Header, Keys))
            return Fail("内存不足，无法计算密钥。");
        Header.Check = Keys.Check;
    }
    Header.State = "locking";
    if (!LockFormat::WriteHeader(HeaderPath(), Header))
        return Fail("无法写入加密信息：" +
                    QString::fromLocal8Bit(LockFiles::ErrorText(errno).c_str()));
    ::mkdir(DataPath().c_str(), 0700);
    for (const QString &Part : QDir(Shown(DataPath())).entryList({"*.part"}, QDir::Files))
        QFile::remove(Shown(DataPath()) + "/" + Part);

    TLockRun Run(*this, Keys, Root(), DataPath());
    const std::vector<LockTree::TItem> Items =
        LockTree::Walk(Root(), {QFile::encodeName(FToolName).toStdString(),
                                QFile::encodeName(VaultName()).toStdString()});
    for (const LockTree::TItem &Item : Items)
        if (Item.Kind == LockTree::TKind::File || Item.Kind == LockTree::TKind::Link) {
            ++FProgress.FilesTotal;
            FProgress.BytesTotal += Item.Kind == LockTree::TKind::File ? Item.St.st_size : 0;
        }
    for (const LockBlob::TRecord &R : LockBlob::ReadRecords(Keys, DataPath()))
        if (R.Status == LockBlob::TStatus::Ok && R.Entry.Kind == TKind::Folder)
            Run.Recorded.insert(R.Entry.Path);
    Report();
    if (!Run.RecordFolders(Items))
        return Fail(Run.StopText);
    size_t Next = 0;
    for (; Next < Items.size() && !Run.Stop; ++Next) {
        const LockTree::TItem &Item = Items[Next];
        if (Item.Kind == LockTree::TKind::Unreadable)
            Run.Leave(Item.Path,
                      "无法读取文件夹：" +
                          QString::fromLocal8Bit(LockFiles::ErrorText(Item.Errno).c_str()));
        else if (Item.Kind == LockTree::TKind::Other)
            Run.Leave(Item.Path, "特殊文件，不加密");
        else if (Item.Kind != LockTree::TKind::Folder)
            Run.Add(Item);
        if (Run.Group.size() >= GroupFiles || Run.GroupSize >= GroupBytes)
            Run.Commit();
    }
    Run.Commit();
    Run.Finish();
    if (Run.Stop) {
        QStringList Pending;
        for (size_t I = Next - 1; I < Items.size(); ++I)
            if (Items[I].Kind == LockTree::TKind::File || Items[I].Kind == LockTree::TKind::Link)
                Pending << Shown(Items[I].Path);
        FNotMoved = Run.Left + Pending;
        return Fail(Run.StopText +
                    (Run.StopText.endsWith("：") ? "\n" + Pending.join('\n') : QString()));
    }
    Run.RemoveFolders(Items);
    Header.State = "locked";
    LockFiles::SyncPaths({Root()});
    LockFormat::WriteHeader(HeaderPath(), Header);
    FNotMoved = Run.Left;
    if (!Run.Left.isEmpty())
        return Fail("以下项目未能加密，仍留在原处：\n" + Run.Left.join('\n'));
    return TResult::Done;
}
