// The whole program on the virtual desktop: tasks put into its DB.mdb while it runs come up as
// reminder windows at the bottom right of the screen at their second.
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMargins>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "../tasks/TaskTestSupport.h"
#include "AppProcess.h"
#include "PortalBed.h"
#include "TestSupport.h"
#include "tasks/OleDate.h"

namespace {

QSize ScreenSize() {
    const QStringList Parts = X11::XDoTool({"getdisplaygeometry"}).split(' ');
    return Parts.size() == 2 ? QSize(Parts[0].toInt(), Parts[1].toInt()) : QSize();
}

// A start second a few seconds ahead, far enough for the next poll to see the row.
QDateTime StartSecondAhead(int Seconds) {
    const QDateTime Now = QDateTime::currentDateTime().addSecs(Seconds);
    return QDateTime(Now.date(),
                     QTime(Now.time().hour(), Now.time().minute(), Now.time().second()));
}

// The numbers of a root or window property, as xprop prints them ("NAME(CARDINAL) = 1, 2").
QList<int> PropertyNumbers(const QStringList &Where, const QString &Name) {
    QProcess P;
    P.start("xprop", Where + QStringList{Name});
    P.waitForFinished(5000);
    const QString Out = QString::fromUtf8(P.readAllStandardOutput());
    QList<int> Numbers;
    if (!Out.contains('='))
        return Numbers;
    for (const QString &N : Out.section('=', 1).split(',', Qt::SkipEmptyParts))
        Numbers << N.trimmed().toInt();
    return Numbers;
}

// The desktop less the tray host's strut along the bottom.
QRect WorkArea() {
    const QList<int> N = PropertyNumbers({"-root"}, "_NET_WORKAREA");
    return N.size() >= 4 ? QRect(N[0], N[1], N[2], N[3]) : QRect(QPoint(0, 0), ScreenSize());
}

// A window with its frame, as the window manager has framed it (left, right, top, bottom).
QRect OuterFrame(const QString &Window) {
    const QRect Client = X11::Geometry(Window);
    const QList<int> E = PropertyNumbers({"-id", Window}, "_NET_FRAME_EXTENTS");
    return E.size() == 4 ? Client.marginsAdded(QMargins(E[0], E[2], E[1], E[3])) : Client;
}

// Whether every reminder window is up and at rest wholly inside the work area, stacked from its
// bottom right corner: the first on the corner, each further one a window higher. Says why not.
bool RemindersAtRest(int Count, QString &Why) {
    const QRect Work = WorkArea();
    const QStringList Windows = X11::FindWindows("提醒");
    if (Windows.size() != Count) {
        Why = QString("%1 windows").arg(Windows.size());
        return false;
    }
    QList<int> Bottoms;
    int Height = 0;
    for (const QString &W : Windows) {
        const QRect R = OuterFrame(W);
        Why = QString("frame %1,%2 %3x%4 in work area %5,%6 %7x%8")
                  .arg(R.x())
                  .arg(R.y())
                  .arg(R.width())
                  .arg(R.height())
                  .arg(Work.x())
                  .arg(Work.y())
                  .arg(Work.width())
                  .arg(Work.height());
        if (!Work.contains(R) || R.right() != Work.right())
            return false;
        Bottoms << R.bottom();
        Height = R.height();
    }
    std::sort(Bottoms.begin(), Bottoms.end(), std::greater<int>());
    for (int I = 0; I < Bottoms.size(); ++I)
        if (Bottoms[I] != Work.bottom() - I * Height) {
            Why = QString("bottom %1 of a stack from %2").arg(Bottoms[I]).arg(Work.bottom());
            return false;
        }
    return true;
}

// Processes that keep the processor busy beside the program, ended with the object.
class TBusyLoops {
public:
    explicit TBusyLoops(int Count) {
        for (int I = 0; I < Count; ++I) {
            FLoops.push_back(std::make_unique<QProcess>());
            FLoops.back()->start("sh", {"-c", "while :; do :; done"});
            FLoops.back()->waitForStarted();
        }
    }
    ~TBusyLoops() {
        for (auto &P : FLoops) {
            P->kill();
            P->waitForFinished(5000);
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> FLoops;
};

// libfaketime, looked for where the system keeps it for its own architecture; empty when absent.
QString FakeTimeLibrary() {
    for (const QString &Lib : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (QFile::exists("/usr/lib/" + Lib + "/faketime/libfaketime.so.1"))
            return "/usr/lib/" + Lib + "/faketime/libfaketime.so.1";
    return QFile::exists("/usr/lib/faketime/libfaketime.so.1")
               ? QString("/usr/lib/faketime/libfaketime.so.1")
               : QString();
}

// Sets how far the program's time of day is from the real one, in whole seconds.
bool SetFakeOffset(const QString &File, qint64 Seconds) {
    QFile Out(File);
    if (!Out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return Out.write(QString("%1%2\n").arg(Seconds < 0 ? "" : "+").arg(Seconds).toUtf8()) > 0;
}

// Waits until a reminder window that is not among Known is up; its id, or empty.
QString WaitForNewReminder(QStringList &Known, int TimeoutMs) {
    QElapsedTimer Watch;
    Watch.start();
    while (Watch.elapsed() < TimeoutMs) {
        for (const QString &W : X11::FindWindows("提醒"))
            if (!Known.contains(W)) {
                Known << W;
                return W;
            }
        QTest::qWait(50);
    }
    return {};
}

// A file name of its own: the single-instance guard is per file name, and another copy of the
// program may be running on the same machine.
QString ExeName() {
    return QString("qingchuan-tasks-%1").arg(QCoreApplication::applicationPid());
}

} // namespace

class tst_E2ETasks : public QObject {
    Q_OBJECT

private slots:
    void dailyTaskComesUpAtItsSecond() {
        TAppProcess App(ExeName());
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        QVERIFY(X11::FindWindows("提醒").isEmpty());
        const QDateTime Start = StartSecondAhead(3);
        {
            TTaskTable Rows(App.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("站起来走走", Start.date(), Start.time(), "每天", "定时提醒",
                                 "每小时一次")
                         .isEmpty());
        }
        const QString Window = X11::WaitForWindow("提醒", 10000);
        const QDateTime Seen = QDateTime::currentDateTime();
        QVERIFY(!Window.isEmpty());
        const qint64 Late = Start.msecsTo(Seen);
        QVERIFY2(Late >= -100 && Late < 1000, qPrintable(QString("%1 ms after").arg(Late)));

        // At rest on the bottom right corner of the work area.
        QCOMPARE(X11::Geometry(Window).size(), QSize(255, 159));
        QString Why;
        QTRY_VERIFY2_WITH_TIMEOUT(RemindersAtRest(1, Why), qPrintable(Why), 5000);
    }

    // On a busy machine, time after time, each reminder comes up visibly and rests wholly on
    // the screen, whenever the window manager gets round to framing it: first three due in the
    // same second (stacked), then single ones.
    void remindersRestOnTheScreenUnderLoad() {
        TBusyLoops Busy(4);
        TAppProcess App(ExeName());
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        TTaskTable Rows(App.Dir() + "DB.mdb");
        const QDateTime Burst = StartSecondAhead(3);
        for (const char *Name : {"一", "二", "三"})
            QVERIFY(!Rows.Insert(Name, Burst.date(), Burst.time()).isEmpty());
        QString Why;
        QTRY_VERIFY2_WITH_TIMEOUT(RemindersAtRest(3, Why), qPrintable(Why), 10000);
        // Still there a second later: nothing moved them away. A late placement by the window
        // manager lands within a few of its event turns, and the windows check their place every
        // 100 ms, so ten of those checks have run by then.
        QTest::qWait(1000);
        QVERIFY2(RemindersAtRest(3, Why), qPrintable(Why));
        const QStringList BurstWindows = X11::FindWindows("提醒");
        QVERIFY(X11::WaitForNoWindow("提醒", 15000));

        const int Below = ScreenSize().height();
        QStringList Old = BurstWindows;
        for (int Round = 0; Round < 2; ++Round) {
            const QDateTime Start = StartSecondAhead(3);
            QVERIFY(
                !Rows.Insert(QString("第%1次").arg(Round), Start.date(), Start.time()).isEmpty());
            // This round's window, not one of an earlier round still sinking away.
            QString Window;
            QElapsedTimer Watch;
            Watch.start();
            while (Window.isEmpty() && Watch.elapsed() < 10000)
                for (const QString &W : X11::FindWindows("提醒"))
                    if (!Old.contains(W))
                        Window = W;
            QVERIFY(!Window.isEmpty());
            Old << Window;
            // On its way up it is seen part-way: the slide takes about 0.6 s. Its top is read
            // as fast as xwininfo answers until it is wholly on the screen and has stayed put
            // four times.
            QList<int> Tops;
            Watch.restart();
            while (Watch.elapsed() < 5000 && !(Tops.size() >= 4 && Tops.last() < Below - 159 &&
                                               Tops.mid(Tops.size() - 4).count(Tops.last()) == 4))
                Tops << X11::Geometry(Window).top();
            QVERIFY(!Tops.isEmpty());
            const int Rest = Tops.last();
            QString Seen;
            for (int Top : Tops)
                Seen += QString::number(Top) + " ";
            QVERIFY2(std::any_of(Tops.begin(), Tops.end(),
                                 [&](int Top) { return Top > Rest + 8 && Top < Below; }),
                     qPrintable(Seen));
            QTRY_VERIFY2_WITH_TIMEOUT(RemindersAtRest(1, Why), qPrintable(Why), 5000);
            QVERIFY(X11::WaitForNoWindow("提醒", 15000));
        }
        QVERIFY(App.IsRunning());
    }

    // The program's time of day set back two minutes just after a reminder, then on again to
    // just before that reminder's second: the clock passes the same second twice, and the
    // reminder comes once. The program runs under libfaketime, its elapsed clock untouched.
    void setBackOverADueSecondRemindsOnce() {
        const QString Lib = FakeTimeLibrary();
        QVERIFY2(!Lib.isEmpty(), "libfaketime is not installed (scripts/setup.sh installs it)");
        TAppProcess App(ExeName());
        const QString Offset = App.Dir() + "faketime.rc";
        QVERIFY(SetFakeOffset(Offset, 0));
        App.SetEnv("LD_PRELOAD", Lib);
        App.SetEnv("FAKETIME_TIMESTAMP_FILE", Offset);
        App.SetEnv("FAKETIME_NO_CACHE", "1");
        App.SetEnv("FAKETIME_DONT_FAKE_MONOTONIC", "1");
        // A sanitized build wants its runtime first among the preloaded libraries; libfaketime
        // before it is harmless, since neither replaces what the other does.
        App.SetEnv("ASAN_OPTIONS",
                   qEnvironmentVariable("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        TTaskTable Rows(App.Dir() + "DB.mdb");
        const auto Insert = [&](const char *Name, const QDateTime &At) {
            return !Rows.Insert(Name, At.date(), At.time(), "每天").isEmpty();
        };
        // The program's time is the real time plus the offset.
        const QDateTime Due = StartSecondAhead(3);
        QVERIFY(Insert("第一次", Due));
        QStringList Known;
        QVERIFY(!WaitForNewReminder(Known, 10000).isEmpty());

        // Back by two minutes. A task due in the program's next seconds shows that it has
        // polled on the time set back.
        QVERIFY(SetFakeOffset(Offset, -120));
        QVERIFY(Insert("往回调之后", StartSecondAhead(3).addSecs(-120)));
        QVERIFY(!WaitForNewReminder(Known, 10000).isEmpty());

        // On again to two seconds before the first task's second, with a task three seconds
        // after it. Every reminder window that comes up is collected until two seconds past
        // that task's second: a reminder comes up within a second of its own (the first did), so
        // by then its window is up, and a repeat of the first, due three seconds earlier, too.
        const qint64 Ahead = QDateTime::currentDateTime().secsTo(Due) - 2;
        QVERIFY(SetFakeOffset(Offset, Ahead));
        QVERIFY(Insert("之后", Due.addSecs(3)));
        // At most three reminder windows are up at once and the first two rest until about ten
        // seconds after their second: a repeat would take the third place and the last task
        // would wait for the first window to go, so the watch lasts until that has gone too.
        const QDateTime Until = std::max(Due.addSecs(3 + 2 - Ahead), Due.addSecs(15)); // real
        int Came = 0;
        while (QDateTime::currentDateTime() < Until)
            Came += WaitForNewReminder(Known, 100).isEmpty() ? 0 : 1;
        QVERIFY2(Came > 0, "the task after the first did not come");
        QVERIFY2(Came == 1, "the first reminder came again");
        QVERIFY(App.IsRunning());
    }

    // A task's target runs in the environment the user started the program with: not on
    // XWayland because the program's own windows are, and without the launcher's start-up
    // token, which was the program's alone.
    void aTaskTargetGetsTheUsersEnvironment() {
        // A bus of the test's own without portals: the session below is a Wayland one, and no
        // portal of the developer's may answer.
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());
        const TEnvSet Token("DESKTOP_STARTUP_ID", "qc-launcher-token");
        const TEnvSet Mark("QC_USER_SETTING", "kept");
        const TEnvSet Flags("QTWEBENGINE_CHROMIUM_FLAGS", nullptr);
        TAppProcess App(ExeName());
        App.AsOnWayland(); // the program sets QT_QPA_PLATFORM=xcb for itself there
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        const QString Script = App.Dir() + "dump-env";
        const QString Out = App.Dir() + "env.out";
        QFile F(Script);
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write(("#!/bin/sh\nenv > '" + Out + ".tmp' && mv '" + Out + ".tmp' '" + Out + "'\n")
                    .toUtf8());
        F.close();
        QFile::setPermissions(Script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QDateTime Start = StartSecondAhead(3);
        {
            TTaskTable Rows(App.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("环境", Start.date(), Start.time(), "每天", "定时执行", "", Script)
                         .isEmpty());
        }
        // The reminder rests ten seconds before it carries out its action.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Out), 30000);
        QFile Env(Out);
        QVERIFY(Env.open(QIODevice::ReadOnly));
        const QList<QByteArray> Lines = Env.readAll().split('\n');
        QVERIFY(Lines.contains("QC_USER_SETTING=kept"));
        QVERIFY(Lines.contains("XDG_SESSION_TYPE=wayland"));
        for (const QByteArray &Line : Lines)
            for (const char *Gone :
                 {"QT_QPA_PLATFORM=", "DESKTOP_STARTUP_ID=", "QTWEBENGINE_CHROMIUM_FLAGS="})
                QVERIFY2(!Line.startsWith(Gone), Line.constData());
    }
};

QTEST_MAIN(tst_E2ETasks)
#include "tst_e2e_tasks.moc"
