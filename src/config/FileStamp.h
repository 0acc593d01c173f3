#pragma once

#include <QString>
#include <cstdint>

// A file's identity and last change, as the file system reports them: a write (even by hand)
// moves its change times, and a file put in its place (renamed over it, or deleted and made
// again) is another inode. Compared to tell whether something read from the file is still good.
struct TFileStamp {
    bool Exists = false;
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0, MSec = 0, MNsec = 0, CSec = 0, CNsec = 0;
    bool operator==(const TFileStamp &) const = default;

    // Exists is false when the file cannot be asked about.
    static TFileStamp Of(const QString &FileName);
};
