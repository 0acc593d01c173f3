#include "SocketInstanceGuard.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::linux_ {

namespace {

socklen_t MakeAddress(const std::string &Address, sockaddr_un &Addr) {
    std::memset(&Addr, 0, sizeof Addr);
    Addr.sun_family = AF_UNIX;
    // Abstract namespace: a leading zero byte, then the name (cut to what fits).
    const size_t Len = std::min(Address.size(), sizeof Addr.sun_path - 1);
    std::memcpy(Addr.sun_path + 1, Address.data(), Len);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + Len);
}

} // namespace

TSocketInstanceGuard::TSocketInstanceGuard() = default;

TSocketInstanceGuard::~TSocketInstanceGuard() {
    FNotifier.reset();
    if (FSocket >= 0)
        ::close(FSocket);
}

IInstanceGuard::TResult TSocketInstanceGuard::Acquire(const std::string &Name) {
    FAddress = "qingchuan-instance/" + std::to_string(::getuid()) + "/" + Name;
    FSocket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0)
        return TResult::Failed;
    sockaddr_un Addr;
    const socklen_t Len = MakeAddress(FAddress, Addr);
    if (::bind(FSocket, reinterpret_cast<sockaddr *>(&Addr), Len) != 0) {
        const int Err = errno;
        ::close(FSocket);
        FSocket = -1;
        return Err == EADDRINUSE ? TResult::Second : TResult::Failed;
    }
    if (::listen(FSocket, 16) != 0) {
        ::close(FSocket);
        FSocket = -1;
        return TResult::Failed;
    }
    return TResult::First;
}

void TSocketInstanceGuard::NotifyFirst() {
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (Fd < 0)
        return;
    sockaddr_un Addr;
    const socklen_t Len = MakeAddress(FAddress, Addr);
    // Posted, not sent: a first instance that is busy (or still starting) does not hold us up.
    if (::connect(Fd, reinterpret_cast<sockaddr *>(&Addr), Len) == 0) {
        const char Byte = 1;
        [[maybe_unused]] ssize_t Written = ::send(Fd, &Byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    ::close(Fd);
}

void TSocketInstanceGuard::SetOnMessage(std::function<void()> Handler) {
    FOnMessage = std::move(Handler);
    if (FSocket >= 0 && !FNotifier) {
        FNotifier = std::make_unique<QSocketNotifier>(FSocket, QSocketNotifier::Read);
        QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Accept(); });
    }
}

void TSocketInstanceGuard::Accept() {
    for (;;) {
        const int Client = ::accept4(FSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (Client < 0)
            return;
        ::close(Client);
        if (FOnMessage)
            FOnMessage();
    }
}

} // namespace platform::linux_
