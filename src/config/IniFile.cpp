#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "IniText.h"
#include "dialogs/Error.h"

namespace {

struct TLoaded {
    enum TStatus { Missing, Ok, TooLarge, NotAFile, Unreadable } Status = Missing;
    QByteArray Bytes;
    qint64 Size = 0;
};

// The whole file, when it is a regular file no larger than MaxFileSize.
TLoaded LoadFile(const QString &FileName) {
    TLoaded R;
    // Not blocking: a pipe put in the file's place must not hold the program up.
    const int Fd = ::open(QFile::encodeName(FileName).constData(),
                          O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (Fd < 0) {
        R.Status = errno == ENOENT ? TLoaded::Missing : TLoaded::Unreadable;
        return R;
    }
    struct stat St;
    if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
        ::close(Fd);
        R.Status = TLoaded::NotAFile;
        return R;
    }
    R.Size = St.st_size;
    if (St.st_size > TIniFile::MaxFileSize) {
        ::close(Fd);
        R.Status = TLoaded::TooLarge;
        return R;
    }
    // The size may change while the file is read: read to its end, but never past the limit.
    QByteArray Bytes(qsizetype(St.st_size) + 1, Qt::Uninitialized);
    qsizetype Got = 0;
    for (;;) {
        if (Got == Bytes.size()) {
            if (Got > TIniFile::MaxFileSize)
                break;
            Bytes.resize(std::min<qsizetype>(TIniFile::MaxFileSize + 1, Got * 2 + 4096));
        }
        const ssize_t N = ::read(Fd, Bytes.data() + Got, size_t(Bytes.size() - Got));
        if (N < 0 && errno == EINTR)
            continue;
        if (N < 0) {
            ::close(Fd);
            R.Status = TLoaded::Unreadable;
            return R;
        }
        if (N == 0)
            break;
        Got += N;
    }
    ::close(Fd);
    if (Got > TIniFile::MaxFileSize) {
        R.Status = TLoaded::TooLarge;
        R.Size = Got;
        return R;
    }
    Bytes.truncate(Got);
    R.Bytes = std::move(Bytes);
    R.Status = TLoaded::Ok;
    return R;
}

// ---- writing ----

// Temporary files are "<name>.XXXXXX", as Qt's own save file names them: six ASCII letters.
// Only names whose letters mix cases past the first one are taken for leftovers, so a user's
// "cfg.ini.backup" or "cfg.ini.Backup" is never removed; names this module makes always mix.
bool IsTempName(QByteArrayView Name, QByteArrayView Base) {
    if (Name.size() != Base.size() + 7 || !Name.startsWith(Base) || Name[Base.size()] != '.')
        return false;
    bool Lower = false, Upper = false;
    for (qsizetype I = 0; I < 6; ++I) {
        const char C = Name[Base.size() + 1 + I];
        if (C >= 'a' && C <= 'z')
            Lower = true;
        else if (C >= 'A' && C <= 'Z')
            Upper = Upper || I > 0;
        else
            return false;
    }
    return Lower && Upper;
}

QByteArray TempName(const QByteArray &Base) {
    for (;;) {
        QByteArray Name = Base + ".";
        for (int I = 0; I < 6; ++I) {
            const quint32 R = QRandomGenerator::global()->bounded(52u);
            Name += char(R < 26 ? 'A' + R : 'a' + (R - 26));
        }
        if (IsTempName(Name, Base))
            return Name;
    }
}

// Removes what a write that was killed left behind: temporary files of this file that are
// ours and that no running write holds (a write keeps its file locked until it is renamed into
// place, and the lock ends with the process).
void RemoveLeftovers(const QByteArray &Dir, const QByteArray &Base) {
    DIR *D = ::opendir(Dir.constData());
    if (!D)
        return;
    const int DirFd = ::dirfd(D);
    while (const dirent *E = ::readdir(D)) {
        if (!IsTempName(QByteArrayView(E->d_name), Base))
            continue;
        const int Fd =
            ::openat(DirFd, E->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (Fd < 0)
            continue;
        struct stat Open, Named;
        if (::fstat(Fd, &Open) == 0 && S_ISREG(Open.st_mode) && Open.st_uid == ::geteuid() &&
            ::flock(Fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(DirFd, E->d_name, &Named, AT_SYMLINK_NOFOLLOW) == 0 &&
            Named.st_dev == Open.st_dev && Named.st_ino == Open.st_ino)
            ::unlinkat(DirFd, E->d_name, 0);
        ::close(Fd);
    }
    ::closedir(D);
}

bool WriteAll(int Fd, const QByteArray &Bytes) {
    qsizetype Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t N = ::pwrite(Fd, Bytes.constData() + Done, size_t(Bytes.size() - Done), Done);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        Done += N;
    }
    return true;
}

void SyncFolder(const QByteArray &Dir) {
    const int Fd = ::open(Dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd >= 0) {
        ::fsync(Fd);
        ::close(Fd);
    }
}

// A new file beside Path, renamed over it; false when either could not be done.
bool ReplaceAtomically(const QByteArray &Path, const QByteArray &Dir, const QByteArray &Base,
                       const QByteArray &Bytes, const struct stat *Old) {
    int Fd = -1;
    QByteArray Temp;
    for (int Attempt = 0; Attempt < 100 && Fd < 0; ++Attempt) {
        Temp = Dir + "/" + TempName(Base);
        Fd = ::open(Temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (Fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        ::flock(Fd, LOCK_EX);
        // Another copy's clean-up may have taken the file between its making and the lock.
        struct stat Open, Named;
        if (::fstat(Fd, &Open) != 0 || ::lstat(Temp.constData(), &Named) != 0 ||
            Open.st_dev != Named.st_dev || Open.st_ino != Named.st_ino) {
            ::close(Fd);
            Fd = -1;
        }
    }
    if (Fd < 0)
        return false;
    if (Old) {
        ::fchmod(Fd, Old->st_mode & 07777);
        if (::fchown(Fd, Old->st_uid, Old->st_gid) != 0) {
            // Kept as the writer's own: only the owner of a file may give it away.
        }
    }
    const bool Done = WriteAll(Fd, Bytes) && ::fsync(Fd) == 0 &&
                      ::rename(Temp.constData(), Path.constData()) == 0;
    if (!Done)
        ::unlink(Temp.constData());
    ::close(Fd);
    if (Done)
        SyncFolder(Dir);
    return Done;
}

// The file itself rewritten, for a folder in which no new file can be made. Room for the new
// text is taken first, so that a full disk is found before any old byte is overwritten.
bool RewriteInPlace(const QByteArray &Path, const QByteArray &Bytes) {
    const int Fd = ::open(Path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (Fd < 0)
        return false;
    struct stat St;
    if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
        ::close(Fd);
        return false;
    }
    if (Bytes.size() > St.st_size) {
        const int E = ::posix_fallocate(Fd, 0, Bytes.size());
        if (E != 0 && E != EOPNOTSUPP && E != EINVAL) {
            if (::ftruncate(Fd, St.st_size) != 0) {
                // Nothing of the old text was touched; at worst the file keeps some zeros.
            }
            ::close(Fd);
            return false;
        }
    }
    const bool Done = WriteAll(Fd, Bytes) && ::ftruncate(Fd, Bytes.size()) == 0 && ::fsync(Fd) == 0;
    ::close(Fd);
    return Done;
}

} // namespace

TIniFile::TIniFile(QString FileName) : FFileName(std::move(FileName)) {}

void TIniFile::Report(TProblem Problem, const QString &Text) const {
    if (Problem == FReported)
        return;
    FReported = Problem;
    if (Problem == TProblem::None)
        return;
    if (OnProblem)
        OnProblem(Text);
    else
        std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
}

void TIniFile::Refresh() const {
    // Every read asks the file system about the file; the file is read and parsed again only
    // when it changed (a write, even by hand, moves its change time or replaces it). Settings
    // are read every second by the scheduler and the CPU monitor, so this keeps them cheap.
    const TFileStamp Now = TFileStamp::Of(FFileName);
    if (FCacheValid && Now == FCachedStamp)
        return;
    FCachedStamp = Now;
    FCacheValid = true;
    FValues.clear();
    if (!Now.Exists) {
        Report(TProblem::None, {});
        return;
    }
    const TLoaded File = LoadFile(FFileName);
    if (File.Status == TLoaded::TooLarge) {
        Report(TProblem::FileTooLarge,
               QString("The settings file %1 is too large to be read (%2 bytes; a settings file "
                       "holds at most %3 bytes). Every setting has its default value until the "
                       "file is mended or removed.")
                   .arg(FFileName)
                   .arg(File.Size)
                   .arg(MaxFileSize));
        return;
    }
    if (File.Status != TLoaded::Ok)
        return; // unreadable: every key reads its default, as for a missing file
    IniText::TParsed Parsed = IniText::Parse(File.Bytes);
    FValues = std::move(Parsed.Values);
    if (Parsed.LongLine)
        Report(TProblem::LineTooLong,
               QString("Line %1 of the settings file %2 is longer than %3 bytes and is passed "
                       "over; the setting it may hold has its default value.")
                   .arg(Parsed.LongLine)
                   .arg(FFileName)
                   .arg(MaxLineLength));
    else
        Report(TProblem::None, {});
}

bool TIniFile::Refused() const {
    Refresh();
    return FReported == TProblem::FileTooLarge;
}

const QString *TIniFile::Find(const QString &Section, const QString &Key) const {
    Refresh();
    const auto It = FValues.constFind(IniText::ValueKey(Section, Key));
    return It == FValues.constEnd() ? nullptr : &*It;
}

QString TIniFile::ReadString(const QString &Section, const QString &Key,
                             const QString &Default) const {
    const QString *Value = Find(Section, Key);
    return Value ? *Value : Default;
}

std::optional<int32_t> TIniFile::ParseInteger(const QString &Text) {
    QString T = Text.trimmed();
    bool Negative = false;
    if (T.startsWith('-') || T.startsWith('+')) {
        Negative = T.startsWith('-');
        T = T.mid(1);
    }
    bool Ok = false;
    qint64 Value = 0;
    if (T.startsWith('$') && T.size() > 1) {
        const QString Digits = T.mid(1);
        if (Digits.size() > 8)
            return std::nullopt;
        Value = static_cast<int32_t>(Digits.toUInt(&Ok, 16));
    } else if ((T.startsWith("0x") || T.startsWith("0X")) && T.size() >= 3) {
        const QString Digits = T.mid(2);
        if (Digits.size() > 8)
            return std::nullopt;
        Value = static_cast<int32_t>(Digits.toUInt(&Ok, 16));
    } else {
        for (QChar Ch : T)
            if (!Ch.isDigit() || Ch.unicode() > '9')
                return std::nullopt;
        Value = T.toLongLong(&Ok, 10);
        if (Ok && (Negative ? -Value < INT32_MIN : Value > INT32_MAX))
            return std::nullopt;
    }
    if (!Ok)
        return std::nullopt;
    return static_cast<int32_t>(Negative ? -Value : Value);
}

int32_t TIniFile::ReadInteger(const QString &Section, const QString &Key, int32_t Default) const {
    const QString *Text = Find(Section, Key);
    if (!Text)
        return Default;
    return ParseInteger(*Text).value_or(Default);
}

bool TIniFile::ReadBool(const QString &Section, const QString &Key, bool Default) const {
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &Section, const QString &Key, const QString &Value) {
    const auto Refuse = [this](const QString &Why = {}) {
        throw EError(QString("Unable to write to %1").arg(FFileName) + Why);
    };
    // Through a link, the file it leads to is the one written.
    const QString Canonical = QFileInfo(FFileName).canonicalFilePath();
    const QString Target = Canonical.isEmpty() ? FFileName : Canonical;
    // A file the user may not write is not replaced either, even where its folder would allow.
    const QFileInfo Info(Target);
    if (Info.exists() && (!Info.isFile() || !Info.isWritable()))
        Refuse();
    const TLoaded Old = LoadFile(Target);
    if (Old.Status == TLoaded::TooLarge)
        Refuse(QString(": the file is too large to be a settings file (%1 bytes) and is left as "
                       "it is")
                   .arg(Old.Size));
    // What cannot be read is not replaced by a file of one line.
    if (Old.Status != TLoaded::Ok && Old.Status != TLoaded::Missing)
        Refuse();

    const QByteArray Out = IniText::WithValue(Old.Bytes, Section, Key, Value);

    FCacheValid = false;
    const QByteArray Path = QFile::encodeName(Target);
    const QByteArray Dir = QFile::encodeName(Info.absolutePath());
    const QByteArray Base = QFile::encodeName(Info.fileName());
    RemoveLeftovers(Dir, Base);
    struct stat St;
    const bool Exists = ::stat(Path.constData(), &St) == 0 && S_ISREG(St.st_mode);
    if (ReplaceAtomically(Path, Dir, Base, Out, Exists ? &St : nullptr))
        return;
    // A folder the user may not write (or a file mounted on its own) still lets the file itself
    // be written where the file allows it.
    if (!Exists || !RewriteInPlace(Path, Out))
        Refuse();
}

void TIniFile::WriteInteger(const QString &Section, const QString &Key, int64_t Value) {
    WriteString(Section, Key, QString::number(Value));
}

void TIniFile::WriteBool(const QString &Section, const QString &Key, bool Value) {
    WriteString(Section, Key, Value ? "1" : "0");
}
