#include "SocketInstanceGuard.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::linux_ {

namespace {

// A later start writes its few bytes at once; one that has not finished within this time is
// passed over, so that a client that stays silent holds nothing for long.
constexpr int ClientDeadlineMs = 5000;
// More waiting clients than any user starts at once: the rest are turned away.
constexpr size_t MaxClients = 64;

socklen_t MakeAddress(const std::string &Address, sockaddr_un &Addr) {
    std::memset(&Addr, 0, sizeof Addr);
    Addr.sun_family = AF_UNIX;
    // Abstract namespace: a leading zero byte, then the name (cut to what fits).
    const size_t Len = std::min(Address.size(), sizeof Addr.sun_path - 1);
    std::memcpy(Addr.sun_path + 1, Address.data(), Len);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + Len);
}

// An abstract socket can be reached by every user of the machine: only the user's own starts
// may ask this copy for anything.
bool SameUser(int Fd) {
    ucred Cred{};
    socklen_t Len = sizeof Cred;
    return ::getsockopt(Fd, SOL_SOCKET, SO_PEERCRED, &Cred, &Len) == 0 && Len == sizeof Cred &&
           Cred.uid == ::getuid();
}

} // namespace

struct TSocketInstanceGuard::TClient {
    std::string Data;
    std::unique_ptr<QSocketNotifier> Notifier;
    std::unique_ptr<QTimer> Deadline;
};

TSocketInstanceGuard::TSocketInstanceGuard() = default;

TSocketInstanceGuard::~TSocketInstanceGuard() {
    for (auto &[Fd, Client] : FClients)
        ::close(Fd);
    FClients.clear();
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
    // Later starts queue here until the event loop runs; many at once (a shortcut held down) must
    // all find room.
    if (::listen(FSocket, SOMAXCONN) != 0) {
        ::close(FSocket);
        FSocket = -1;
        return TResult::Failed;
    }
    return TResult::First;
}

bool TSocketInstanceGuard::NotifyFirst(const std::string &Message) {
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Fd < 0)
        return false;
    // The first copy takes a connection into its queue without running any code of its own, so
    // this waits only while that queue is full, and never longer than this.
    const timeval Timeout{5, 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_SNDTIMEO, &Timeout, sizeof Timeout);
    sockaddr_un Addr;
    const socklen_t Len = MakeAddress(FAddress, Addr);
    int Connected;
    do
        Connected = ::connect(Fd, reinterpret_cast<sockaddr *>(&Addr), Len);
    while (Connected != 0 && errno == EINTR);
    bool Done = Connected == 0;
    const std::string Text = Message.substr(0, MaxMessage);
    for (size_t Sent = 0; Done && Sent < Text.size();) {
        const ssize_t N = ::send(Fd, Text.data() + Sent, Text.size() - Sent, MSG_NOSIGNAL);
        if (N < 0 && errno == EINTR)
            continue;
        Done = N > 0;
        if (Done)
            Sent += size_t(N);
    }
    // Closing ends the message: the first copy reads it whole after we are gone.
    ::close(Fd);
    return Done;
}

void TSocketInstanceGuard::SetOnMessage(std::function<void(const std::string &Message)> Handler) {
    FOnMessage = std::move(Handler);
    if (FSocket >= 0 && !FNotifier) {
        FNotifier = std::make_unique<QSocketNotifier>(FSocket, QSocketNotifier::Read);
        QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Accept(); });
    }
}

void TSocketInstanceGuard::Accept() {
    for (;;) {
        const int Fd = ::accept4(FSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (Fd < 0)
            return;
        if (!SameUser(Fd) || FClients.size() >= MaxClients) {
            ::close(Fd);
            continue;
        }
        auto Client = std::make_unique<TClient>();
        Client->Notifier = std::make_unique<QSocketNotifier>(Fd, QSocketNotifier::Read);
        QObject::connect(Client->Notifier.get(), &QSocketNotifier::activated,
                         [this, Fd] { Read(Fd); });
        Client->Deadline = std::make_unique<QTimer>();
        Client->Deadline->setSingleShot(true);
        QObject::connect(Client->Deadline.get(), &QTimer::timeout, [this, Fd] { Drop(Fd); });
        Client->Deadline->start(ClientDeadlineMs);
        FClients[Fd] = std::move(Client);
        // Its message may be there already.
        Read(Fd);
    }
}

void TSocketInstanceGuard::Read(int Fd) {
    const auto It = FClients.find(Fd);
    if (It == FClients.end())
        return;
    std::string &Data = It->second->Data;
    char Buffer[MaxMessage];
    for (;;) {
        const ssize_t N = ::recv(Fd, Buffer, sizeof Buffer, 0);
        if (N > 0) {
            Data.append(Buffer, size_t(std::min<ssize_t>(N, ssize_t(MaxMessage - Data.size()))));
            continue;
        }
        if (N < 0 && errno == EINTR)
            continue;
        if (N < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return; // the rest is still coming
        break;
    }
    // The end of the message (or a broken connection, which hands over what came).
    const std::string Message = std::move(Data);
    Drop(Fd);
    // Run from the event loop, not from inside the notifier: the action may open a box or a
    // capture with an event loop of its own.
    QTimer::singleShot(0, FNotifier.get(), [this, Message] {
        if (FOnMessage)
            FOnMessage(Message);
    });
}

void TSocketInstanceGuard::Drop(int Fd) {
    const auto It = FClients.find(Fd);
    if (It == FClients.end())
        return;
    std::unique_ptr<TClient> Client = std::move(It->second);
    FClients.erase(It);
    // Either may be the sender of the signal that brought us here: let go of them later.
    Client->Notifier->setEnabled(false);
    Client->Deadline->stop();
    Client->Notifier.release()->deleteLater();
    Client->Deadline.release()->deleteLater();
    ::close(Fd);
}

} // namespace platform::linux_
