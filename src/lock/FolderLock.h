#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Locks a folder behind a password: everything in it, except the tool itself, is moved into a
// hidden vault folder that only its owner may open, together with a salted hash of the
// password; the right password moves everything back.
//
// Nothing is ever copied or deleted, only renamed inside the same folder, and a rename never
// replaces an existing name (a clash picks "name (2)" and so on). The password record is written
// before the first file goes in and removed only after the last file has come out, so an
// interrupted run leaves a state that the next lock or unlock simply finishes.
class TFolderLock {
public:
    enum class TResult { Done, WrongPassword, Failed };
    // Unlocked: no password record. Locked: a record, and nothing but the tool and the vault in
    // the open folder. Partial: a record, but entries still (or again) in the open folder: a lock
    // was interrupted, an unlock was interrupted, or something was put there since.
    enum class TState { Unlocked, Locked, Partial };

    // Folder: the folder to lock. ToolName: the file name of the running tool, which stays.
    TFolderLock(const QString &Folder, const QString &ToolName);

    // Whether the folder has a password record: it is locked, or partly locked (State).
    bool IsLocked() const;
    TState State() const;
    // What lies in the open folder besides the tool and the vault, by name.
    QStringList OpenEntries() const;
    // Why this folder must not be locked, empty when it may be: the assistant's own folder, the
    // user's home, a system folder, or a folder holding any of them (locking it would move them
    // away), or a folder inside the system's own trees.
    QString Refusal() const;
    // Locks with Password; a folder already (partly) locked takes only its own password and
    // moves in whatever has appeared since.
    TResult Lock(const QString &Password);
    // Moves everything back when Password is right.
    TResult Unlock(const QString &Password);

    // The reason of the last Failed result, for the user.
    QString ErrorText() const { return FErrorText; }
    // Entries the last run could not move (they stay where they were).
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

    // PBKDF2 rounds for new password records (records keep their own count).
    int Iterations = 100000;
    // Tests: called before each move; false stops the run on the spot, as if the process had
    // been killed there.
    std::function<bool()> OnBeforeMove;

private:
    enum class TMove { Done, Interrupted, Failed };
    QString VaultDir() const;
    QString FilesDir() const;
    QString KeyFile() const;
    bool WriteKey(const QString &Password);
    bool CheckKey(const QString &Password) const;
    TMove MoveAll(const QString &From, const QString &To, const QStringList &Skip);
    TResult Fail(const QString &Text);

    QString FFolder;
    QString FToolName;
    QString FErrorText;
    QStringList FNotMoved;
};
