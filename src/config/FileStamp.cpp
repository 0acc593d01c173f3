#include "FileStamp.h"

#include <QFile>
#include <sys/stat.h>

TFileStamp TFileStamp::Of(const QString &FileName) {
    struct stat St;
    if (::stat(QFile::encodeName(FileName).constData(), &St) != 0)
        return {};
    return {true,
            St.st_dev,
            St.st_ino,
            St.st_size,
            St.st_mtim.tv_sec,
            St.st_mtim.tv_nsec,
            St.st_ctim.tv_sec,
            St.st_ctim.tv_nsec};
}
