// The whole program waiting in the tray holds no web engine: no helper process, no engine
// library in its memory. The engine comes with the first showing of a window that has a browser.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "AppProcess.h"

namespace {

bool EngineProcess(qint64 Pid) {
    return ChildCommandLines(Pid).join('\n').contains("QtWebEngineProcess");
}

// Whether the process has the engine's library (or the program's own library around it) in its
// memory.
bool EngineMapped(qint64 Pid) {
    QFile Maps(QString("/proc/%1/maps").arg(Pid));
    if (!Maps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray Text = Maps.readAll();
    return Text.contains("libQt6WebEngineCore") || Text.contains("libqc_webview");
}

// A name of its own, so that no other copy of the program on this machine is "the first".
QString OwnName() {
    return "qc-e2e-webatrest-" + QString::number(QCoreApplication::applicationPid());
}

// Collects the program's output until Line (a whole line) has been written.
bool WaitForLine(TAppProcess &App, QString &Output, const QString &Line, int TimeoutMs = 30000) {
    const QRegularExpression Re("^" + QRegularExpression::escape(Line) + " \\d+$",
                                QRegularExpression::MultilineOption);
    return QTest::qWaitFor(
        [&] {
            Output += QString::fromUtf8(App.Process().readAll());
            return Re.match(Output).hasMatch();
        },
        TimeoutMs);
}

// Whether the portal's page is drawn in the window: its header band, dark brown, at the top left.
bool HeaderDrawn(const QString &Window) {
    QProcess Import;
    Import.start("import", {"-window", Window, "png:-"});
    if (!Import.waitForFinished(10000))
        return false;
    const QImage Shot = QImage::fromData(Import.readAllStandardOutput(), "PNG");
    if (Shot.width() < 20 || Shot.height() < 20)
        return false;
    const QColor C = Shot.pixelColor(10, 10);
    return C.red() < 160 && C.red() > C.blue() + 30;
}

} // namespace

class tst_E2EWebAtRest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void NoEngineWhileTheProgramWaitsInTheTray();
    void FirstShowingOfTheMainWindowLoadsTheStrip();
    void FirstShowingOfThePortalLoadsTheHomePage();
    void ThePortalIsDrawnWithoutOpenGL();
};

void tst_E2EWebAtRest::initTestCase() {
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "needs the test desktop (scripts/test.sh)");
    // The program says when a page has finished loading.
    qputenv("QINGCHUAN_REPORT_PAGES", "1");
}

void tst_E2EWebAtRest::NoEngineWhileTheProgramWaitsInTheTray() {
    TAppProcess App(OwnName());
    QVERIFY2(QFile::exists(App.Dir() + "libqc_webview.so"),
             "the engine's library is beside the program");
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    const qint64 Pid = App.Process().processId();
    QVERIFY(!X11::WaitForTrayIcon(Pid).isEmpty());
    // When the engine came with start-up, its process was there within two seconds of the icon
    // on a loaded machine; five seconds of looking, every 100 ms, covers that more than twice.
    QVERIFY(!QTest::qWaitFor([&] { return EngineProcess(Pid) || EngineMapped(Pid); }, 5000));
    QVERIFY(App.IsRunning());
    QCOMPARE(ChildCommandLines(Pid).size(), 0);
    QVERIFY2(!App.Output().contains("page "), qPrintable(App.Output()));
}

void tst_E2EWebAtRest::FirstShowingOfTheMainWindowLoadsTheStrip() {
    TAppProcess App(OwnName());
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    const qint64 Pid = App.Process().processId();
    const QString Icon = X11::WaitForTrayIcon(Pid);
    QVERIFY(!Icon.isEmpty());
    QVERIFY(!EngineMapped(Pid));
    // A double click on the icon shows the main window.
    QVERIFY(X11::ClickOn(Icon, 1, 2));
    QVERIFY(!X11::WaitForWindow("晴川助手(简易版)").isEmpty());
    QString Output = App.Output();
    QVERIFY2(WaitForLine(App, Output, "page loaded qrc:/portal/ad.html"), qPrintable(Output));
    QVERIFY(EngineMapped(Pid));
    QVERIFY(EngineProcess(Pid));
    // Only the strip: the portal window's page waits for that window.
    QVERIFY2(!Output.contains("qrc:/portal/index.html"), qPrintable(Output));
    QVERIFY(App.IsRunning());
}

void tst_E2EWebAtRest::FirstShowingOfThePortalLoadsTheHomePage() {
    TAppProcess App(OwnName());
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    const qint64 Pid = App.Process().processId();
    QVERIFY(!X11::WaitForTrayIcon(Pid).isEmpty());
    QVERIFY(!EngineMapped(Pid));
    X11::XDoTool({"key", "ctrl+alt+q"});
    QVERIFY(!X11::WaitForWindow("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口").isEmpty());
    QString Output = App.Output();
    QVERIFY2(WaitForLine(App, Output, "page loaded qrc:/portal/index.html"), qPrintable(Output));
    QVERIFY2(!Output.contains("qrc:/portal/ad.html"), qPrintable(Output));
    QVERIFY(EngineProcess(Pid));
    QVERIFY(App.IsRunning());
}

void tst_E2EWebAtRest::ThePortalIsDrawnWithoutOpenGL() {
    // A display that offers no OpenGL to the program, as under the sanitized suite.
    const QByteArray Before = qgetenv("QT_XCB_GL_INTEGRATION");
    const bool WasSet = qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    TAppProcess App(OwnName());
    const bool Started = App.Start();
    if (WasSet)
        qputenv("QT_XCB_GL_INTEGRATION", Before);
    else
        qunsetenv("QT_XCB_GL_INTEGRATION");
    QVERIFY2(Started, qPrintable(App.Output()));
    QVERIFY(!X11::WaitForTrayIcon(App.Process().processId()).isEmpty());
    X11::XDoTool({"key", "ctrl+alt+q"});
    const QString Window = X11::WaitForWindow("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");
    QVERIFY(!Window.isEmpty());
    QString Output = App.Output();
    QVERIFY2(WaitForLine(App, Output, "page loaded qrc:/portal/index.html"), qPrintable(Output));
    QTRY_VERIFY_WITH_TIMEOUT(HeaderDrawn(Window), 10000);
    QVERIFY2(App.IsRunning(), qPrintable(Output + QString::fromUtf8(App.Process().readAll())));
}

QTEST_GUILESS_MAIN(tst_E2EWebAtRest)
#include "tst_e2e_webatrest.moc"
