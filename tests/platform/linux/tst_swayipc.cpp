// sway's IPC framing against a stand-in desktop on a socket of the test's own: what is sent,
// what is taken as an answer, and that a desktop that answers wrongly or not at all gives
// nothing instead of a wrong tree or a hang.
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/linux/SwayIpc.h"

namespace Ipc = platform::linux_::SwayIpc;

namespace {

// A desktop that takes one connection, reads one message and answers with Reply (raw bytes,
// header included); with Silent it reads and then says nothing until the other side closes.
class TStandIn {
public:
    TStandIn(const QString &Path, QByteArray Reply, bool Silent = false) {
        FListen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un A{};
        A.sun_family = AF_UNIX;
        const QByteArray P = Path.toLocal8Bit();
        std::memcpy(A.sun_path, P.constData(), static_cast<size_t>(P.size()));
        ::bind(FListen, reinterpret_cast<const sockaddr *>(&A), sizeof A);
        ::listen(FListen, 1);
        FThread = std::thread([this, Reply, Silent] {
            const int C = ::accept(FListen, nullptr, nullptr);
            if (C < 0)
                return;
            char Header[14];
            if (::recv(C, Header, sizeof Header, MSG_WAITALL) == sizeof Header) {
                Magic = QByteArray(Header, 6);
                uint32_t Length = 0;
                std::memcpy(&Length, Header + 6, 4);
                std::memcpy(&Type, Header + 10, 4);
                Payload = QByteArray(static_cast<qsizetype>(Length), '\0');
                if (Length > 0)
                    ::recv(C, Payload.data(), Length, MSG_WAITALL);
            }
            char Byte;
            if (Silent)
                ::recv(C, &Byte, 1, 0);
            else
                ::send(C, Reply.constData(), static_cast<size_t>(Reply.size()), MSG_NOSIGNAL);
            ::close(C);
        });
    }
    ~TStandIn() {
        Join();
        ::close(FListen);
    }
    // Waits until the stand-in has served its one connection; its fields are final then.
    void Join() {
        if (FThread.joinable())
            FThread.join();
    }

    QByteArray Magic, Payload;
    uint32_t Type = 99;

private:
    int FListen = -1;
    std::thread FThread;
};

QByteArray Message(uint32_t Type, const QByteArray &Payload, uint32_t Length) {
    QByteArray M("i3-ipc");
    M.append(reinterpret_cast<const char *>(&Length), 4);
    M.append(reinterpret_cast<const char *>(&Type), 4);
    return M + Payload;
}

QByteArray Message(uint32_t Type, const QByteArray &Payload) {
    return Message(Type, Payload, static_cast<uint32_t>(Payload.size()));
}

} // namespace

class tst_SwayIpc : public QObject {
    Q_OBJECT

private slots:
    void sendsTheMessageAndReturnsThePayload() {
        QTemporaryDir Dir;
        TStandIn Desktop(Dir.filePath("ipc"), Message(Ipc::RunCommand, R"([{"success":true}])"));
        const std::optional<QByteArray> Answer =
            Ipc::Ask(Dir.filePath("ipc"), Ipc::RunCommand, "[app_id=\"firefox\"] move scratchpad");
        Desktop.Join();
        QCOMPARE(Desktop.Magic, QByteArray("i3-ipc"));
        QCOMPARE(Desktop.Type, Ipc::RunCommand);
        QCOMPARE(Desktop.Payload, QByteArray("[app_id=\"firefox\"] move scratchpad"));
        QCOMPARE(Answer.value_or("nothing"), QByteArray(R"([{"success":true}])"));
    }

    void anEmptyAnswerIsStillAnAnswer() {
        QTemporaryDir Dir;
        TStandIn Desktop(Dir.filePath("ipc"), Message(Ipc::GetTree, {}));
        QCOMPARE(Ipc::Ask(Dir.filePath("ipc"), Ipc::GetTree, {}), std::optional(QByteArray()));
    }

    void wrongAnswersGiveNothing_data() {
        QTest::addColumn<QByteArray>("Reply");
        QTest::newRow("another type") << Message(Ipc::RunCommand, "{}");
        QTest::newRow("another magic") << QByteArray("i4-ipc") + Message(Ipc::GetTree, "{}").mid(6);
        QTest::newRow("shorter than it says") << Message(Ipc::GetTree, "{}", 10);
        QTest::newRow("header cut") << Message(Ipc::GetTree, {}).left(9);
        // No layout tree is that long: the length is never trusted to size the buffer.
        QTest::newRow("64 MiB") << Message(Ipc::GetTree, "{}", 64u << 20);
        QTest::newRow("closed at once") << QByteArray();
    }
    void wrongAnswersGiveNothing() {
        QFETCH(QByteArray, Reply);
        QTemporaryDir Dir;
        TStandIn Desktop(Dir.filePath("ipc"), Reply);
        QCOMPARE(Ipc::Ask(Dir.filePath("ipc"), Ipc::GetTree, {}), std::nullopt);
    }

    void silentDesktopIsGivenUpOn() {
        QTemporaryDir Dir;
        TStandIn Desktop(Dir.filePath("ipc"), {}, true);
        // Without the timeout this would wait for ever (and the suite's time limit would say so).
        QCOMPARE(Ipc::Ask(Dir.filePath("ipc"), Ipc::GetTree, {}, 300), std::nullopt);
    }

    void noDesktopGivesNothing() {
        QTemporaryDir Dir;
        QCOMPARE(Ipc::Ask(Dir.filePath("none"), Ipc::GetTree, {}), std::nullopt);
        QCOMPARE(Ipc::Ask({}, Ipc::GetTree, {}), std::nullopt);
        QCOMPARE(Ipc::Ask(QString(200, 'x'), Ipc::GetTree, {}), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_SwayIpc)
#include "tst_swayipc.moc"
