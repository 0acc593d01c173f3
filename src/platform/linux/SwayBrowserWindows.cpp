#include "SwayBrowserWindows.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "XcbBrowserWindows.h"

namespace platform::linux_ {

namespace {

constexpr uint32_t RunCommand = 0;
constexpr uint32_t GetTree = 4;
// The desktop answers at once; a hung one must not hang the program with it.
constexpr int AnswerTimeoutSeconds = 3;

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

// One message to the desktop and its answer, over a connection of its own ("i3-ipc", the
// payload's length and the message type in the machine's byte order, then the payload).
std::optional<QByteArray> Ask(const QString &Socket, uint32_t Type, const QByteArray &Payload) {
    const QByteArray Path = Socket.toLocal8Bit();
    sockaddr_un Address{};
    if (Path.isEmpty() || static_cast<size_t>(Path.size()) >= sizeof Address.sun_path)
        return std::nullopt;
    Address.sun_family = AF_UNIX;
    std::memcpy(Address.sun_path, Path.constData(), static_cast<size_t>(Path.size()));
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Fd < 0)
        return std::nullopt;
    timeval Timeout{AnswerTimeoutSeconds, 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_RCVTIMEO, &Timeout, sizeof Timeout);
    ::setsockopt(Fd, SOL_SOCKET, SO_SNDTIMEO, &Timeout, sizeof Timeout);
    std::optional<QByteArray> Answer;
    if (::connect(Fd, reinterpret_cast<const sockaddr *>(&Address), sizeof Address) == 0) {
        QByteArray Message("i3-ipc");
        const uint32_t Header[2] = {static_cast<uint32_t>(Payload.size()), Type};
        Message.append(reinterpret_cast<const char *>(Header), sizeof Header);
        Message.append(Payload);
        char Magic[6];
        uint32_t Reply[2];
        if (WriteAll(Fd, Message.constData(), static_cast<size_t>(Message.size())) &&
            ReadAll(Fd, Magic, sizeof Magic) && std::memcmp(Magic, "i3-ipc", 6) == 0 &&
            ReadAll(Fd, reinterpret_cast<char *>(Reply), sizeof Reply) && Reply[1] == Type &&
            Reply[0] < (64u << 20)) {
            QByteArray Body(static_cast<qsizetype>(Reply[0]), Qt::Uninitialized);
            if (ReadAll(Fd, Body.data(), Reply[0]))
                Answer = Body;
        }
    }
    ::close(Fd);
    return Answer;
}

struct TView {
    qint64 Id;
    bool Floating;
    bool InScratchpad;
};

bool IsBrowserView(const QJsonObject &Node) {
    // XWayland windows carry a class instead, and are the X11 backend's.
    const QString AppId = Node.value("app_id").toString();
    return !AppId.isEmpty() && TXcbBrowserWindows::IsBrowserClass(AppId.toStdString()) &&
           Node.value("pid").toInteger() != ::getpid();
}

// Every browser view in the tree, with where it is.
std::vector<TView> BrowserViews(const QJsonDocument &Tree) {
    std::vector<TView> Views;
    std::function<void(const QJsonObject &, bool)> Walk = [&](const QJsonObject &Node,
                                                              bool InScratchpad) {
        if (Node.value("type").toString() == "workspace")
            InScratchpad = Node.value("name").toString() == "__i3_scratch";
        const QString Type = Node.value("type").toString();
        if ((Type == "con" || Type == "floating_con") && IsBrowserView(Node))
            Views.push_back({Node.value("id").toInteger(), Type == "floating_con", InScratchpad});
        for (const char *Children : {"nodes", "floating_nodes"})
            for (const QJsonValue Child : Node.value(Children).toArray())
                Walk(Child.toObject(), InScratchpad);
    };
    Walk(Tree.object(), false);
    return Views;
}

} // namespace

TSwayBrowserWindows::TSwayBrowserWindows(QString Socket) : FSocket(std::move(Socket)) {
    if (FSocket.isEmpty())
        FSocket = QString::fromLocal8Bit(qgetenv("SWAYSOCK"));
}

std::optional<QJsonDocument> TSwayBrowserWindows::Tree() const {
    const std::optional<QByteArray> Answer = Ask(FSocket, GetTree, {});
    if (!Answer)
        return std::nullopt;
    QJsonDocument Tree = QJsonDocument::fromJson(*Answer);
    if (!Tree.isObject())
        return std::nullopt;
    return Tree;
}

bool TSwayBrowserWindows::Run(const QString &Command) const {
    // One answer per command, each saying whether it was done.
    const std::optional<QByteArray> Answer = Ask(FSocket, RunCommand, Command.toUtf8());
    if (!Answer)
        return false;
    const QJsonArray Results = QJsonDocument::fromJson(*Answer).array();
    for (const QJsonValue Result : Results)
        if (!Result.toObject().value("success").toBool())
            return false;
    return !Results.isEmpty();
}

bool TSwayBrowserWindows::Apply(bool Show) {
    const std::optional<QJsonDocument> Tree = this->Tree();
    if (!Tree)
        return false;
    for (const TView &View : BrowserViews(*Tree)) {
        const QString Criteria = QString("[con_id=%1] ").arg(View.Id);
        if (!Show) {
            // A view the user put away is the user's: it stays there and is not brought back.
            if (View.InScratchpad)
                continue;
            // A view that closed meanwhile refuses; it is then not one to bring back.
            if (Run(Criteria + "move scratchpad"))
                FHidden[View.Id] = View.Floating;
            continue;
        }
        const auto Hidden = FHidden.find(View.Id);
        if (Hidden == FHidden.end() || !View.InScratchpad)
            continue;
        // A hidden scratchpad view cannot change its floating state; shown, it floats, and
        // tiling it takes it out of the scratchpad.
        QString Command = Criteria + "scratchpad show, floating disable";
        if (Hidden->second)
            Command += ", floating enable";
        Run(Command);
    }
    // A view hidden here and closed since, or brought back by the user, is forgotten.
    if (Show)
        FHidden.clear();
    return true;
}

bool TSwayBrowserWindows::AnyOnDesktop() {
    const std::optional<QJsonDocument> Tree = this->Tree();
    if (!Tree)
        return false;
    for (const TView &View : BrowserViews(*Tree))
        if (!View.InScratchpad || !FHidden.count(View.Id))
            return true;
    return false;
}

} // namespace platform::linux_
