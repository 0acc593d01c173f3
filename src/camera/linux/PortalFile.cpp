#include "PortalFile.h"

#include <QFile>
#include <QImageReader>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camera {

namespace {

// A file system keeping whole seconds (or a portal rounding them) may date a fresh file up to
// a second or two before the request; older than that it was not written for it.
constexpr std::time_t ClockSlackSeconds = 2;

} // namespace

QImage TakePortalFile(const QString &Path, std::time_t Since) {
    if (Path.isEmpty())
        return {};
    const QByteArray Name = QFile::encodeName(Path);
    // No following a link to the user's own files; O_NONBLOCK: opening a FIFO does not wait
    // for a writer, and fstat then tells it from a file.
    const int Fd =
        ::open(Name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (Fd < 0)
        return {};
    struct stat Opened {};
    if (::fstat(Fd, &Opened) != 0 || !S_ISREG(Opened.st_mode) || Opened.st_uid != ::getuid() ||
        Opened.st_nlink != 1 || Opened.st_mtim.tv_sec + ClockSlackSeconds < Since) {
        ::close(Fd);
        return {};
    }
    QImage Image;
    {
        QFile File;
        if (File.open(Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            QImageReader Reader(&File);
            Image = Reader.read();
        } else {
            ::close(Fd);
        }
    }
    // Removed only while the name still leads to the file that was read: one put in its place
    // meanwhile is not the portal's.
    struct stat Now {};
    if (::lstat(Name.constData(), &Now) == 0 && Now.st_dev == Opened.st_dev &&
        Now.st_ino == Opened.st_ino)
        ::unlink(Name.constData());
    return Image;
}

} // namespace camera
