// The windows a capture can pick on KDE Plasma's KWin, from a virtual KWin of the test's own
// with Qt windows on Wayland: topmost first, a minimised one left out; and the parsing of the
// script's answer.
#include <QTest>
#include <cstring>

#include "CompositorBed.h"
#include "PortalBed.h"
#include "camera/linux/KWinWindowFinder.h"

namespace {

// KWin maps a new window within a second here; this leaves room for a loaded machine.
constexpr int WaitMs = 20000;

} // namespace

class tst_KWinWindowFinder : public QObject {
    Q_OBJECT

private slots:
    void answerParsing() {
        QCOMPARE(camera::KWinWindowRects("10 20 300 200;0 0 1280 800"),
                 (std::vector<QRect>{QRect(10, 20, 300, 200), QRect(0, 0, 1280, 800)}));
        // Negative places (a window partly off the left edge) are places; empty or malformed
        // entries are left out, the rest kept.
        QCOMPARE(camera::KWinWindowRects("-5 -30 100 50;1 2 3;a b c d;4 4 0 10;;7 8 9 10"),
                 (std::vector<QRect>{QRect(-5, -30, 100, 50), QRect(7, 8, 9, 10)}));
        QVERIFY(camera::KWinWindowRects("").empty());
        // Values no desktop has, whose sums would overflow a rectangle's arithmetic: left out,
        // the sane one beside them kept.
        QCOMPARE(camera::KWinWindowRects("2147483647 0 100 100;0 2147483647 1 1;"
                                         "-2147483648 -2147483648 2147483647 2147483647;"
                                         "0 0 2147483647 10;9223372036854775807 0 5 5;"
                                         "99999999999999999999 0 5 5;1e+21 0 5 5;"
                                         "0 0 -5 5;1048576 1048576 1048576 1048576"),
                 (std::vector<QRect>{QRect(1048576, 1048576, 1048576, 1048576)}));
    }

    void windowsTopmostFirst() {
        TPortalBed Bus;
        TCompositorBed Bed;
        const QString Why = Bed.StartKWin(Bus);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        camera::TKWinWindowFinder Finder(Bus.BusAddress());
        QVERIFY(Finder.Present());

        QVERIFY(Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "first"}));
        QTRY_COMPARE_WITH_TIMEOUT(Bed.KWinWindows().size(), size_t(1), WaitMs);
        QVERIFY(Bed.Launch(QCoreApplication::applicationFilePath(), {"--window", "second"}));
        QTRY_COMPARE_WITH_TIMEOUT(Bed.KWinWindows().size(), size_t(2), WaitMs);
        // Where KWin put each, read back by a script of the test's own.
        const auto Place = [&](const char *Class) {
            const QString A = Bed.KWinScript(
                QString("for (let i = 0; i < l.length; i++) if (l[i].resourceClass == '%1') {"
                        " const g = l[i].frameGeometry; answer = [g.x, g.y, g.width, g.height]"
                        ".map(Math.round).join(' '); }")
                    .arg(Class));
            const std::vector<QRect> R = camera::KWinWindowRects(A);
            return R.empty() ? QRect() : R.front();
        };
        const QRect First = Place("first"), Second = Place("second");
        QVERIFY(First.width() >= 300 && First.height() >= 200);
        // KWin raises a new window above the others: the one that came last is on top.
        QTRY_COMPARE_WITH_TIMEOUT(Finder.TopLevelWindows(), (std::vector<QRect>{Second, First}),
                                  WaitMs);

        // Raised again, the first is on top although it came first.
        Bed.KWinScript("for (let i = 0; i < l.length; i++) if (l[i].resourceClass == 'first') {"
                       " if (workspace.raiseWindow) workspace.raiseWindow(l[i]);"
                       " workspace.activeClient = l[i]; }");
        QTRY_COMPARE_WITH_TIMEOUT(Finder.TopLevelWindows(), (std::vector<QRect>{First, Second}),
                                  WaitMs);

        Bed.KWinScript("for (let i = 0; i < l.length; i++)"
                       "    if (l[i].resourceClass == 'first') l[i].minimized = true;");
        QCOMPARE(Finder.TopLevelWindows(), (std::vector<QRect>{Second}));
    }

    void noKWinNoWindows() {
        TPortalBed Bus;
        const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        camera::TKWinWindowFinder Finder(Bus.BusAddress());
        QVERIFY(!Finder.Present());
        QVERIFY(Finder.TopLevelWindows().empty());
    }
};

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return TCompositorBed::RunStandIn(argc, argv);
    QCoreApplication App(argc, argv);
    tst_KWinWindowFinder Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_kwinwindowfinder.moc"
