#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace LockFormat {
struct TKeys;
struct THeader;
} // namespace LockFormat

// Locks a folder behind a password by encrypting it: every file, link and folder in it (except
// the tool itself) becomes an encrypted file with a meaningless name in the hidden folder
// ".qclock/data", beside a header with the key's parameters and check value; the right password
// brings everything back, byte for byte, with its modes and modification times.
//
// An original is removed only after its encrypted copy has reached the disk (fsync of the file
// and of its folder), and an encrypted copy only after the restored file has; names never
// replace an existing one. So an interruption at any instant leaves a folder that the next lock
// or unlock with the same password finishes. Folders locked by the earlier version of this tool
// (".qclock/key" and ".qclock/files") are opened with their password; a lock writes only the
// encrypted form.
class TFolderLock {
public:
    enum class TResult { Done, WrongPassword, Failed };
    // Unlocked: no header. Locked: a header of a finished lock, and nothing but the tool and the
    // vault in the open folder. Partial: a header, but a run did not finish, or entries lie open
    // (files that could not be encrypted, or put there since).
    enum class TState { Unlocked, Locked, Partial };
    struct TProgress {
        int64_t FilesDone = 0, FilesTotal = 0;
        int64_t BytesDone = 0, BytesTotal = 0;
    };

    // Folder: the folder to lock. ToolName: the file name of the running tool, which stays.
    TFolderLock(const QString &Folder, const QString &ToolName);

    // Whether the folder has a vault with a header (or the earlier version's password record).
    bool IsLocked() const;
    TState State() const;
    // What lies in the open folder besides the tool and the vault, by name.
    QStringList OpenEntries() const;
    // Why this folder must not be locked, empty when it may be: the assistant's own folder, the
    // user's home, a system folder, or a folder holding any of them, or a folder inside the
    // system's own trees.
    QString Refusal() const;
    // Locks with Password; a folder already (partly) locked takes only its own password and
    // encrypts whatever lies open.
    TResult Lock(const QString &Password);
    // Restores everything when Password is right; damaged encrypted files are named and kept.
    TResult Unlock(const QString &Password);

    // The reason of the last Failed result, for the user.
    QString ErrorText() const { return FErrorText; }
    // Entries the last run left as they were, each with the reason.
    QStringList NotMoved() const { return FNotMoved; }

    // Name of the vault folder inside the locked folder.
    static QString VaultName() { return QStringLiteral(".qclock"); }
    // A free name in Dir for Name: Name itself, else "stem (2).ext", "stem (3).ext", ...
    static QString FreeName(const QString &Dir, const QString &Name);

    // Folders never locked, nor any folder that holds one (the user's home is added when
    // asked); and folders inside which nothing is locked. Tests put their own in.
    QStringList SystemFolders = DefaultSystemFolders();
    QStringList SystemTrees = DefaultSystemTrees();
    static QStringList DefaultSystemFolders();
    static QStringList DefaultSystemTrees();

    // Called as work is done; false stops the run where it is, as an interruption would (what
    // is done stays done, nothing is lost).
    std::function<bool(const TProgress &)> OnProgress;

private:
    friend struct TLockRun;
    friend struct TUnlockRun;
    std::string Root() const;
    std::string VaultPath() const;
    std::string DataPath() const;
    std::string HeaderPath() const;
    // Reads the header and checks the password: Done, WrongPassword, or Failed (damaged).
    TResult OpenHeader(const std::string &Password, LockFormat::THeader &Header,
                       LockFormat::TKeys &Keys);
    TResult Fail(const QString &Text);
    bool Report();
    static QString Shown(const std::string &Path);

    QString FFolder;
    QString FToolName;
    QString FErrorText;
    QStringList FNotMoved;
    TProgress FProgress;
};
