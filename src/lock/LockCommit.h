#pragma once

#include <QString>
#include <cstdint>
#include <future>
#include <map>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

// The durable half of a lock: a group of encrypted copies is made to disk, named, and only then
// are its originals removed. It runs on a worker thread while the next group is encrypted, so
// the wait for the disk overlaps the work of the processor.
class TLockCommitter {
public:
    // One encrypted copy waiting for its group's sync: its .part file, still open.
    struct TPending {
        int Fd; // -1: the copy was already there (an earlier run was stopped before the removal)
        std::string Blob, Original;
    };
    // What a group came to: the originals left in place (path, why) and the files removed.
    struct TDone {
        std::vector<std::pair<std::string, QString>> Left;
        int64_t FilesDone = 0;
    };

    TLockCommitter(std::string Root, std::string Data);
    ~TLockCommitter();
    // Hands a group to the worker; waits first for the group before it, whose outcome it gives.
    TDone Submit(std::vector<TPending> Group);
    // Waits for the group in flight; its outcome (empty when none).
    TDone Wait();
    // Lets this user remove entries of the folder Rel even when its mode forbids it; the mode
    // before goes to Opened. Only while no group is in flight.
    void OpenForWriting(const std::string &Rel);
    std::map<std::string, mode_t> Opened;

private:
    TDone Commit(std::vector<TPending> Group);
    std::string Abs(const std::string &Rel) const;
    std::string BlobPath(const std::string &Name) const;

    const std::string FRoot, FData;
    std::future<TDone> FInFlight;
};
