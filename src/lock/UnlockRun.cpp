// Unlocking: every encrypted file of the vault is restored beside its final name, made durable,
// renamed into place, and only then removed from the vault.
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
#include "LockFiles.h"
#include "LockFormat.h"
#include "LockTree.h"

using LockFormat::TEntry;
using LockFormat::TKind;

namespace {

constexpr size_t GroupFiles = 256;
constexpr uint64_t GroupBytes = uint64_t(256) << 20;

QString Why(int Errno) {
    return QString::fromLocal8Bit(LockFiles::ErrorText(Errno).c_str());
}

} // namespace

struct TUnlockRun {
    TFolderLock &L;
    LockFormat::TKeys &Keys;
    std::string Root, Data;
    TUnlockRun(TFolderLock &Lock, LockFormat::TKeys &K, std::string R, std::string D)
        : L(Lock), Keys(K), Root(std::move(R)), Data(std::move(D)) {}
    struct TBlob {
        std::string Name;
        TEntry Entry;
    };
    std::vector<TBlob> Folders, Items;
    // One restored entry waiting for its group's fsync under its temporary name.
    struct TPending {
        int Fd;           // the open temporary file, -1 for a link or an entry found restored
        std::string Temp; // relative; empty when the entry was found already in place
        std::string Dest; // relative
        std::string Blob;
    };
    std::vector<TPending> Group;
    uint64_t GroupSize = 0;
    std::map<std::string, mode_t> Opened; // folders opened for writing, with their mode before
    QStringList Damaged, Failed;
    bool Stop = false;
    QString StopText;

    std::string Abs(const std::string &Rel) const { return LockFiles::Join(Root, Rel); }
    std::string BlobPath(const std::string &Name) const { return Data + "/" + Name; }

    void Scan() {
        for (const LockBlob::TRecord &R : LockBlob::ReadRecords(Keys, Data)) {
            const QString Shown =
                TFolderLock::VaultName() + "/data/" + QString::fromStdString(R.Name);
            if (R.Status == LockBlob::TStatus::Damaged)
                Damaged << Shown;
            else if (R.Status != LockBlob::TStatus::Ok)
                Failed << Shown + "（无法读取：" + Why(R.Errno) + "）";
            else
                (R.Entry.Kind == TKind::Folder ? Folders : Items).push_back({R.Name, R.Entry});
        }
    }

    // Makes the folder Rel exist and writable for this user; false when something else
    // (a file, a link) holds its place.
    bool EnsureFolder(const std::string &Rel) {
        if (Rel.empty())
            return true;
        struct stat St;
        if (LockFiles::Stat(Abs(Rel), St)) {
            if (!S_ISDIR(St.st_mode))
                return false;
            if ((St.st_mode & 0700) != 0700 && !Opened.count(Rel)) {
                Opened[Rel] = St.st_mode & 07777;
                ::chmod(Abs(Rel).c_str(), (St.st_mode & 07777) | 0700);
            }
            return true;
        }
        if (!EnsureFolder(LockFiles::Parent(Rel)))
            return false;
        return ::mkdir(Abs(Rel).c_str(), 0700) == 0 || errno == EEXIST;
    }

    // Whether the entry at Rel is B restored by an earlier run (stopped before B was removed).
    bool Restored(const TBlob &B, const std::string &Rel) {
        struct stat St;
        if (!LockFiles::Stat(Abs(Rel), St))
            return false;
        const TEntry &E = B.Entry;
        if (E.Kind == TKind::Link) {
            std::string Target(E.Target.size() + 1, '\0');
            return S_ISLNK(St.st_mode) &&
                   ::readlink(Abs(Rel).c_str(), Target.data(), Target.size()) ==
                       ssize_t(E.Target.size()) &&
                   Target.compare(0, E.Target.size(), E.Target) == 0;
        }
        if (!S_ISREG(St.st_mode) || uint64_t(St.st_size) != E.Size ||
            (St.st_mode & 07777) != E.Mode || St.st_mtim.tv_sec != E.MtimeSec ||
            uint32_t(St.st_mtim.tv_nsec) != E.MtimeNsec)
            return false;
        const int Have = ::open(Abs(Rel).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        const int Fd = ::open(BlobPath(B.Name).c_str(), O_RDONLY | O_CLOEXEC);
        bool Same = Have >= 0 && Fd >= 0;
        if (Same) {
            LockBlob::TReader Reader(Keys, Fd);
            TEntry Again;
            std::vector<unsigned char> Buffer;
            Same = Reader.ReadEntry(Again) == LockBlob::TStatus::Ok &&
                   Reader.ReadContents(
                       [&](const unsigned char *P, size_t N) {
                           Buffer.resize(N);
                           if (LockFiles::ReadFull(Have, Buffer.data(), N) != long(N) ||
                               !std::equal(Buffer.begin(), Buffer.end(), P))
                               return (errno = 0, false);
                           return true;
                       },
                       {}) == LockBlob::TStatus::Ok;
        }
        if (Have >= 0)
            ::close(Have);
        if (Fd >= 0)
            ::close(Fd);
        return Same;
    }

    void Restore(const TBlob &B) {
        const TEntry &E = B.Entry;
        if (!L.Report()) {
            Stop = true;
            StopText = "解密已停止：已解密的文件保持解密，其余仍加密保存。再次解密可完成。";
            return;
        }
        const std::string Parent = LockFiles::Parent(E.Path);
        if (!EnsureFolder(Parent)) {
            Failed << TFolderLock::Shown(E.Path) + "（所在文件夹的位置被同名文件占用）";
            return;
        }
        std::string Dest = E.Path;
        for (int N = 2; LockFiles::Exists(Abs(Dest)); ++N) {
            if (Restored(B, Dest)) {
                Group.push_back({-1, {}, Dest, B.Name});
                return;
            }
            Dest = LockFiles::Numbered(E.Path, N);
        }
        const std::string Temp = LockFiles::Join(Parent, LockTree::PartPrefix + B.Name);
        ::unlink(Abs(Temp).c_str());
        if (E.Kind == TKind::Link) {
            const struct timespec Times[2] = {{0, UTIME_OMIT}, {E.MtimeSec, long(E.MtimeNsec)}};
            if (::symlink(E.Target.c_str(), Abs(Temp).c_str()) != 0)
                return StopFor(errno, E.Path);
            ::utimensat(AT_FDCWD, Abs(Temp).c_str(), Times, AT_SYMLINK_NOFOLLOW);
            Group.push_back({-1, Temp, Dest, B.Name});
            return;
        }
        const int Out =
            ::open(Abs(Temp).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (Out < 0)
            return StopFor(errno, E.Path);
        const int Fd = ::open(BlobPath(B.Name).c_str(), O_RDONLY | O_CLOEXEC);
        LockBlob::TReader Reader(Keys, Fd);
        TEntry Again;
        LockBlob::TStatus S = Fd < 0 ? LockBlob::TStatus::SourceFailed : Reader.ReadEntry(Again);
        if (S == LockBlob::TStatus::Ok)
            S = Reader.ReadContents(
                [Out](const unsigned char *P, size_t N) { return LockFiles::WriteAll(Out, P, N); },
                [this](size_t N) {
                    L.FProgress.BytesDone += int64_t(N);
                    return L.Report();
                });
        const int Errno = Fd < 0 ? errno : Reader.Errno;
        if (Fd >= 0)
            ::close(Fd);
        if (S == LockBlob::TStatus::Ok) {
            const struct timespec Times[2] = {{0, UTIME_OMIT}, {E.MtimeSec, long(E.MtimeNsec)}};
            ::fchmod(Out, E.Mode);
            ::futimens(Out, Times);
            ::sync_file_range(Out, 0, 0, SYNC_FILE_RANGE_WRITE);
            Group.push_back({Out, Temp, Dest, B.Name});
            GroupSize += E.Size;
            return;
        }
        ::close(Out);
        ::unlink(Abs(Temp).c_str());
        if (S == LockBlob::TStatus::Damaged)
            Damaged << TFolderLock::Shown(E.Path);
        else if (S == LockBlob::TStatus::SourceFailed)
            Failed << TFolderLock::Shown(E.Path) + "（无法读取加密文件：" + Why(Errno) + "）";
        else if (S == LockBlob::TStatus::Cancelled) {
            Stop = true;
            StopText = "解密已停止：已解密的文件保持解密，其余仍加密保存。再次解密可完成。";
        } else
            StopFor(Errno, E.Path);
    }

    void StopFor(int Errno, const std::string &Path) {
        Stop = true;
        StopText = (Errno == ENOSPC || Errno == EDQUOT
                        ? QString("磁盘空间不足")
                        : "无法写入 " + TFolderLock::Shown(Path) + "（" + Why(Errno) + "）") +
                   "，解密已停止；未解密的文件仍加密保存，腾出空间后再次解密即可完成。";
    }

    // Makes the group's restored files durable, renames them into place, then drops their
    // encrypted copies.
    void Commit() {
        std::vector<int> Fds;
        for (TPending &P : Group)
            if (P.Fd >= 0)
                Fds.push_back(P.Fd);
        const bool Synced = LockFiles::SyncFiles(Fds);
        for (const int Fd : Fds)
            ::close(Fd);
        std::set<std::string> Folders;
        std::vector<std::string> Done;
        for (TPending &P : Group) {
            if (!P.Temp.empty()) {
                if (!Synced) {
                    Failed << TFolderLock::Shown(P.Dest) + "（无法写入磁盘）";
                    ::unlink(Abs(P.Temp).c_str());
                    continue;
                }
                std::string Dest = P.Dest;
                const std::string Wanted = P.Dest;
                bool Moved = false;
                for (int N = 2; N < 10000 && !Moved; ++N) {
                    Moved = LockFiles::RenameNoReplace(Abs(P.Temp), Abs(Dest));
                    if (!Moved && errno != EEXIST)
                        break;
                    if (!Moved)
                        Dest = LockFiles::Numbered(Wanted, N);
                }
                if (!Moved) {
                    Failed << TFolderLock::Shown(Wanted) + "（" + Why(errno) + "）";
                    ::unlink(Abs(P.Temp).c_str());
                    continue;
                }
                Folders.insert(LockFiles::Parent(Dest));
            }
            Done.push_back(P.Blob);
            ++L.FProgress.FilesDone;
        }
        std::set<std::string> Paths;
        for (const std::string &F : Folders)
            Paths.insert(Abs(F));
        // An encrypted copy goes only once its file's name is on the disk; a removal lost to a
        // power cut brings back a copy that the next run finds already restored.
        if (LockFiles::SyncPaths(Paths))
            for (const std::string &Blob : Done)
                ::unlink(BlobPath(Blob).c_str());
        Group.clear();
        GroupSize = 0;
        L.Report();
    }

    // Gives the folders their modes and times, deepest first, once all they hold is back.
    void FinishFolders() {
        std::sort(Folders.begin(), Folders.end(),
                  [](const TBlob &A, const TBlob &B) { return A.Entry.Path > B.Entry.Path; });
        std::vector<std::string> Finished;
        for (const TBlob &B : Folders) {
            const TEntry &E = B.Entry;
            if (!EnsureFolder(E.Path)) {
                Failed << TFolderLock::Shown(E.Path) + "（同名文件已存在，文件夹未能解密）";
                continue;
            }
            Opened.erase(E.Path);
            const struct timespec Times[2] = {{0, UTIME_OMIT}, {E.MtimeSec, long(E.MtimeNsec)}};
            ::chmod(Abs(E.Path).c_str(), E.Mode);
            ::utimensat(AT_FDCWD, Abs(E.Path).c_str(), Times, AT_SYMLINK_NOFOLLOW);
            Finished.push_back(B.Name);
        }
        for (const auto &[Rel, Mode] : Opened)
            ::chmod(Abs(Rel).c_str(), Mode);
        // The folders' modes and times are on the disk before their records go.
        if (LockFiles::SyncPaths({Root}))
            for (const std::string &Name : Finished)
                ::unlink(BlobPath(Name).c_str());
    }
};

TFolderLock::TResult TFolderLock::Unlock(const QString &Password) {
    FErrorText.clear();
    FNotMoved.clear();
    FProgress = {};
    if (LegacyVault::Present(FFolder)) {
        const LegacyVault::TResult Old = LegacyVault::Open(FFolder, Password, FErrorText);
        return Old == LegacyVault::TResult::Done            ? TResult::Done
               : Old == LegacyVault::TResult::WrongPassword ? TResult::WrongPassword
                                                            : TResult::Failed;
    }
    if (!LockFiles::Exists(HeaderPath())) {
        // A lock stopped before its header was written leaves at most the empty vault.
        ::rmdir(DataPath().c_str());
        ::rmdir(VaultPath().c_str());
        return Fail("此文件夹没有加密。");
    }
    LockFormat::THeader Header;
    LockFormat::TKeys Keys;
    if (const TResult R = OpenHeader(Password.toStdString(), Header, Keys); R != TResult::Done)
        return R;
    Header.State = "unlocking";
    if (!LockFormat::WriteHeader(HeaderPath(), Header))
        return Fail("无法写入加密信息：" + Why(errno));
    for (const QString &Part : QDir(Shown(DataPath())).entryList({"*.part"}, QDir::Files))
        QFile::remove(Shown(DataPath()) + "/" + Part);

    TUnlockRun Run(*this, Keys, Root(), DataPath());
    Run.Scan();
    FProgress.FilesTotal = int64_t(Run.Items.size());
    for (const TUnlockRun::TBlob &B : Run.Items)
        FProgress.BytesTotal += int64_t(B.Entry.Size);
    Report();
    // A folder whose place a file holds is reported once, when the folders are finished.
    for (const TUnlockRun::TBlob &B : Run.Folders)
        Run.EnsureFolder(B.Entry.Path);
    for (size_t I = 0; I < Run.Items.size() && !Run.Stop; ++I) {
        Run.Restore(Run.Items[I]);
        if (Run.Group.size() >= GroupFiles || Run.GroupSize >= GroupBytes)
            Run.Commit();
    }
    Run.Commit();
    if (Run.Stop) {
        // Folders keep the modes that let the next run go on; their records are still there.
        for (const auto &[Rel, Mode] : Run.Opened)
            ::chmod(Run.Abs(Rel).c_str(), Mode);
        return Fail(Run.StopText);
    }
    Run.FinishFolders();
    QStringList Problems;
    if (!Run.Damaged.isEmpty())
        Problems << "以下文件已损坏或被改动，未能解密（加密文件保留在 " + VaultName() +
                        " 中）：\n" + Run.Damaged.join('\n');
    if (!Run.Failed.isEmpty())
        Problems << "以下项目未能解密，仍加密保存：\n" + Run.Failed.join('\n');
    FNotMoved = Run.Damaged + Run.Failed;
    if (!Problems.isEmpty())
        return Fail(Problems.join("\n\n"));
    // Everything is out: the vault goes, the header last.
    ::rmdir(DataPath().c_str());
    if (LockFiles::Exists(DataPath()))
        return Fail("加密区中还有文件，文件夹仍处于加密状态。");
    ::unlink((HeaderPath() + ".tmp").c_str());
    ::unlink(HeaderPath().c_str());
    ::rmdir(VaultPath().c_str());
    LockFiles::SyncPaths({Root()});
    return TResult::Done;
}
