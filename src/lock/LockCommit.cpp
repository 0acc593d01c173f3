#include "LockCommit.h"

#include <cerrno>
#include <unistd.h>

#include "LockFiles.h"

TLockCommitter::TLockCommitter(std::string Root, std::string Data)
    : FRoot(std::move(Root)), FData(std::move(Data)) {}

TLockCommitter::~TLockCommitter() {
    Wait();
}

TLockCommitter::TDone TLockCommitter::Submit(std::vector<TPending> Group) {
    TDone Before = Wait();
    if (!Group.empty())
        FInFlight = std::async(std::launch::async, [this, G = std::move(Group)]() mutable {
            return Commit(std::move(G));
        });
    return Before;
}

TLockCommitter::TDone TLockCommitter::Wait() {
    return FInFlight.valid() ? FInFlight.get() : TDone{};
}

std::string TLockCommitter::Abs(const std::string &Rel) const {
    return LockFiles::Join(FRoot, Rel);
}

std::string TLockCommitter::BlobPath(const std::string &Name) const {
    return FData + "/" + Name;
}

void TLockCommitter::OpenForWriting(const std::string &Rel) {
    if (Rel.empty() || Opened.count(Rel))
        return;
    struct stat St;
    if (!LockFiles::Stat(Abs(Rel), St))
        return;
    Opened[Rel] = St.st_mode & 07777;
    if ((St.st_mode & 0300) != 0300)
        ::chmod(Abs(Rel).c_str(), (St.st_mode & 07777) | 0700);
}

// Runs on the worker: it touches only its group, the folders' modes in Opened (which the caller
// leaves alone until Wait) and the disk.
TLockCommitter::TDone TLockCommitter::Commit(std::vector<TPending> Group) {
    TDone Done;
    std::vector<int> Fds;
    for (TPending &P : Group)
        if (P.Fd >= 0)
            Fds.push_back(P.Fd);
    const bool Synced = LockFiles::SyncFiles(Fds);
    for (const int Fd : Fds)
        ::close(Fd);
    if (Synced)
        for (TPending &P : Group)
            if (P.Fd >= 0 &&
                ::rename((BlobPath(P.Blob) + ".part").c_str(), BlobPath(P.Blob).c_str()) != 0)
                P.Blob.clear();
    if (!Synced || !LockFiles::SyncDir(FData)) {
        // Not on the disk: the originals stay, and so does nothing else of this group.
        for (TPending &P : Group) {
            ::unlink((BlobPath(P.Blob) + ".part").c_str());
            Done.Left.emplace_back(P.Original, "无法写入加密文件");
        }
        return Done;
    }
    // A removal lost to a power cut only brings back an original whose copy is on the disk
    // under the name that the next run looks for: no sync is needed here.
    for (TPending &P : Group) {
        if (P.Blob.empty()) {
            Done.Left.emplace_back(P.Original, "无法写入加密文件");
            continue;
        }
        OpenForWriting(LockFiles::Parent(P.Original));
        if (::unlink(Abs(P.Original).c_str()) != 0) {
            // The original stays as it was, so its copy goes.
            const int Errno = errno;
            ::unlink(BlobPath(P.Blob).c_str());
            Done.Left.emplace_back(P.Original,
                                   "无法删除原文件：" +
                                       QString::fromLocal8Bit(LockFiles::ErrorText(Errno).c_str()));
            continue;
        }
        ++Done.FilesDone;
    }
    return Done;
}
