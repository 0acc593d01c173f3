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
    void NotifyFirst() override { ++Notified; }
    void SetOnMessage(std::function<void()> Handler) override { OnMessage = std::move(Handler); }

    std::vector<std::string> Names;
    int Notified = 0;
    std::function<void()> OnMessage;

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
        QCOMPARE(Guard.Notified, Notified);
        // Known by the file name as spelled, extension and case kept, the folder left out.
        QCOMPARE(Guard.Names, std::vector<std::string>{"QingChuan.v2.EXE"});
    }

    // A fault in the handler of a later start is shown in the standard box, and the next start
    // is still heard.
    void laterStartsRunTheHandlerGuarded() {
        TScriptedGuard Guard(platform::IInstanceGuard::TResult::First);
        int Calls = 0;
        UniqueInstance::Listen(Guard, [&Calls] {
            if (++Calls == 1)
                throw EError("busy");
        });
        Dialogs::TDialogScript Script;
        Guard.OnMessage();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("error"));
        QCOMPARE(Script.Shown()[0].Text, QString("busy"));
        Guard.OnMessage();
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
        int Heard = 0;
        UniqueInstance::Listen(First, [&Heard] { ++Heard; });
        QVERIFY(!UniqueInstance::Check(Second, Exe, Code));
        QCOMPARE(Code, 0);
        QTRY_COMPARE(Heard, 1);
        QVERIFY(UniqueInstance::Check(Other, Exe + ".copy", Code));
    }
};

QTEST_GUILESS_MAIN(tst_UniqueInstance)
#include "tst_uniqueinstance.moc"
