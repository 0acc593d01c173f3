// Browser windows on sway: hidden to the scratchpad and brought back tiled, through sway's own
// IPC on a headless sway of the test's own, with Qt windows on Wayland as the browsers.
#include <QProcess>
#include <QTest>
#include <cstring>

#include "CompositorBed.h"
#include "TestSupport.h"
#include "platform/linux/SwayBrowserWindows.h"
#include "platform/linux/WaylandBrowserWindows.h"
#include "platform/linux/XcbBrowserWindows.h"

using platform::linux_::TSwayBrowserWindows;
using platform::linux_::TWaylandBrowserWindows;
using platform::linux_::TXcbBrowserWindows;

using platform::TBrowserReach;

namespace {

// Sway maps a new window within a second here; this leaves room for a loaded machine.
constexpr int WaitMs = 20000;

// Run as a child of the test, as the user of sway's X server (which takes no other): the X11
// backend on Display, "hide", "show" or "any"; exit code 0 for done (or any on the desktop).
int RunX11(const char *Display, const char *What) {
    TXcbBrowserWindows Windows(Display);
    if (std::strcmp(What, "any") == 0)
        return Windows.AnyOnDesktop() ? 0 : 1;
    return Windows.Apply(std::strcmp(What, "show") == 0) == TBrowserReach::Done ? 0 : 1;
}

// The X11 backend, each request made by a child run as sway's user.
class TX11AsNobody : public platform::IBrowserWindows {
public:
    explicit TX11AsNobody(QString Display) : FDisplay(std::move(Display)) {}
    TBrowserReach Apply(bool Show) override {
        return Run(Show ? "show" : "hide") == 0 ? TBrowserReach::Done : TBrowserReach::Unsupported;
    }
    bool AnyOnDesktop() override { return Run("any") == 0; }

private:
    int Run(const QString &What) {
        QProcess P;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.remove("XAUTHORITY");
        P.setProcessEnvironment(Env);
        P.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                            QCoreApplication::applicationFilePath(), "--x11", FDisplay, What});
        if (!P.waitForFinished(WaitMs) || P.exitStatus() != QProcess::NormalExit)
            return -1;
        return P.exitCode();
    }
    QString FDisplay;
};

} // namespace

class tst_SwayBrowserWindows : public QObject {
    Q_OBJECT

    QString Up(TCompositorBed &Bed, const QStringList &AppIds) {
        const QString Why = Bed.StartSway();
        if (!Why.isEmpty())
            return Why;
        for (const QString &AppId : AppIds)
            if (!Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", AppId}))
                return "cannot start a window";
        if (!QTest::qWaitFor([&] { return Bed.SwayViews().size() == size_t(AppIds.size()); },
                             WaitMs))
            return "the windows did not appear";
        return {};
    }

    using TViews = std::map<QString, QString>;

private slots:
    // The browser goes to the scratchpad and comes back tiled; the other window never moves.
    // Both halves of the session are asked: the X11 windows' backend and sway's.
    void hidesAndShowsOnlyBrowsers() {
        TCompositorBed Bed;
        const QString Why = Up(Bed, {"firefox", "org.example.notes"});
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        auto X11 = std::make_shared<TFakeBrowserWindows>();
        TWaylandBrowserWindows Windows(X11, Bed.SwaySocket());

        QVERIFY(Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        QCOMPARE(Bed.SwayViews(), (TViews{{"firefox", "hidden"}, {"org.example.notes", "tiled"}}));
        QVERIFY(!Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(true), TBrowserReach::Done);
        QCOMPARE(Bed.SwayViews(), (TViews{{"firefox", "tiled"}, {"org.example.notes", "tiled"}}));
        QVERIFY(Windows.AnyOnDesktop());
        QCOMPARE(X11->Calls, (std::vector<bool>{false, true}));
    }

    // A browser the user put in the scratchpad is the user's: hiding leaves it, showing does not
    // bring it out, and it still counts as on the desktop. A floating browser comes back
    // floating.
    void leavesWhatTheUserPutAway() {
        TCompositorBed Bed;
        const QString Why = Up(Bed, {"firefox", "chromium", "epiphany"});
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QCOMPARE(
            Bed.Run({"[app_id=chromium] move scratchpad", "[app_id=epiphany] floating enable"}), 0);
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "tiled"}, {"chromium", "hidden"}, {"epiphany", "floating"}}));
        TSwayBrowserWindows Windows(Bed.SwaySocket());

        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "hidden"}, {"chromium", "hidden"}, {"epiphany", "hidden"}}));
        QVERIFY(Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(true), TBrowserReach::Done);
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "tiled"}, {"chromium", "hidden"}, {"epiphany", "floating"}}));
    }

    // An X11 browser under XWayland is withdrawn the X11 way and mapped again; sway's half
    // leaves it alone, so it is never treated twice.
    void x11BrowsersGoTheX11Way() {
        TCompositorBed Bed;
        const QString Why = Bed.StartSway(true);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QVERIFY(Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "firefox"}));
        QVERIFY(
            Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "chromium"}, true));
        QTRY_COMPARE_WITH_TIMEOUT(Bed.SwayViews(),
                                  (TViews{{"firefox", "tiled"}, {"chromium", "tiled"}}), WaitMs);
        TWaylandBrowserWindows Windows(std::make_shared<TX11AsNobody>(Bed.X11Display()),
                                       Bed.SwaySocket());

        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        // Withdrawn, the X11 window leaves sway's tree.
        QTRY_COMPARE_WITH_TIMEOUT(Bed.SwayViews(), (TViews{{"firefox", "hidden"}}), WaitMs);
        QVERIFY(!Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(true), TBrowserReach::Done);
        QTRY_COMPARE_WITH_TIMEOUT(Bed.SwayViews(),
                                  (TViews{{"firefox", "tiled"}, {"chromium", "tiled"}}), WaitMs);
    }

    // A desktop that stopped answering is one that failed this time, not one without a way.
    void goneDesktopSaysSo() {
        TCompositorBed Bed;
        const QString Why = Bed.StartSway();
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        TSwayBrowserWindows Windows(Bed.SwaySocket());
        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        Bed.Stop();
        QCOMPARE(Windows.Apply(false), TBrowserReach::NoAnswer);
        QCOMPARE(Windows.Apply(true), TBrowserReach::NoAnswer);
        QVERIFY(!Windows.AnyOnDesktop());
    }
};

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return TCompositorBed::RunStandIn(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--x11") == 0)
        return RunX11(argv[2], argv[3]);
    QCoreApplication App(argc, argv);
    tst_SwayBrowserWindows Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_swaybrowserwindows.moc"
