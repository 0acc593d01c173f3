#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xproto.h>

#include "platform/UserEnvironment.h"

#include "TestSupport.h"
#include "platform/linux/SocketInstanceGuard.h"
#include "platform/linux/XcbHotKeys.h"
#include "platform/linux/XdgAutoRun.h"
#include "platform/linux/XdgShell.h"

using namespace platform;
using namespace platform::linux_;

class tst_PlatformLinux : public QObject {
    Q_OBJECT
private slots:
    void AutoRunPrefersTheMachineWideFolder();
    void AutoRunFallsBackToTheUser();
    void AutoRunOffRemovesBothEntries();
    void ExecIsQuotedByTheDesktopEntryRules();
    void OneInstancePerNameAndUser();
    void LaterStartsReachTheFirst();
    void OnlyTheUsersOwnStartsAreHeard();
    void ProgramsGetTheUsersEnvironment();
    void ProgramsAreToldFromOtherTargets();
    void HotKeysAreGrabbedUnderEveryLockState();
};

namespace {
QByteArray Read(const QString &Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}
} // namespace

void tst_PlatformLinux::AutoRunPrefersTheMachineWideFolder() {
    QTemporaryDir Root;
    TXdgAutoRun A((Root.path() + "/etc/xdg/autostart").toStdString(),
                  (Root.path() + "/home/.config/autostart").toStdString());
    const TAutoRunResult Done = A.Enable("qingchuan", "/opt/晴川/qingchuan");
    QVERIFY(Done.Ok);
    const std::string Place = Done.Path;
    QCOMPARE(QString::fromStdString(Place), Root.path() + "/etc/xdg/autostart/qingchuan.desktop");
    const QByteArray Entry = Read(QString::fromStdString(Place));
    QVERIFY(Entry.startsWith("[Desktop Entry]\n"));
    QVERIFY(Entry.contains("\nType=Application\n"));
    QVERIFY(Entry.contains(QString("\nExec=\"/opt/晴川/qingchuan\"\n").toUtf8()));
    QVERIFY(!QFile::exists(Root.path() + "/home/.config/autostart/qingchuan.desktop"));
}

void tst_PlatformLinux::AutoRunFallsBackToTheUser() {
    QTemporaryDir Root;
    // The machine-wide folder cannot be made: a file stands where its parent should be.
    QFile Blocker(Root.path() + "/etc");
    QVERIFY(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    TXdgAutoRun A((Root.path() + "/etc/xdg/autostart").toStdString(),
                  (Root.path() + "/home/.config/autostart").toStdString());
    const TAutoRunResult Done = A.Enable("qc", "/p/qc");
    QVERIFY(Done.Ok);
    QCOMPARE(QString::fromStdString(Done.Path), Root.path() + "/home/.config/autostart/qc.desktop");
    QVERIFY(Read(Root.path() + "/home/.config/autostart/qc.desktop").contains("Exec=\"/p/qc\""));

    // Neither place can be written: the caller hears of it, with the user's own entry named in
    // full (the machine-wide one is for administrators only).
    QFile Blocker2(Root.path() + "/home2");
    QVERIFY(Blocker2.open(QIODevice::WriteOnly));
    Blocker2.close();
    TXdgAutoRun B((Root.path() + "/etc/xdg/autostart").toStdString(),
                  (Root.path() + "/home2/.config/autostart").toStdString());
    const TAutoRunResult Failed = B.Enable("qc", "/p/qc");
    QVERIFY(!Failed.Ok);
    QCOMPARE(QString::fromStdString(Failed.Path),
             Root.path() + "/home2/.config/autostart/qc.desktop");
}

void tst_PlatformLinux::AutoRunOffRemovesBothEntries() {
    QTemporaryDir Root;
    const QString Sys = Root.path() + "/sys", User = Root.path() + "/user";
    TXdgAutoRun A(Sys.toStdString(), User.toStdString());
    QVERIFY(A.Enable("qc", "/p/qc").Ok);
    QDir().mkpath(User);
    QFile::copy(Sys + "/qc.desktop", User + "/qc.desktop");
    QFile::copy(Sys + "/qc.desktop", User + "/other.desktop");
    QVERIFY(A.Disable("qc").Ok);
    QVERIFY(!QFile::exists(Sys + "/qc.desktop"));
    QVERIFY(!QFile::exists(User + "/qc.desktop"));
    QVERIFY(QFile::exists(User + "/other.desktop"));
    // Nothing to remove is no error.
    QVERIFY(A.Disable("qc").Ok);
    // An entry that cannot be removed is named: here a folder stands in its place.
    QVERIFY(QDir().mkpath(User + "/qc.desktop/inside"));
    const TAutoRunResult Failed = A.Disable("qc");
    QVERIFY(!Failed.Ok);
    QCOMPARE(QString::fromStdString(Failed.Path), User + "/qc.desktop");
}

void tst_PlatformLinux::ExecIsQuotedByTheDesktopEntryRules() {
    QCOMPARE(TXdgAutoRun::QuoteExec("/a b/c"), std::string("\"/a b/c\""));
    QCOMPARE(TXdgAutoRun::QuoteExec("/a\"b"), std::string("\"/a\\\\\"b\""));
    QCOMPARE(TXdgAutoRun::QuoteExec("/a$b`c"), std::string("\"/a\\\\$b\\\\`c\""));
    QCOMPARE(TXdgAutoRun::QuoteExec("/a\\b"), std::string("\"/a\\\\\\\\b\""));
    QCOMPARE(TXdgAutoRun::QuoteExec("/100%"), std::string("\"/100%%\""));
}

void tst_PlatformLinux::OneInstancePerNameAndUser() {
    const std::string Name = "tst-" + std::to_string(QCoreApplication::applicationPid());
    {
        TSocketInstanceGuard First, Second, Other;
        QCOMPARE(First.Acquire(Name), IInstanceGuard::TResult::First);
        QCOMPARE(Second.Acquire(Name), IInstanceGuard::TResult::Second);
        // Another file name is another instance; names differ by case too.
        QCOMPARE(Other.Acquire(Name + ".copy"), IInstanceGuard::TResult::First);
        TSocketInstanceGuard Upper;
        QCOMPARE(Upper.Acquire("TST-" + std::to_string(QCoreApplication::applicationPid())),
                 IInstanceGuard::TResult::First);
    }
    // The claim ends with its holder: nothing is left behind to block the next start.
    TSocketInstanceGuard Again;
    QCOMPARE(Again.Acquire(Name), IInstanceGuard::TResult::First);
}

void tst_PlatformLinux::LaterStartsReachTheFirst() {
    const std::string Name = "tst-msg-" + std::to_string(QCoreApplication::applicationPid());
    TSocketInstanceGuard First;
    QCOMPARE(First.Acquire(Name), IInstanceGuard::TResult::First);
    std::vector<std::string> Messages;
    First.SetOnMessage([&](const std::string &M) { Messages.push_back(M); });
    const std::string Long(IInstanceGuard::MaxMessage + 100, 'x');
    const std::vector<std::string> Sent = {"", "portal", "hide-browsers", Long};
    for (const std::string &M : Sent) {
        TSocketInstanceGuard Later;
        QCOMPARE(Later.Acquire(Name), IInstanceGuard::TResult::Second);
        QVERIFY(Later.NotifyFirst(M));
        // One at a time, so that the order heard is the order sent.
        QTRY_COMPARE(Messages.size(), size_t(&M - Sent.data() + 1));
    }
    QCOMPARE(Messages[0], std::string());
    QCOMPARE(Messages[1], std::string("portal"));
    QCOMPARE(Messages[2], std::string("hide-browsers"));
    // Cut where a message ends, not passed on whole.
    QCOMPARE(Messages[3], Long.substr(0, IInstanceGuard::MaxMessage));
}

void tst_PlatformLinux::OnlyTheUsersOwnStartsAreHeard() {
    // The socket's name is in the abstract namespace, which every user of the machine reaches.
    if (::getuid() != 0)
        QSKIP("acting as another user needs root, as the test run has");
    const std::string Name = "tst-user-" + std::to_string(QCoreApplication::applicationPid());
    TSocketInstanceGuard First;
    QCOMPARE(First.Acquire(Name), IInstanceGuard::TResult::First);
    std::vector<std::string> Messages;
    First.SetOnMessage([&](const std::string &M) { Messages.push_back(M); });
    // Another user connects to our name and asks for a capture.
    const pid_t Child = ::fork();
    if (Child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const int Fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un Addr{};
        Addr.sun_family = AF_UNIX;
        const std::string Address = "qingchuan-instance/0/" + Name;
        std::memcpy(Addr.sun_path + 1, Address.data(), Address.size());
        const socklen_t Len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + Address.size());
        if (::connect(Fd, reinterpret_cast<sockaddr *>(&Addr), Len) != 0)
            ::_exit(3);
        ::_exit(::send(Fd, "capture", 7, MSG_NOSIGNAL) == 7 ? 0 : 4);
    }
    int Status = -1;
    QCOMPARE(::waitpid(Child, &Status, 0), Child);
    QVERIFY(WIFEXITED(Status));
    QCOMPARE(WEXITSTATUS(Status), 0);
    // Then the user's own start. Connections are taken in the order they came, and a finished
    // message is passed on as soon as it is taken, so the other user's would come first.
    TSocketInstanceGuard Later;
    QCOMPARE(Later.Acquire(Name), IInstanceGuard::TResult::Second);
    QVERIFY(Later.NotifyFirst("show"));
    QTRY_VERIFY(!Messages.empty());
    QCOMPARE(Messages, std::vector<std::string>{"show"});
}

void tst_PlatformLinux::ProgramsGetTheUsersEnvironment() {
    // The program's own settings for itself are in the process's environment; the programs it
    // starts get what the user had, less the launcher's start-up token.
    const TEnvSet Own("QT_QPA_PLATFORM", "xcb");
    const TEnvSet Mine("QC_OWN_SETTING", "1");
    KeepUserEnvironment({"QC_USER_SETTING=kept", "PATH=/usr/bin:/bin",
                         "DESKTOP_STARTUP_ID=launcher-token", "XDG_ACTIVATION_TOKEN=token"});
    QTemporaryDir Dir;
    const QString Script = Dir.path() + "/dump-env";
    const QString Out = Dir.path() + "/env.out";
    QFile F(Script);
    QVERIFY(F.open(QIODevice::WriteOnly));
    F.write(
        ("#!/bin/sh\nenv > '" + Out + ".tmp' && mv '" + Out + ".tmp' '" + Out + "'\n").toUtf8());
    F.close();
    QFile::setPermissions(Script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TXdgShell Shell;
    QVERIFY(Shell.Open(Script.toStdString(), Dir.path().toStdString()));
    QTRY_VERIFY(QFile::exists(Out));
    const QList<QByteArray> Lines = Read(Out).split('\n');
    QVERIFY(Lines.contains("QC_USER_SETTING=kept"));
    for (const QByteArray &Line : Lines)
        for (const char *Gone : {"QT_QPA_PLATFORM=", "QC_OWN_SETTING=", "DESKTOP_STARTUP_ID=",
                                 "XDG_ACTIVATION_TOKEN="})
            QVERIFY2(!Line.startsWith(Gone), Line.constData());
}

void tst_PlatformLinux::ProgramsAreToldFromOtherTargets() {
    QVERIFY(!TXdgShell::ProgramPath("sh").empty());
    QCOMPARE(TXdgShell::ProgramPath("https://example.org/sh"), std::string());
    QCOMPARE(TXdgShell::ProgramPath("no-such-program-qc"), std::string());
    QTemporaryDir Dir;
    const QString Doc = Dir.path() + "/notes.txt";
    QFile F(Doc);
    QVERIFY(F.open(QIODevice::WriteOnly));
    F.close();
    // A document is opened, not run; the folder itself is not a program either.
    QCOMPARE(TXdgShell::ProgramPath(Doc.toStdString()), std::string());
    QCOMPARE(TXdgShell::ProgramPath(Dir.path().toStdString()), std::string());
    QFile::setPermissions(Doc, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(TXdgShell::ProgramPath(Doc.toStdString()), Doc.toStdString());
}

QTEST_GUILESS_MAIN(tst_PlatformLinux)
// Without the Num Lock variants a hotkey dies when Num Lock is on; without Caps Lock, when Caps
// Lock is. The grabs themselves are tried on a real server in tst_xcbhotkeys.
void tst_PlatformLinux::HotKeysAreGrabbedUnderEveryLockState() {
    using V = std::vector<uint16_t>;
    const uint16_t Caps = XCB_MOD_MASK_LOCK;
    QCOMPARE(TXcbHotKeys::LockVariants(XCB_MOD_MASK_2),
             (V{0, Caps, XCB_MOD_MASK_2, uint16_t(XCB_MOD_MASK_2 | Caps)}));
    // Num Lock on another modifier of the keymap.
    QCOMPARE(TXcbHotKeys::LockVariants(XCB_MOD_MASK_4),
             (V{0, Caps, XCB_MOD_MASK_4, uint16_t(XCB_MOD_MASK_4 | Caps)}));
    // A keymap without Num Lock.
    QCOMPARE(TXcbHotKeys::LockVariants(0), (V{0, Caps}));
}

#include "tst_platformlinux.moc"
