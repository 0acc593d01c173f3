#pragma once

#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

// Small file-system steps of the folder lock, on raw byte paths (a name need not be UTF-8).
namespace LockFiles {

// Writes all of Size bytes, retrying short writes; false with errno set on failure.
bool WriteAll(int Fd, const void *Data, size_t Size);
// Reads up to Size bytes, retrying short reads; the count, or -1 with errno set.
long ReadFull(int Fd, void *Data, size_t Size);
// fsync of a folder, so that names made or removed in it survive a power loss.
bool SyncDir(const std::string &Dir);
// Makes these open files (or paths) durable, with all else written to their file systems:
// one syncfs for each file system among them; false when any failed.
bool SyncFiles(const std::vector<int> &Fds);
bool SyncPaths(const std::set<std::string> &Paths);
// A rename that never replaces what is at To (errno EEXIST then).
bool RenameNoReplace(const std::string &From, const std::string &To);
// lstat; false when nothing is there.
bool Stat(const std::string &Path, struct stat &St);
bool Exists(const std::string &Path);
// The folder part of a relative or absolute path ("" for a bare name), and the last part.
std::string Parent(const std::string &Path);
std::string BaseName(const std::string &Path);
// Dir + "/" + Name, with an empty Dir or Name giving the other.
std::string Join(const std::string &Dir, const std::string &Name);
// Name with a number: "report.tar.gz", 2 -> "report (2).tar.gz"; ".profile" and "notes" get the
// number at the end. The path's folder part stays.
std::string Numbered(const std::string &Path, int N);
// The text of errno for messages.
std::string ErrorText(int Errno);

} // namespace LockFiles
