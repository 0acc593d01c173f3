#pragma once

#include <QImage>
#include <QString>
#include <ctime>

namespace camera {

// The picture the desktop portal says it just wrote at Path for a request made at Since (wall
// clock, seconds): read and removed. The name comes from another process and may lead anywhere,
// so only a regular file of this user, not a link, written no earlier than the request, is read
// and removed (a link, a FIFO, a device or another user's file is left alone, and a FIFO never
// holds the program). Returns the picture, or a null image when it is not such a file or holds
// no picture; such a file is removed all the same, as nobody else wants it.
QImage TakePortalFile(const QString &Path, std::time_t Since);

} // namespace camera
