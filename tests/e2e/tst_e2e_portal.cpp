// The whole program with its web engine: the engine comes up when a window with a browser is first
// shown, from the library beside the program, and keeps running.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QTest>

#include "AppProcess.h"

namespace {

// Numbers of an X property of a window (or of the root window), as xprop prints them.
QList<int> XProp(const QString &Window, const char *Property) {
    QProcess P;
    QStringList Args = Window.isEmpty() ? QStringList{"-root"} : QStringList{"-id", Window};
    P.start("xprop", Args << Property);
    P.waitForFinished(5000);
    const QString Out = QString::fromUtf8(P.readAllStandardOutput()).section('=', 1);
    QList<int> Numbers;
    for (const QString &Part : Out.split(',', Qt::SkipEmptyParts))
        Numbers << Part.trimmed().toInt();
    return Numbers;
}

} // namespace

class tst_E2EPortal : public QObject {
    Q_OBJECT
private slots:
    void EngineStartsWithTheFirstShowingAndStays();
    void RunsOnWithoutTheEngine();
    void LoginFromTheTrayMenuShowsThePortal();
};

void tst_E2EPortal::EngineStartsWithTheFirstShowingAndStays() {
    TAppProcess App;
    QVERIFY2(QFile::exists(App.Dir() + "libqc_webview.so"),
             "the engine's library is beside the program");
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    // The portal hotkey shows the portal window; its page brings up the engine's page process.
    QVERIFY(!X11::WaitForTrayIcon(App.Process().processId()).isEmpty());
    X11::XDoTool({"key", "ctrl+alt+q"});
    QElapsedTimer Clock;
    Clock.start();
    bool Engine = false;
    while (!Engine && Clock.elapsed() < 15000 && App.IsRunning()) {
        Engine =
            ChildCommandLines(App.Process().processId()).join('\n').contains("QtWebEngineProcess");
        QTest::qWait(100);
    }
    QVERIFY2(Engine, qPrintable(App.Output()));
    // Without the graphics context it shares, the engine gives up as it draws its first page,
    // within a second of its process starting here; two seconds cover that.
    QTest::qWait(2000);
    const QString Output = App.Output() + QString::fromUtf8(App.Process().readAll());
    QVERIFY2(App.IsRunning(), qPrintable(Output));
    // The engine found the shared graphics context it needs (without it, it crashes).
    QVERIFY2(!Output.contains("initialized from a plugin"), qPrintable(Output));
    QVERIFY2(!Output.contains("OpenGL context creation failed"), qPrintable(Output));
}

void tst_E2EPortal::RunsOnWithoutTheEngine() {
    // Without the engine's library the portal's windows stay empty; nothing else is lost.
    TAppProcess App;
    QVERIFY(QFile::remove(App.Dir() + "libqc_webview.so"));
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    // The portal window's first showing tries the engine, and says when it is not there.
    QVERIFY(!X11::WaitForTrayIcon(App.Process().processId()).isEmpty());
    X11::XDoTool({"key", "ctrl+alt+q"});
    QVERIFY(!X11::WaitForWindow("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口").isEmpty());
    QString Output = App.Output();
    QTRY_VERIFY2_WITH_TIMEOUT(
        (Output += QString::fromUtf8(App.Process().readAll())).contains("web engine not loaded"),
        qPrintable(Output), 10000);
    QVERIFY2(App.IsRunning(), qPrintable(Output));
    QVERIFY(
        !ChildCommandLines(App.Process().processId()).join('\n').contains("QtWebEngineProcess"));
}

void tst_E2EPortal::LoginFromTheTrayMenuShowsThePortal() {
    TAppProcess App;
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    // Its icon in the tray host; a right click on it opens the menu.
    const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
    QVERIFY(!Icon.isEmpty());
    QVERIFY(X11::ClickOn(Icon, 3));
    // Keys pressed before the menu has the keyboard would be lost on a loaded machine.
    QVERIFY(!X11::WaitForTallWindowOf(App.Process().processId()).isEmpty());
    QTRY_VERIFY(X11::KeyboardGrabbed());
    // 显示主窗体, 隐藏主窗体, 常用功能, 网络游戏 -> its first entry, 闯荡江湖.
    X11::XDoTool({"key", "--delay", "80", "Down", "Down", "Down", "Down", "Right", "Return"});

    // The program's title: its file name up to the first dot.
    const QString Title = QFileInfo(App.ExePath()).fileName().section('.', 0, 0);
    const QString Box = X11::WaitForWindow(Title);
    QVERIFY2(!Box.isEmpty(), "the hint box, titled with the program's title");
    // A plain key to the focused box: sent with --window, xdotool presses it for real while the
    // box has the focus but sends the release as a bare event once the box has closed on the
    // press, and the X server then holds Return down for whatever runs next.
    X11::XDoTool({"windowactivate", "--sync", Box});
    X11::XDoTool({"key", "Return"});
    const QString Portal = X11::WaitForWindow("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");
    QVERIFY(!Portal.isEmpty());
    QVERIFY(X11::WaitForNoWindow(Title));

    // 1000 x 730 with the window manager's frame, centred on the work area; the window manager
    // frames and places it a moment after it is mapped.
    const QList<int> Work = XProp({}, "_NET_WORKAREA"); // x, y, width, height
    QVERIFY(Work.size() >= 4);
    const QRect Expected(Work[0] + (Work[2] - 1000) / 2, Work[1] + (Work[3] - 730) / 2, 1000, 730);
    const auto Outer = [&] {
        const QList<int> Frame = XProp(Portal, "_NET_FRAME_EXTENTS"); // left, right, top, bottom
        if (Frame.size() != 4)
            return QRect();
        return X11::Geometry(Portal).adjusted(-Frame[0], -Frame[2], Frame[1], Frame[3]);
    };
    QTRY_COMPARE_WITH_TIMEOUT(Outer(), Expected, 10000);
    QVERIFY(App.IsRunning());
}

QTEST_GUILESS_MAIN(tst_E2EPortal)
#include "tst_e2e_portal.moc"
