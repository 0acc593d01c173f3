#include <QCoreApplication>
#include <QtTest>

#include "app/UniqueInstance.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "platform/linux/SocketInstanceGuard.h"

namespace {

// A guard whose answer the test chooses, recording what was asked of it.
class TScriptedGuard : public platform::IInstanceGuard {
public:
    explicit TScriptedGuard(TResult Answer) : FAnswer(Answer) {}
    TResult Acquire(const std::string &Name) override {
        Names.push_back(Name);
        return FAnswer;
    }
    bool NotifyFirst(const std::string &Message) override {
        Messages.push_back(Message);
        return Reached;
    }
    void SetOnMessage(std::function<void(const std::string &)> Handler) override {
        OnMessage = std::move(Handler);
    }

    std::vector<std::string> Names;
    std::vector<std::string> Messages;
    bool Reached = true;
    std::function<void(const std::string &)> OnMessage;

private:
    TResult FAnswer;
};

} // namespace

// One running copy per executable file name: the decision a start takes from the guard's answer,
// without starting the program.
class tst_UniqueInstance : public QObject {
    Q_OBJECT
private slots:
    void startGoesOnOnlyAsTheFirst_data() {
        using R = platform::IInstanceGuard::TResult;
        QTest::addColumn<R>("Answer");
        QTest::addColumn<bool>("GoesOn");
        QTest::addColumn<int>("ExitCode");
        QTest::addColumn<int>("Notified");
        QTest::newRow("first") << R::First << true << -1 << 0;
        // A second start tells the first and ends as a success.
        QTest::newRow("second") << R::Second << false << 0 << 1;
        // Nothing could be claimed: the start ends with a failure rather than run unguarded.
        QTest::newRow("failed") << R::Failed << false << 1 << 0;
    }
    void startGoesOnOnlyAsTheFirst() {
        QFETCH(platform::IInstanceGuard::TResult, Answer);
        QFETCH(bool, GoesOn);
        QFETCH(int, ExitCode);
        QFETCH(int, Notified);
        TScriptedGuard Guard(Answer);
        int Code = -1;
        QCOMPARE(UniqueInstance::Check(Guard, "/opt/Qing Chuan/QingChuan.v2.EXE", Code), GoesOn);
        QCOMPARE(Code, ExitCode);
        QCOMPARE(int(Guard.Messages.size()), Notified);
        // Known by the file name as spelled, extension and case kept, the folder left out.
        QCOMPARE(Guard.Names, std::vector<std::string>{"QingChuan.v2.EXE"});
    }

    // A fault in the handler of a later start is shown in the standard box, and the next start
    // is still heard.
    void laterStartsRunTheHandlerGuarded() {
        TScriptedGuard Guard(platform::IInstanceGuard::TResult::First);
        int Calls = 0;
        UniqueInstance::Listen(Guard, [&Calls](CommandLine::TAction) {
            if (++Calls == 1)
                throw EError("busy");
        });
        Dialogs::TDialogScript Script;
        Guard.OnMessage({});
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("error"));
        QCOMPARE(Script.Shown()[0].Text, QString("busy"));
        Guard.OnMessage({});
        QCOMPARE(Calls, 2);
        QCOMPARE(Script.Shown().size(), 1);
    }

    // Over the system's own guard: the second copy of a name ends and the first hears of it;
    // another file name is another program.
    void secondCopyReachesTheFirst() {
        const QString Exe =
            QString("/tmp/tst-unique-%1.bin").arg(QCoreApplication::applicationPid());
        platform::linux_::TSocketInstanceGuard First, Second, Other;
        int Code = -1;
        QVERIFY(UniqueInstance::Check(First, Exe, Code));
        std::vector<CommandLine::TAction> Heard;
        UniqueInstance::Listen(First, [&Heard](CommandLine::TAction A) { Heard.push_back(A); });
        QVERIFY(!UniqueInstance::Check(Second, Exe, Code));
        QCOMPARE(Code, 0);
        QTRY_COMPARE(Heard.size(), size_t(1));
        QVERIFY(Heard[0] == CommandLine::TAction::None);
        // Each action of a later start arrives as it was given.
        for (const auto Action : {CommandLine::TAction::Portal, CommandLine::TAction::HideBrowsers,
                                  CommandLine::TAction::Show}) {
            platform::linux_::TSocketInstanceGuard Later;
            QVERIFY(!UniqueInstance::Check(Later, Exe, Code, Action));
            QCOMPARE(Code, 0);
        }
        QTRY_COMPARE(Heard.size(), size_t(4));
        QVERIFY(Heard[1] == CommandLine::TAction::Portal);
        QVERIFY(Heard[2] == CommandLine::TAction::HideBrowsers);
        QVERIFY(Heard[3] == CommandLine::TAction::Show);
        QVERIFY(UniqueInstance::Check(Other, Exe + ".copy", Code));
    }

    // A second start that cannot hand its action over says so, and ends with a failure: a
    // shortcut that did nothing must not look like one that worked.
    void anUnheardActionIsAFailure() {
        TScriptedGuard Guard(platform::IInstanceGuard::TResult::Second);
        Guard.Reached = false;
        int Code = -1;
        QVERIFY(!UniqueInstance::Check(Guard, "/usr/bin/qingchuan", Code,
                                       CommandLine::TAction::Capture));
        QCOMPARE(Code, 1);
        QCOMPARE(Guard.Messages, std::vector<std::string>{"capture"});
    }

    // What the running copy makes of each message: the words of the actions, and anything else
    // (the single byte an older copy sends, a word of a newer one) as a plain start.
    void messagesAreActions_data() {
        QTest::addColumn<QByteArray>("Message");
        QTest::addColumn<int>("Action");
        using A = CommandLine::TAction;
        QTest::newRow("plain") << QByteArray() << int(A::None);
        QTest::newRow("older copy") << QByteArray("\x01") << int(A::None);
        QTest::newRow("show") << QByteArray("show") << int(A::Show);
        QTest::newRow("portal") << QByteArray("portal") << int(A::Portal);
        QTest::newRow("capture") << QByteArray("capture") << int(A::Capture);
        QTest::newRow("hide-browsers") << QByteArray("hide-browsers") << int(A::HideBrowsers);
        QTest::newRow("chat") << QByteArray("chat") << int(A::Chat);
        QTest::newRow("unknown") << QByteArray("reboot") << int(A::None);
        QTest::newRow("with dashes") << QByteArray("--portal") << int(A::None);
    }
    void messagesAreActions() {
        QFETCH(QByteArray, Message);
        QFETCH(int, Action);
        TScriptedGuard Guard(platform::IInstanceGuard::TResult::First);
        int Heard = -1;
        UniqueInstance::Listen(Guard, [&Heard](CommandLine::TAction A) { Heard = int(A); });
        Guard.OnMessage(Message.toStdString());
        QCOMPARE(Heard, Action);
    }

    // The command line: one action at most, Qt's own options left to Qt, a mistyped action
    // refused rather than taken for a plain start.
    void commandLines_data() {
        QTest::addColumn<QStringList>("Args");
        QTest::addColumn<int>("What");
        QTest::addColumn<int>("Action");
        using W = CommandLine::TParsed::TWhat;
        using A = CommandLine::TAction;
        QTest::newRow("none") << QStringList{} << int(W::Run) << int(A::None);
        QTest::newRow("show") << QStringList{"--show"} << int(W::Run) << int(A::Show);
        QTest::newRow("portal") << QStringList{"--portal"} << int(W::Run) << int(A::Portal);
        QTest::newRow("capture") << QStringList{"--capture"} << int(W::Run) << int(A::Capture);
        QTest::newRow("hide-browsers")
            << QStringList{"--hide-browsers"} << int(W::Run) << int(A::HideBrowsers);
        QTest::newRow("chat") << QStringList{"--chat"} << int(W::Run) << int(A::Chat);
        QTest::newRow("same twice")
            << QStringList{"--chat", "--chat"} << int(W::Run) << int(A::Chat);
        QTest::newRow("Qt's options")
            << QStringList{"-platform", "xcb", "--portal", "-style", "fusion"} << int(W::Run)
            << int(A::Portal);
        QTest::newRow("two actions")
            << QStringList{"--show", "--portal"} << int(W::Wrong) << int(A::Show);
        QTest::newRow("mistyped") << QStringList{"--hide-browser"} << int(W::Wrong) << int(A::None);
        QTest::newRow("help wins")
            << QStringList{"--portal", "--help"} << int(W::Help) << int(A::Portal);
        QTest::newRow("-h") << QStringList{"-h"} << int(W::Help) << int(A::None);
        QTest::newRow("version") << QStringList{"--version"} << int(W::Version) << int(A::None);
    }
    void commandLines() {
        QFETCH(QStringList, Args);
        QFETCH(int, What);
        QFETCH(int, Action);
        std::vector<QByteArray> Bytes{"qingchuan"};
        for (const QString &A : Args)
            Bytes.push_back(A.toUtf8());
        std::vector<const char *> Argv;
        for (const QByteArray &B : Bytes)
            Argv.push_back(B.constData());
        const CommandLine::TParsed P = CommandLine::Parse(int(Argv.size()), Argv.data());
        QCOMPARE(int(P.What), What);
        QCOMPARE(int(P.Action), Action);
        QCOMPARE(P.Problem.empty(), P.What != CommandLine::TParsed::TWhat::Wrong);
    }
};

QTEST_GUILESS_MAIN(tst_UniqueInstance)
#include "tst_uniqueinstance.moc"
