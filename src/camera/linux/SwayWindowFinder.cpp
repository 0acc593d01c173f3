// sway's IPC: a message is the magic "i3-ipc", the payload's length and the message type (both
// 32-bit, in the machine's byte order), then the payload; GET_TREE is type 4.
#include "SwayWindowFinder.h"

#include <QLocalSocket>
#include <cstring>

#include "SwayTree.h"

namespace camera {

namespace {

const QByteArray Magic("i3-ipc");
constexpr quint32 GetTree = 4;

QByteArray Header(quint32 Length, quint32 Type) {
    QByteArray H = Magic;
    H.append(reinterpret_cast<const char *>(&Length), sizeof Length);
    H.append(reinterpret_cast<const char *>(&Type), sizeof Type);
    return H;
}

bool ReadExactly(QLocalSocket &S, qint64 Count, QByteArray &Out, int TimeoutMs) {
    while (S.bytesAvailable() < Count)
        if (!S.waitForReadyRead(TimeoutMs))
            return false;
    Out = S.read(Count);
    return true;
}

} // namespace

QByteArray SwayGetTree(const QString &Socket, int TimeoutMs) {
    QLocalSocket S;
    S.connectToServer(Socket);
    if (!S.waitForConnected(TimeoutMs))
        return {};
    S.write(Header(0, GetTree));
    if (!S.waitForBytesWritten(TimeoutMs))
        return {};
    QByteArray H;
    const qint64 HeaderSize = Magic.size() + 2 * sizeof(quint32);
    if (!ReadExactly(S, HeaderSize, H, TimeoutMs) || H.size() < HeaderSize || !H.startsWith(Magic))
        return {};
    quint32 Length = 0, Type = 0;
    std::memcpy(&Length, H.constData() + Magic.size(), sizeof Length);
    std::memcpy(&Type, H.constData() + Magic.size() + sizeof Length, sizeof Type);
    QByteArray Payload;
    if (Type != GetTree || !ReadExactly(S, Length, Payload, TimeoutMs))
        return {};
    return Payload;
}

std::vector<QRect> TSwayWindowFinder::TopLevelWindows() {
    return SwayTreeWindows(SwayGetTree(FSocket, 2000));
}

} // namespace camera
