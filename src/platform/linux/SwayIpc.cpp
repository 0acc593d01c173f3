#include "SwayIpc.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::linux_::SwayIpc {

namespace {

const char Magic[] = {'i', '3', '-', 'i', 'p', 'c'};
// A layout tree is tens of kilobytes; far more means the other end is not sway.
constexpr uint32_t LongestAnswer = 64u << 20;

bool WriteAll(int Fd, const char *Data, size_t Size) {
    while (Size > 0) {
        const ssize_t N = ::write(Fd, Data, Size);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        Data += N;
        Size -= static_cast<size_t>(N);
    }
    return true;
}

bool ReadAll(int Fd, char *Data, size_t Size) {
    while (Size > 0) {
        const ssize_t N = ::read(Fd, Data, Size);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        Data += N;
        Size -= static_cast<size_t>(N);
    }
    return true;
}

} // namespace

std::optional<QByteArray> Ask(const QString &Socket, uint32_t Type, const QByteArray &Payload,
                              int TimeoutMs) {
    const QByteArray Path = Socket.toLocal8Bit();
    sockaddr_un Address{};
    if (Path.isEmpty() || static_cast<size_t>(Path.size()) >= sizeof Address.sun_path)
        return std::nullopt;
    Address.sun_family = AF_UNIX;
    std::memcpy(Address.sun_path, Path.constData(), static_cast<size_t>(Path.size()));
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Fd < 0)
        return std::nullopt;
    // The desktop answers at once; a hung one must not hang the program with it.
    timeval Timeout{TimeoutMs / 1000, (TimeoutMs % 1000) * 1000};
    ::setsockopt(Fd, SOL_SOCKET, SO_RCVTIMEO, &Timeout, sizeof Timeout);
    ::setsockopt(Fd, SOL_SOCKET, SO_SNDTIMEO, &Timeout, sizeof Timeout);
    std::optional<QByteArray> Answer;
    if (::connect(Fd, reinterpret_cast<const sockaddr *>(&Address), sizeof Address) == 0) {
        QByteArray Message(Magic, sizeof Magic);
        const uint32_t Header[2] = {static_cast<uint32_t>(Payload.size()), Type};
        Message.append(reinterpret_cast<const char *>(Header), sizeof Header);
        Message.append(Payload);
        char ReplyMagic[sizeof Magic];
        uint32_t Reply[2];
        if (WriteAll(Fd, Message.constData(), static_cast<size_t>(Message.size())) &&
            ReadAll(Fd, ReplyMagic, sizeof ReplyMagic) &&
            std::memcmp(ReplyMagic, Magic, sizeof Magic) == 0 &&
            ReadAll(Fd, reinterpret_cast<char *>(Reply), sizeof Reply) && Reply[1] == Type &&
            Reply[0] < LongestAnswer) {
            QByteArray Body(static_cast<qsizetype>(Reply[0]), Qt::Uninitialized);
            if (ReadAll(Fd, Body.data(), Reply[0]))
                Answer = Body;
        }
    }
    ::close(Fd);
    return Answer;
}

} // namespace platform::linux_::SwayIpc
