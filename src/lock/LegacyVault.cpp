#include "LegacyVault.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPasswordDigestor>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FolderLock.h"
#include "LockFiles.h"

namespace LegacyVault {

namespace {

QString VaultDir(const QString &Folder) {
    return Folder + "/" + TFolderLock::VaultName();
}

void Open700(const QString &Path) {
    ::chmod(QFile::encodeName(Path).constData(), 0700);
}

bool CheckKey(const QString &KeyFile, const QString &Password) {
    QFile F(KeyFile);
    if (!F.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> Lines = F.read(4096).split('\n');
    if (Lines.size() < 2 || Lines[0] != "qclock 1")
        return false;
    const QList<QByteArray> Parts = Lines[1].split(' ');
    if (Parts.size() != 4 || Parts[0] != "pbkdf2-sha256")
        return false;
    bool Ok = false;
    const int Rounds = Parts[1].toInt(&Ok);
    if (!Ok || Rounds < 1 || Rounds > 10000000)
        return false;
    const QByteArray Hash = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, Password.toUtf8(), QByteArray::fromHex(Parts[2]), Rounds, 32);
    const QByteArray Stored = QByteArray::fromHex(Parts[3]);
    if (Hash.size() != Stored.size())
        return false;
    unsigned char Diff = 0;
    for (qsizetype I = 0; I < Hash.size(); ++I)
        Diff |= static_cast<unsigned char>(Hash[I] ^ Stored[I]);
    return Diff == 0;
}

} // namespace

bool Present(const QString &Folder) {
    const QString Vault = VaultDir(Folder);
    const QFileInfo Info(Vault);
    if (!Info.isDir() || Info.isSymLink())
        return false;
    struct stat St;
    if (::stat(QFile::encodeName(Vault).constData(), &St) != 0)
        return false;
    // The earlier version left the vault at mode 000: its owner opens it for the look.
    if ((St.st_mode & 0700) != 0700)
        Open700(Vault);
    const bool Found = QFileInfo::exists(Vault + "/key");
    if ((St.st_mode & 0700) != 0700)
        ::chmod(QFile::encodeName(Vault).constData(), St.st_mode & 07777);
    return Found;
}

TResult Open(const QString &Folder, const QString &Password, QString &ErrorText) {
    const QString Vault = VaultDir(Folder), Files = Vault + "/files", Key = Vault + "/key";
    Open700(Vault);
    if (!CheckKey(Key, Password)) {
        ::chmod(QFile::encodeName(Vault).constData(), 0);
        return TResult::WrongPassword;
    }
    // Both levels were closed; an ordinary user must open each before renaming anything.
    Open700(Files);
    QStringList Stayed;
    if (QFileInfo(Files).isDir()) {
        const QStringList Names = QDir(Files).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &Name : Names) {
            // A folder moves to another parent only when its owner may write it (its ".."
            // changes): one without u+w is opened for the move and closed again.
            const std::string From = QFile::encodeName(Files + "/" + Name).toStdString();
            struct stat St;
            const bool Closed =
                ::lstat(From.c_str(), &St) == 0 && S_ISDIR(St.st_mode) && (St.st_mode & 0200) == 0;
            if (Closed)
                ::chmod(From.c_str(), (St.st_mode & 07777) | 0200);
            bool Moved = false;
            std::string To;
            for (int Attempt = 0; Attempt < 100 && !Moved; ++Attempt) {
                To = QFile::encodeName(Folder + "/" + TFolderLock::FreeName(Folder, Name))
                         .toStdString();
                Moved = LockFiles::RenameNoReplace(From, To);
                if (!Moved && errno != EEXIST)
                    break;
            }
            if (Closed)
                ::chmod((Moved ? To : From).c_str(), St.st_mode & 07777);
            if (!Moved)
                Stayed << Name;
        }
        LockFiles::SyncDir(QFile::encodeName(Folder).toStdString());
    }
    if (!Stayed.isEmpty()) {
        ErrorText = "以下项目未能取出，仍在旧版加密区中：\n" + Stayed.join('\n');
        return TResult::Failed;
    }
    ::rmdir(QFile::encodeName(Files).constData());
    QFile::remove(Key + ".tmp");
    QFile::remove(Key);
    ::rmdir(QFile::encodeName(Vault).constData());
    LockFiles::SyncDir(QFile::encodeName(Folder).toStdString());
    if (QFileInfo::exists(Vault)) {
        ErrorText = "旧版加密区 " + Vault + " 未能清空。";
        return TResult::Failed;
    }
    return TResult::Done;
}

} // namespace LegacyVault
