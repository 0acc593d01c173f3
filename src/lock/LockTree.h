#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

// The walk over a folder to lock: what it holds, by relative path, folders before what they
// hold. Links are listed as links and never followed.
namespace LockTree {

enum class TKind { Folder, File, Link, Other, Unreadable };

struct TItem {
    TKind Kind;
    std::string Path; // relative, '/'-separated
    struct stat St;
    int Errno = 0; // why an Unreadable folder could not be listed
};

// The prefix of the temporary files an unlock writes beside their final names.
inline const std::string PartPrefix = ".qclock-part-";
// Whether a name is such a temporary file: the prefix and 32 hex digits.
bool IsPartName(const std::string &Name);

// Lists Root's tree, leaving out the names in Skip at its top. Temporary files that an
// interrupted unlock left behind are removed on the way: the encrypted file they came from is
// still there.
std::vector<TItem> Walk(const std::string &Root, const std::vector<std::string> &Skip);

} // namespace LockTree
