// Browser windows on sway: hidden to the scratchpad and brought back tiled, through sway's own
// IPC on a headless sway of the test's own, with Qt windows on Wayland as the browsers.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstring>

#include "CompositorBed.h"
#include "TestSupport.h"
#include "platform/linux/SwayBrowserWindows.h"
#include "platform/linux/WaylandBrowserWindows.h"

using platform::linux_::TSwayBrowserWindows;
using platform::linux_::TWaylandBrowserWindows;

namespace {

// Sway maps a new window within a second here; this leaves room for a loaded machine.
constexpr int WaitMs = 20000;

// Run as a child of the test: a window whose Wayland app_id is AppId, until it is ended.
int RunWindow(int argc, char **argv) {
    QApplication App(argc, argv);
    QGuiApplication::setDesktopFileName(argv[2]);
    QWidget W;
    W.setWindowTitle(argv[2]);
    W.resize(300, 200);
    W.show();
    return App.exec();
}

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
        if (!Why.isEmpty() && Bed.Missing())
            QSKIP(qPrintable(Why));
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        auto X11 = std::make_shared<TFakeBrowserWindows>();
        TWaylandBrowserWindows Windows(X11, Bed.SwaySocket());

        QVERIFY(Windows.AnyOnDesktop());
        QVERIFY(Windows.Apply(false));
        QCOMPARE(Bed.SwayViews(), (TViews{{"firefox", "hidden"}, {"org.example.notes", "tiled"}}));
        QVERIFY(!Windows.AnyOnDesktop());
        QVERIFY(Windows.Apply(true));
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
        if (!Why.isEmpty() && Bed.Missing())
            QSKIP(qPrintable(Why));
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QCOMPARE(
            Bed.Run({"[app_id=chromium] move scratchpad", "[app_id=epiphany] floating enable"}), 0);
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "tiled"}, {"chromium", "hidden"}, {"epiphany", "floating"}}));
        TSwayBrowserWindows Windows(Bed.SwaySocket());

        QVERIFY(Windows.Apply(false));
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "hidden"}, {"chromium", "hidden"}, {"epiphany", "hidden"}}));
        QVERIFY(Windows.AnyOnDesktop());
        QVERIFY(Windows.Apply(true));
        QCOMPARE(Bed.SwayViews(),
                 (TViews{{"firefox", "tiled"}, {"chromium", "hidden"}, {"epiphany", "floating"}}));
    }

    // A desktop that stopped answering is a desktop that gives no way.
    void goneDesktopSaysSo() {
        TCompositorBed Bed;
        const QString Why = Bed.StartSway();
        if (!Why.isEmpty() && Bed.Missing())
            QSKIP(qPrintable(Why));
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        TSwayBrowserWindows Windows(Bed.SwaySocket());
        QVERIFY(Windows.Apply(false));
        Bed.Stop();
        QVERIFY(!Windows.Apply(false));
        QVERIFY(!Windows.Apply(true));
        QVERIFY(!Windows.AnyOnDesktop());
    }
};

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return RunWindow(argc, argv);
    QCoreApplication App(argc, argv);
    tst_SwayBrowserWindows Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_swaybrowserwindows.moc"
