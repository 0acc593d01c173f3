#include "LockTestTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace LockTestTree {

namespace {

const std::string Tool = "Lock.exe";
const std::string Vault = ".qclock";

std::string Raw(const QString &Path) {
    return QFile::encodeName(Path).toStdString();
}

QByteArray ReadRaw(const std::string &Path) {
    QFile F;
    const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0 || !F.open(Fd, QIODevice::ReadOnly, QFile::AutoCloseHandle))
        return "(unreadable)";
    return F.readAll();
}

template <typename F>
void Walk(const std::string &Root, const std::string &Rel, bool Top, F Visit) {
    DIR *D = ::opendir((Root + "/" + Rel).c_str());
    if (!D)
        return;
    std::vector<std::string> Names;
    while (const dirent *E = ::readdir(D)) {
        const std::string N = E->d_name;
        if (N != "." && N != ".." && !(Top && N == Tool))
            Names.push_back(N);
    }
    ::closedir(D);
    for (const std::string &N : Names) {
        const std::string Path = Rel.empty() ? N : Rel + "/" + N;
        struct stat St;
        if (::lstat((Root + "/" + Path).c_str(), &St) != 0)
            continue;
        Visit(Path, St);
        if (S_ISDIR(St.st_mode))
            Walk(Root, Path, false, Visit);
    }
}

void SetTime(const QString &Path, qint64 Sec, long Nsec) {
    const struct timespec Times[2] = {{Sec, Nsec}, {Sec, Nsec}};
    ::utimensat(AT_FDCWD, QFile::encodeName(Path).constData(), Times, AT_SYMLINK_NOFOLLOW);
}

} // namespace

TSnapshot Snapshot(const QString &Root) {
    TSnapshot Result;
    const std::string R = Raw(Root);
    Walk(R, {}, true, [&](const std::string &Path, const struct stat &St) {
        if (Path == Vault || Path.rfind(Vault + "/", 0) == 0)
            return;
        std::string V;
        if (S_ISLNK(St.st_mode)) {
            char Target[4096];
            const ssize_t N = ::readlink((R + "/" + Path).c_str(), Target, sizeof Target);
            V = "link " + std::string(Target, N > 0 ? size_t(N) : 0);
        } else if (S_ISDIR(St.st_mode)) {
            V = "dir";
        } else if (S_ISREG(St.st_mode)) {
            V = "file " +
                QCryptographicHash::hash(ReadRaw(R + "/" + Path), QCryptographicHash::Sha256)
                    .toHex()
                    .toStdString();
        } else {
            V = "other";
        }
        V += " mode " + std::to_string(S_ISLNK(St.st_mode) ? 0 : St.st_mode & 07777);
        // A folder's time tells whether its entries came back without a trace of the work.
        V += " mtime " + std::to_string(St.st_mtim.tv_sec) + "." +
             std::to_string(St.st_mtim.tv_nsec);
        Result[Path] = V;
    });
    return Result;
}

std::map<std::string, QByteArray> AllFiles(const QString &Root) {
    std::map<std::string, QByteArray> Result;
    const std::string R = Raw(Root);
    Walk(R, {}, true, [&](const std::string &Path, const struct stat &St) {
        if (S_ISREG(St.st_mode))
            Result[Path] = ReadRaw(R + "/" + Path);
    });
    return Result;
}

QStringList Visible(const QString &Root) {
    return QDir(Root).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void Write(const QString &Path, const QByteArray &Data) {
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile F(Path);
    if (F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        F.write(Data);
}

QByteArray Read(const QString &Path) {
    return ReadRaw(Raw(Path));
}

void MakeTree(const QString &Root, int Files, int LargeSize, quint32 Seed) {
    QRandomGenerator Random(Seed);
    const auto Bytes = [&Random](int N) {
        QByteArray B(N, '\0');
        for (char &C : B)
            C = char(Random.bounded(256));
        return B;
    };
    QDir().mkpath(Root + "/folder-one/深层的文件夹 deeper");
    QDir().mkpath(Root + "/空的文件夹 empty-folder");
    for (int I = 0; I < Files; ++I) {
        // Mixed sizes: most small, some across a chunk of 64 KiB.
        const int Size =
            I % 7 == 0 ? 65536 + int(Random.bounded(70000)) : int(Random.bounded(5000));
        const QString Dir = I % 2 ? "/folder-one" : "/folder-one/深层的文件夹 deeper";
        Write(Root + Dir + QString("/sample-file-%1.dat").arg(I, 3, 10, QChar('0')), Bytes(Size));
    }
    Write(Root + "/年度报告 2024.docx",
          "年度报告的正文, a report with a Chinese name. " + Bytes(300));
    Write(Root + "/odd\nnewline-name.txt", Bytes(100));
    {
        // A name that is not UTF-8: written through the raw bytes.
        const std::string Path = Raw(Root) + "/raw-\xff\xfe-bytes-name";
        const int Fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const QByteArray B = Bytes(200);
        if (Fd >= 0) {
            (void)!::write(Fd, B.constData(), size_t(B.size()));
            ::close(Fd);
        }
    }
    Write(Root + "/-leading-dash-name", Bytes(50));
    Write(Root + "/.hidden-dotfile", Bytes(70));
    Write(Root + "/empty-file-name.txt", {});
    Write(Root + "/large-file-name.bin", Bytes(LargeSize));
    Write(Root + "/readonly-file.txt", Bytes(90));
    ::chmod(Raw(Root + "/readonly-file.txt").c_str(), 0400);
    Write(Root + "/executable-script.sh", "#!/bin/sh\necho a distinctive script line\n");
    ::chmod(Raw(Root + "/executable-script.sh").c_str(), 0750);
    Write(Root + "/readonly-folder/inside-readonly.txt", Bytes(120));
    QFile::link("年度报告 2024.docx", Root + "/link-to-the-report");
    QFile::link("/nonexistent/dangling-target", Root + "/dangling-link-name");
    SetTime(Root + "/年度报告 2024.docx", 1000000000, 123456789);
    SetTime(Root + "/link-to-the-report", 1100000000, 5);
    SetTime(Root + "/readonly-folder/inside-readonly.txt", 1200000000, 0);
    ::chmod(Raw(Root + "/readonly-folder").c_str(), 0555);
    SetTime(Root + "/readonly-folder", 1300000000, 7);
    SetTime(Root + "/空的文件夹 empty-folder", 1400000000, 9);
}

QList<QByteArray> NamesOf(const TSnapshot &Snapshot) {
    QList<QByteArray> Names;
    for (const auto &[Path, Value] : Snapshot) {
        const QByteArray P = QByteArray::fromStdString(Path);
        const QByteArray Last = P.mid(P.lastIndexOf('/') + 1);
        if (!Names.contains(Last))
            Names << Last;
    }
    return Names;
}

bool PlaceTool(const QString &Root) {
    QFile::remove(Root + "/Lock.exe");
    return QFile::copy(QStringLiteral(QC_BIN_DIR "/Lock.exe"), Root + "/Lock.exe");
}

bool GiveToNobody(const QString &Root) {
    for (QString Dir = QFileInfo(Root).absolutePath(); Dir != "/" && !Dir.isEmpty();
         Dir = QFileInfo(Dir).absolutePath()) {
        struct stat St;
        if (::stat(Raw(Dir).c_str(), &St) != 0 ||
            ::chmod(Raw(Dir).c_str(), (St.st_mode & 07777) | 0011))
            return false;
    }
    return QProcess::execute("chown", {"-R", "-h", "65534:65534", Root}) == 0;
}

TRun RunTool(const QString &Root, const QStringList &Args, const QByteArray &Input, bool AsNobody) {
    QProcess P;
    P.setWorkingDirectory("/"); // the tool finds its folder from its own path
    if (AsNobody)
        P.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                       Root + "/Lock.exe"} +
                               Args);
    else
        P.start(Root + "/Lock.exe", Args);
    P.write(Input);
    P.closeWriteChannel();
    TRun R;
    if (!P.waitForFinished(60000) || P.exitStatus() != QProcess::NormalExit)
        return R;
    R.Code = P.exitCode();
    R.Out = P.readAllStandardOutput();
    R.Err = P.readAllStandardError();
    return R;
}

} // namespace LockTestTree
