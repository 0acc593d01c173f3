// Capture on a Wayland session: the desktop portal's Screenshot on a real headless sway session
// (sway, pipewire, xdg-desktop-portal and its wlr backend, run as an unprivileged user by
// sway_stack.sh), compared with grim's pixels; sway's window tree over its IPC socket; and the
// portal's absence, on a bus of the test's own.
//
// The portal answers only callers whose /proc entry it can open, so the calls on the sway
// session are made by this same program run as the session's user ("--shoot"), and the window
// it asks sway about is this program too ("--window").
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>

#include "PortalBed.h"
#include "Require.h"
#include "TestSupport.h"
#include "camera/CameraDll.h"
#include "camera/ScreenSource.h"
#include "camera/linux/PortalScreenshot.h"
#include "camera/linux/SwayTree.h"
#include "camera/linux/SwayWindowFinder.h"

namespace {

const QString User = QStringLiteral("qcwayland");
const QSize OutputSize(1280, 720);

// A background no two neighbouring pixels of which are alike, so that a shifted or scaled
// picture cannot pass for the right one.
QImage Pattern(const QSize &Size) {
    QImage Image(Size, QImage::Format_RGB32);
    for (int Y = 0; Y < Size.height(); ++Y)
        for (int X = 0; X < Size.width(); ++X)
            Image.setPixel(X, Y,
                           qRgb((X * 7 + Y * 3) & 255, (X * 13 + Y * 29) & 255, (X ^ Y) & 255));
    return Image;
}

// "--shoot FILE": the portal's picture saved to FILE; the message for the user on failure.
int Shoot(int Argc, char **Argv) {
    QGuiApplication App(Argc, Argv);
    try {
        const QImage Image = camera::TakePortalScreenshot(QDBusConnection::sessionBus(), 10000);
        return Image.save(QString::fromLocal8Bit(Argv[2]), "PNG") ? 0 : 2;
    } catch (const camera::TCaptureFailure &E) {
        std::fputs(E.what(), stdout);
        return 1;
    }
}

// "--capture MANNER OUT X Y [X2 Y2]": a capture by the library in this process, shown on the
// session's XWayland. Once the frozen screen is up, the pointer goes to X,Y ("window") or drags
// from X,Y to X2,Y2 ("area", or "window-area" for a window pick that falls back to a region),
// then Enter takes the outline. Prints the capture's result, hint,
// outline and failure; the clipboard's image goes to OUT. "spy" drags the crosshair to X,Y and
// lets go there; "wait" only says when the frozen screen is up. "area-hold" is "area" that then
// keeps serving the clipboard, says so in OUT.done, and ends once OUT.stop exists.
int CaptureOnce(int Argc, char **Argv) {
    QApplication App(Argc, Argv);
    const QByteArray Manner = Argv[2];
    const QPoint From(atoi(Argv[4]), atoi(Argv[5]));
    const QPoint To = Argc > 7 ? QPoint(atoi(Argv[6]), atoi(Argv[7])) : From;
    QString Hint;
    QRect Outline;
    static std::function<void()> Play;
    Play = [&] {
        QWidget *Overlay = nullptr;
        for (QWidget *W : QApplication::topLevelWidgets())
            if (W->objectName() == "CameraOverlay" && W->isVisible())
                Overlay = W;
        if (!Overlay)
            return;
        Hint = Overlay->property("Hint").toString();
        if (Manner == "wait") {
            // The test's own keys are to end it: say that it is up.
            QFile(QString::fromLocal8Bit(Argv[3]) + ".shown").open(QIODevice::WriteOnly);
            return;
        }
        auto Send = [&](QEvent::Type Type, const QPoint &At, Qt::MouseButtons Buttons) {
            const QPoint Local = Overlay->mapFromGlobal(At);
            QMouseEvent E(Type, Local, Overlay->mapToGlobal(Local),
                          Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(Overlay, &E);
        };
        if (Manner == "spy") {
            // The crosshair picked up from its panel and let go over the window.
            const QPoint Target = Overlay->property("TargetCenter").toPoint();
            Send(QEvent::MouseButtonPress, Target, Qt::LeftButton);
            Send(QEvent::MouseMove, From, Qt::LeftButton);
            Outline = Overlay->property("Highlight").toRect();
            Send(QEvent::MouseButtonRelease, From, Qt::NoButton);
            return;
        }
        if (Manner.endsWith("area") || Manner == "area-hold") {
            Send(QEvent::MouseButtonPress, From, Qt::LeftButton);
            Send(QEvent::MouseMove, To, Qt::LeftButton);
            Send(QEvent::MouseButtonRelease, To, Qt::NoButton);
        } else {
            Send(QEvent::MouseMove, From, Qt::NoButton);
        }
        Outline = Overlay->property("Highlight").toRect();
        QKeyEvent Enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(Overlay, &Enter);
    };
    CameraSetShownHook([](void *) { QTimer::singleShot(0, [] { Play(); }); }, nullptr);
    // Should the pick never be taken, the capture gives up rather than leave this running.
    QTimer GiveUp;
    GiveUp.setSingleShot(true);
    bool GaveUp = false;
    QObject::connect(&GiveUp, &QTimer::timeout, [&GaveUp] {
        GaveUp = true;
        for (QWidget *W : QApplication::topLevelWidgets())
            if (W->objectName() == "CameraOverlay")
                W->close();
    });
    GiveUp.start(15000);
    const int32_t Result = Manner.startsWith("area") ? CameraSubArea()
                           : Manner == "spy"         ? CameraWindowLikeSpy()
                                                     : CameraWindow();
    const QString Out = QString::fromLocal8Bit(Argv[3]);
    if (Result == 1)
        QGuiApplication::clipboard()->image().save(Out, "PNG");
    std::printf("result=%d\nhint=%s\noutline=%d,%d,%d,%d\nfailure=%s\ngaveup=%d\n", Result,
                Hint.toUtf8().constData(), Outline.x(), Outline.y(), Outline.width(),
                Outline.height(), CameraLastFailure(), int(GaveUp));
    std::fflush(stdout);
    if (Manner != "area-hold")
        return 0;
    QFile(Out + ".done").open(QIODevice::WriteOnly);
    QTimer Stop;
    QObject::connect(&Stop, &QTimer::timeout, [&Out] {
        if (QFile::exists(Out + ".stop"))
            QCoreApplication::quit();
    });
    Stop.start(50);
    return App.exec();
}

// A window of one colour, so that its pixels do not depend on when they are read.
class TSolidWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent *) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), QColor(0, 128, 64));
    }
};

// "--window": a plain Wayland window that stays until it is ended.
int ShowWindow(int Argc, char **Argv) {
    QGuiApplication App(Argc, Argv);
    TSolidWindow W;
    W.resize(400, 300);
    W.show();
    return App.exec();
}

} // namespace

class tst_PortalScreenshot : public QObject {
    Q_OBJECT

    QTemporaryDir FTmp;
    QString FDir;
    QProcess FStack;
    QProcessEnvironment FSession;

    QString Session(const char *Name) const { return FSession.value(Name); }

    // Runs Program as the session's user with the session's variables; its exit code.
    int RunAsUser(const QStringList &Command, QByteArray *Out = nullptr,
                  const QStringList &Extra = {}) {
        QProcess P;
        QStringList Args{"-u", User, "--", "env"};
        for (const QString &Name : FSession.keys())
            Args << Name + "=" + FSession.value(Name);
        Args << "QT_QPA_PLATFORM=offscreen" << Extra;
        QStringList Run = Command;
        if (!Run.isEmpty() && Run.first() == QCoreApplication::applicationFilePath()) {
            // The build tree may lie where the session's user cannot reach (a private temporary
            // folder): this program and the capture library run from a copy in the test's folder.
            Run.first() = UserCopy();
            Args << "LD_LIBRARY_PATH=" + QFileInfo(Run.first()).path();
        }
        Args << Run;
        P.start("runuser", Args);
        if (!P.waitForFinished(30000))
            return -1;
        if (Out)
            *Out = P.readAllStandardOutput();
        return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    }

    QString UserCopy() { return CopyOfThisProgram(FTmp.path() + "/bin"); }

    // Wayland windows of this program, started on the session; they end with the test.
    std::vector<std::unique_ptr<QProcess>> FWindows;
    void OpenWindows(size_t Count) {
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("XDG_RUNTIME_DIR", Session("XDG_RUNTIME_DIR"));
        Env.insert("WAYLAND_DISPLAY", Session("WAYLAND_DISPLAY"));
        Env.insert("QT_QPA_PLATFORM", "wayland");
        for (size_t I = 0; I < Count; ++I) {
            auto &W = FWindows.emplace_back(std::make_unique<QProcess>());
            W->setProcessEnvironment(Env);
            W->start(QCoreApplication::applicationFilePath(), {"--window"});
            QVERIFY(W->waitForStarted());
        }
    }
    void CloseWindows() {
        for (auto &W : FWindows) {
            W->kill();
            W->waitForFinished();
        }
        FWindows.clear();
        // Gone from the screen before the next test looks at it.
        QTRY_VERIFY_WITH_TIMEOUT(
            camera::SwayTreeWindows(camera::SwayGetTree(Session("SWAYSOCK"), 5000)).empty(), 10000);
    }

    // The shell of the window sway gives the keyboard to ("xdg_shell": a Wayland client,
    // "xwayland": an X11 one); empty for none.
    QString FocusedShell() {
        const QByteArray Tree = camera::SwayGetTree(Session("SWAYSOCK"), 5000);
        std::function<QString(const QJsonObject &)> Find = [&](const QJsonObject &Node) {
            if (Node.value("focused").toBool() && Node.contains("shell"))
                return Node.value("shell").toString();
            for (const char *Key : {"nodes", "floating_nodes"})
                for (const QJsonValue Child : Node.value(Key).toArray())
                    if (const QString Shell = Find(Child.toObject()); !Shell.isEmpty())
                        return Shell;
            return QString();
        };
        return Find(QJsonDocument::fromJson(Tree).object());
    }

private Q_SLOTS:
    void initTestCase() {
        for (const QString &Program :
             {QStringLiteral("/usr/bin/sway"), QStringLiteral("/usr/bin/grim"),
              QStringLiteral("/usr/bin/pipewire"),
              QStringLiteral("/usr/libexec/xdg-desktop-portal"),
              QStringLiteral("/usr/libexec/xdg-desktop-portal-wlr")})
            QVERIFY2(QFile::exists(Program),
                     qPrintable(Program + " is not installed (scripts/setup.sh installs it)"));
        QVERIFY(FTmp.isValid());
        QFile::setPermissions(FTmp.path(), QFile::Permissions(0x7755));
        FDir = FTmp.path() + "/session";
        const QString Background = FTmp.path() + "/bg.png";
        QVERIFY(Pattern(OutputSize).save(Background));
        FStack.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FStack.start("bash", {QStringLiteral(QC_SWAY_STACK), FDir, User,
                              QString("%1x%2").arg(OutputSize.width()).arg(OutputSize.height()),
                              Background});
        QVERIFY(FStack.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(FDir + "/session.env") || FStack.state() == QProcess::NotRunning, 30000);
        QFile Env(FDir + "/session.env");
        QVERIFY2(Env.open(QIODevice::ReadOnly), "the sway session did not come up");
        for (const QByteArray &Line : Env.readAll().split('\n'))
            if (const int Eq = Line.indexOf('='); Eq > 0)
                FSession.insert(Line.left(Eq), Line.mid(Eq + 1));
        QVERIFY(!Session("SWAYSOCK").isEmpty());
    }

    void cleanup() {
        if (!FWindows.empty())
            CloseWindows();
    }

    void cleanupTestCase() {
        if (FStack.state() != QProcess::NotRunning) {
            // The script stops what it started on SIGTERM.
            FStack.terminate();
            FStack.waitForFinished(10000);
        }
    }

    void screenshotEqualsGrim() {
        const QString Shot = FDir + "/portal.png", Grim = FDir + "/grim.png",
                      GrimPart = FDir + "/grim-part.png";
        QByteArray Out;
        QCOMPARE(RunAsUser({QCoreApplication::applicationFilePath(), "--shoot", Shot}, &Out), 0);
        QCOMPARE(RunAsUser({"grim", Grim}), 0);
        const QRect Part(100, 50, 300, 200);
        QCOMPARE(RunAsUser({"grim", "-g",
                            QString("%1,%2 %3x%4")
                                .arg(Part.x())
                                .arg(Part.y())
                                .arg(Part.width())
                                .arg(Part.height()),
                            GrimPart}),
                 0);
        const QImage Portal = QImage(Shot).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(Portal.size(), OutputSize);
        QCOMPARE(Portal, QImage(Grim).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(Portal.copy(Part), QImage(GrimPart).convertToFormat(QImage::Format_RGB32));
        // The desktop's own pixels, not a black frame.
        QCOMPARE(Portal, Pattern(OutputSize));
    }

    void windowsFromSwayTree() {
        const QString Socket = Session("SWAYSOCK");
        // Nothing open yet: the tree reads, and holds no window.
        QByteArray Tree = camera::SwayGetTree(Socket, 5000);
        QVERIFY(!Tree.isEmpty());
        QVERIFY(camera::SwayTreeWindows(Tree).empty());

        std::vector<QRect> Windows;
        OpenWindows(1);
        // The only window is tiled over the whole output, its title bar included.
        QTRY_VERIFY_WITH_TIMEOUT(
            (Windows = camera::TSwayWindowFinder(Socket).TopLevelWindows()).size() == 1, 10000);
        QCOMPARE(Windows.front(), QRect(QPoint(0, 0), OutputSize));
        CloseWindows();
    }

    // The library's capture on the session: the frozen image from the portal, picked over in
    // the program's own overlay on XWayland; what reaches the clipboard is grim's pixels of the
    // outlined rectangle.
    void captureMatchesGrim_data() {
        QTest::addColumn<QString>("Manner");
        QTest::addColumn<QStringList>("Points");
        QTest::addColumn<bool>("Sway");
        QTest::addColumn<QRect>("Outline");
        QTest::addColumn<QString>("Hint");
        const QString Area = QStringLiteral("拖动鼠标选择截图区域，双击或回车确认，Esc或右键取消");
        QTest::newRow("area") << "area" << QStringList{"100", "50", "400", "250"} << true
                              << QRect(100, 50, 300, 200) << Area;
        // Two windows tiled side by side; the pointer over the right one.
        QTest::newRow("window on sway")
            << "window" << QStringList{"900", "300"} << true << QRect(640, 0, 640, 720)
            << QStringLiteral("移动鼠标选择窗口，单击确认，Esc或右键取消");
        QTest::newRow("window dragged to on sway")
            << "spy" << QStringList{"300", "500"} << true << QRect(0, 0, 640, 720)
            << QStringLiteral("按住准星拖到要截取的窗口上，松开即截取；Esc或右键取消");
        QTest::newRow("window where no window places are given")
            << "window-area" << QStringList{"700", "100", "1000", "400"} << false
            << QRect(700, 100, 300, 300)
            << QStringLiteral(
                   "此桌面不提供窗口位置，请拖动鼠标选择区域，双击或回车确认，Esc或右键取消");
    }
    void captureMatchesGrim() {
        QFETCH(QString, Manner);
        QFETCH(QStringList, Points);
        QFETCH(bool, Sway);
        QFETCH(QRect, Outline);
        QFETCH(QString, Hint);
        OpenWindows(2);
        QTRY_VERIFY_WITH_TIMEOUT(
            camera::SwayTreeWindows(camera::SwayGetTree(Session("SWAYSOCK"), 5000)).size() == 2,
            10000);
        // The new windows draw their first frames a moment after sway lists them: the screen has
        // settled once two shots in a row are the same.
        const QString Settle1 = FDir + "/settle1.png", Settle2 = FDir + "/settle2.png";
        QVERIFY(QTest::qWaitFor(
            [&] {
                return RunAsUser({"grim", Settle1}) == 0 && RunAsUser({"grim", Settle2}) == 0 &&
                       QImage(Settle1) == QImage(Settle2);
            },
            10000));
        const QString Shot = FDir + "/capture.png", Grim = FDir + "/capture-grim.png";
        QFile::remove(Shot);
        QByteArray Out;
        QStringList Extra{"QT_QPA_PLATFORM=xcb", "XDG_SESSION_TYPE=wayland"};
        if (!Sway)
            Extra << "SWAYSOCK=";
        QCOMPARE(RunAsUser(QStringList{QCoreApplication::applicationFilePath(), "--capture", Manner,
                                       Shot} +
                               Points,
                           &Out, Extra),
                 0);
        const QString Report = QString::fromUtf8(Out);
        QVERIFY2(Report.contains("result=1\n"), qPrintable(Report));
        QVERIFY2(Report.contains("hint=" + Hint + "\n"), qPrintable(Report));
        const QString OutlineText = QString("outline=%1,%2,%3,%4\n")
                                        .arg(Outline.x())
                                        .arg(Outline.y())
                                        .arg(Outline.width())
                                        .arg(Outline.height());
        QVERIFY2(Report.contains(OutlineText), qPrintable(Report));
        QCOMPARE(RunAsUser({"grim", "-g",
                            QString("%1,%2 %3x%4")
                                .arg(Outline.x())
                                .arg(Outline.y())
                                .arg(Outline.width())
                                .arg(Outline.height()),
                            Grim}),
                 0);
        const QImage Captured = QImage(Shot).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(Captured.size(), Outline.size());
        QCOMPARE(Captured, QImage(Grim).convertToFormat(QImage::Format_RGB32));
    }

    // A capture taken while a Wayland window has the keyboard reaches the clipboard of the
    // Wayland clients as well as of the X11 ones: sway lets an X11 client set it only while one
    // of its windows has the keyboard. wl-paste and xclip both get the picked pixels as PNG.
    void clipboardWithWaylandWindowFocused() {
        for (const QString Tool : {"/usr/bin/wl-paste", "/usr/bin/xclip"})
            QVERIFY2(QFile::exists(Tool), qPrintable(Tool + " is not installed"));
        OpenWindows(1);
        QTRY_VERIFY_WITH_TIMEOUT(FocusedShell() == "xdg_shell", 10000);
        const QString Out = FDir + "/hold.png";
        for (const QString &F : {Out, Out + ".done", Out + ".stop"})
            QFile::remove(F);
        QProcess Capture;
        QStringList Args{"-u", User, "--", "env"};
        for (const QString &Name : FSession.keys())
            Args << Name + "=" + FSession.value(Name);
        Args << "QT_QPA_PLATFORM=xcb"
             << "XDG_SESSION_TYPE=wayland"
             << "LD_LIBRARY_PATH=" + QFileInfo(UserCopy()).path() << UserCopy() << "--capture"
             << "area-hold" << Out << "100"
             << "50"
             << "400"
             << "250";
        Capture.start("runuser", Args);
        QVERIFY(Capture.waitForStarted());
        const auto Stop = qScopeGuard([&] {
            QFile(Out + ".stop").open(QIODevice::WriteOnly);
            Capture.waitForFinished(20000);
        });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Out + ".done"), 20000);
        const QImage Taken = QImage(Out).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(Taken.size(), QSize(300, 200));
        // The overlay gone, the Wayland window has the keyboard again.
        QTRY_VERIFY_WITH_TIMEOUT(FocusedShell() == "xdg_shell", 10000);
        QByteArray Types;
        QCOMPARE(RunAsUser({"wl-paste", "--list-types"}, &Types), 0);
        QVERIFY2(Types.split('\n').contains("image/png"), Types.constData());
        const QString FromWayland = FDir + "/hold-wl.png", FromX = FDir + "/hold-x.png";
        QCOMPARE(RunAsUser({"sh", "-c", "wl-paste --type image/png > " + FromWayland}), 0);
        QCOMPARE(QImage(FromWayland).convertToFormat(QImage::Format_RGB32), Taken);
        QCOMPARE(RunAsUser({"sh", "-c", "xclip -selection clipboard -t image/png -o > " + FromX}),
                 0);
        QCOMPARE(QImage(FromX).convertToFormat(QImage::Format_RGB32), Taken);
    }

    // Escape pressed on the session's keyboard ends a capture started while a Wayland window
    // has the focus.
    void escapeFromWaylandWindowCancels() {
        QC_REQUIRE_PROGRAM("wtype");
        OpenWindows(1);
        QTRY_VERIFY_WITH_TIMEOUT(
            camera::SwayTreeWindows(camera::SwayGetTree(Session("SWAYSOCK"), 5000)).size() == 1,
            10000);
        const QString Out = FDir + "/escape.png";
        QFile::remove(Out + ".shown");
        QProcess Capture;
        QStringList Args{"-u", User, "--", "env"};
        for (const QString &Name : FSession.keys())
            Args << Name + "=" + FSession.value(Name);
        Args << "QT_QPA_PLATFORM=xcb"
             << "XDG_SESSION_TYPE=wayland"
             << "LD_LIBRARY_PATH=" + QFileInfo(UserCopy()).path() << UserCopy() << "--capture"
             << "wait" << Out << "0"
             << "0";
        Capture.start("runuser", Args);
        QVERIFY(Capture.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Out + ".shown"), 10000);
        // wtype's first key can be lost while its virtual keyboard is set up: it waits first.
        QCOMPARE(RunAsUser({"wtype", "-s", "100", "-k", "Escape"}), 0);
        QVERIFY(Capture.waitForFinished(20000));
        const QString Report = QString::fromUtf8(Capture.readAllStandardOutput());
        QVERIFY2(Report.contains("result=0\n"), qPrintable(Report));
        // Not ended by the helper's own 15 s limit: the key did it.
        QVERIFY2(Report.contains("gaveup=0\n"), qPrintable(Report));
    }

    // A capture whose screens the desktop will not give ends at once with 0 and the reason,
    // without ever showing a frozen screen (no overlay, so no hint was read).
    void captureWithoutPortalFails() {
        QByteArray Out;
        QCOMPARE(RunAsUser({QCoreApplication::applicationFilePath(), "--capture", "area",
                            FDir + "/none.png", "10", "10", "50", "50"},
                           &Out,
                           {"QT_QPA_PLATFORM=xcb", "XDG_SESSION_TYPE=wayland",
                            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + FDir + "/no-such-bus"}),
                 0);
        const QString Report = QString::fromUtf8(Out);
        QVERIFY2(Report.contains("result=0\nhint=\n"), qPrintable(Report));
        QVERIFY2(Report.contains("failure=截图失败：无法连接到桌面会话总线。"), qPrintable(Report));
        QVERIFY(!QFile::exists(FDir + "/none.png"));
    }

    // With no portal on the bus, or none that offers Screenshot, the capture fails at once with
    // a sentence for the user instead of waiting or showing a black screen.
    void noScreenshotServiceFails_data() {
        QTest::addColumn<int>("Kind");
        QTest::newRow("no portal") << int(TPortalBed::TKind::NoPortal);
        QTest::newRow("portal without Screenshot") << int(TPortalBed::TKind::FakeNoShortcuts);
    }
    void noScreenshotServiceFails() {
        QFETCH(int, Kind);
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind(Kind));
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QElapsedTimer Clock;
        Clock.start();
        QString Message;
        try {
            camera::TakePortalScreenshot(Bed.Bus(), 20000);
        } catch (const camera::TCaptureFailure &E) {
            Message = QString::fromUtf8(E.what());
        }
        QCOMPARE(Message, QStringLiteral("截图失败：当前桌面没有提供截图服务。"));
        QVERIFY(Clock.elapsed() < 20000);
    }
};

int main(int Argc, char **Argv) {
    if (Argc == 3 && qstrcmp(Argv[1], "--shoot") == 0)
        return Shoot(Argc, Argv);
    if (Argc >= 6 && qstrcmp(Argv[1], "--capture") == 0)
        return CaptureOnce(Argc, Argv);
    if (Argc == 2 && qstrcmp(Argv[1], "--window") == 0)
        return ShowWindow(Argc, Argv);
    QGuiApplication App(Argc, Argv);
    tst_PortalScreenshot T;
    return QTest::qExec(&T, Argc, Argv);
}

#include "tst_portalscreenshot.moc"
