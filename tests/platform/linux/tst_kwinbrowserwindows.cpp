// Browser windows on KDE Plasma's KWin: minimised and restored through KWin scripting over D-Bus,
// on a virtual KWin of the test's own with Qt windows on Wayland as the browsers.
#include <QTest>
#include <cstring>

#include "CompositorBed.h"
#include "PortalBed.h"
#include "platform/linux/KWinBrowserWindows.h"

using platform::linux_::TKWinBrowserWindows;

using platform::TBrowserReach;

namespace {

// KWin maps a new window within a second here; this leaves room for a loaded machine.
constexpr int WaitMs = 20000;

using TWindows = std::map<QString, QString>;

} // namespace

class tst_KWinBrowserWindows : public QObject {
    Q_OBJECT

private slots:
    // The browsers are minimised and restored; the other window and a browser the user
    // minimised stay as they were.
    void minimisesAndRestoresOnlyBrowsersItHid() {
        TPortalBed Bus;
        TCompositorBed Bed;
        const QString Why = Bed.StartKWin(Bus);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        TKWinBrowserWindows Windows(Bus.BusAddress());
        QVERIFY(Windows.Present());
        // With no window there is nothing on the desktop, and hiding is still done.
        QVERIFY(!Windows.AnyOnDesktop());

        for (const char *AppId : {"firefox", "chromium", "org.example.notes"})
            QVERIFY(Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", AppId}));
        QTRY_COMPARE_WITH_TIMEOUT(Bed.KWinWindows().size(), size_t(3), WaitMs);
        Bed.KWinScript("for (let i = 0; i < l.length; i++)"
                       "    if (l[i].resourceClass == 'chromium') l[i].minimized = true;");
        QCOMPARE(Bed.KWinWindows(), (TWindows{{"firefox", "shown"},
                                              {"chromium", "minimized"},
                                              {"org.example.notes", "shown"}}));

        QVERIFY(Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        QCOMPARE(Bed.KWinWindows(), (TWindows{{"firefox", "minimized"},
                                              {"chromium", "minimized"},
                                              {"org.example.notes", "shown"}}));
        // The one the user minimised is still the user's to bring back.
        QVERIFY(Windows.AnyOnDesktop());
        QCOMPARE(Windows.Apply(true), TBrowserReach::Done);
        QCOMPARE(Bed.KWinWindows(), (TWindows{{"firefox", "shown"},
                                              {"chromium", "minimized"},
                                              {"org.example.notes", "shown"}}));
    }

    // An X11 browser under XWayland is the X11 backend's: KWin's script leaves it shown.
    void leavesX11Browsers() {
        TPortalBed Bus;
        TCompositorBed Bed;
        const QString Why = Bed.StartKWin(Bus, true);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QVERIFY(Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "firefox"}));
        QVERIFY(
            Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "chromium"}, true));
        QTRY_COMPARE_WITH_TIMEOUT(Bed.KWinWindows().size(), size_t(2), WaitMs);
        TKWinBrowserWindows Windows(Bus.BusAddress());

        QCOMPARE(Windows.Apply(false), TBrowserReach::Done);
        QCOMPARE(Bed.KWinWindows(), (TWindows{{"firefox", "minimized"}, {"chromium", "shown"}}));
        QCOMPARE(Windows.Apply(true), TBrowserReach::Done);
        QCOMPARE(Bed.KWinWindows(), (TWindows{{"firefox", "shown"}, {"chromium", "shown"}}));
    }

    // Without KWin on the bus there is no way, and nothing waits for an answer.
    void noKWinNoWay() {
        TPortalBed Bus;
        const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        TKWinBrowserWindows Windows(Bus.BusAddress());
        QVERIFY(!Windows.Present());
        QCOMPARE(Windows.Apply(false), TBrowserReach::NoAnswer);
        QVERIFY(!Windows.AnyOnDesktop());
    }
};

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return TCompositorBed::RunStandIn(argc, argv);
    QCoreApplication App(argc, argv);
    tst_KWinBrowserWindows Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_kwinbrowserwindows.moc"
