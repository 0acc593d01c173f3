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

#include "TestSupport.h"
#include "platform/DesktopWorkArea.h"
#include "platform/linux/SwayIpc.h"
#include "platform/linux/SwayWorkArea.h"

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

    // Where a reminder may rest: the usable rectangle of the workspace on the screen, less the
    // bars sway keeps from XWayland's knowledge.
    void workAreaFromTheWorkspaces_data() {
        QTest::addColumn<QByteArray>("Workspaces");
        QTest::addColumn<QRect>("Screen");
        QTest::addColumn<QRect>("Expected"); // null: nothing
        const auto W = [](const char *Name, bool Visible, bool Focused, const char *Rect) {
            return QString(R"({"name":"%1","visible":%2,"focused":%3,"rect":%4})")
                .arg(Name, Visible ? "true" : "false", Focused ? "true" : "false", Rect);
        };
        const auto List = [](const QStringList &Items) {
            return ("[" + Items.join(',') + "]").toUtf8();
        };
        const QRect Screen(0, 0, 1280, 800);
        QTest::newRow("a bar of 34 pixels at the bottom")
            << List({W("1", true, true, R"({"x":0,"y":0,"width":1280,"height":766})")}) << Screen
            << QRect(0, 0, 1280, 766);
        QTest::newRow("a bar at the top")
            << List({W("1", true, true, R"({"x":0,"y":30,"width":1280,"height":770})")}) << Screen
            << QRect(0, 30, 1280, 770);
        QTest::newRow("hidden workspaces are passed over")
            << List({W("1", false, false, R"({"x":0,"y":0,"width":1280,"height":700})"),
                     W("2", true, true, R"({"x":0,"y":0,"width":1280,"height":766})")})
            << Screen << QRect(0, 0, 1280, 766);
        QTest::newRow("the workspace of this screen, not the focused one of another")
            << List({W("1", true, false, R"({"x":0,"y":0,"width":1280,"height":766})"),
                     W("2", true, true, R"({"x":1280,"y":0,"width":1920,"height":1050})")})
            << Screen << QRect(0, 0, 1280, 766);
        QTest::newRow("cut to the screen")
            << List({W("1", true, true, R"({"x":-20,"y":0,"width":2000,"height":766})")}) << Screen
            << QRect(0, 0, 1280, 766);
        QTest::newRow("no workspace on this screen")
            << List({W("2", true, true, R"({"x":1280,"y":0,"width":1920,"height":1050})")})
            << Screen << QRect();
        QTest::newRow("an empty rectangle")
            << List({W("1", true, true, R"({"x":0,"y":0,"width":0,"height":766})")}) << Screen
            << QRect();
        // Sums of such values would overflow an int.
        QTest::newRow("huge values")
            << List({W("1", true, true,
                       R"({"x":2147483647,"y":2147483647,"width":2147483647,"height":5})")})
            << Screen << QRect();
        QTest::newRow("not numbers")
            << List({W("1", true, true, R"({"x":"0","y":0,"width":1280,"height":766})")}) << Screen
            << QRect();
        QTest::newRow("not a list") << QByteArray(R"({"rect":{}})") << Screen << QRect();
        QTest::newRow("not JSON") << QByteArray("[{") << Screen << QRect();
    }
    void workAreaFromTheWorkspaces() {
        QFETCH(QByteArray, Workspaces);
        QFETCH(QRect, Screen);
        QFETCH(QRect, Expected);
        QCOMPARE(platform::linux_::SwayWorkArea(Workspaces, Screen).value_or(QRect()), Expected);
    }

    void workAreaAskedOfTheRunningSway() {
        QTemporaryDir Dir;
        const QByteArray Answer =
            R"([{"visible":true,"focused":true,"rect":{"x":0,"y":0,"width":1280,"height":766}}])";
        TStandIn Desktop(Dir.filePath("ipc"), Message(Ipc::GetWorkspaces, Answer));
        {
            TEnvSet Sock("SWAYSOCK", Dir.filePath("ipc").toLocal8Bit());
            QCOMPARE(platform::DesktopWorkArea(QRect(0, 0, 1280, 800)),
                     std::optional(QRect(0, 0, 1280, 766)));
        }
        Desktop.Join();
        QCOMPARE(Desktop.Type, Ipc::GetWorkspaces);
        // No sway: the X server's own work area holds.
        TEnvSet NoSock("SWAYSOCK", static_cast<const char *>(nullptr));
        QCOMPARE(platform::DesktopWorkArea(QRect(0, 0, 1280, 800)), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_SwayIpc)
#include "tst_swayipc.moc"
