// Capture on a Wayland session: the desktop portal's Screenshot on a real headless sway session
// (sway, pipewire, xdg-desktop-portal and its wlr backend, run as an unprivileged user by
// sway_stack.sh), compared with grim's pixels; sway's window tree over its IPC socket; and the
// portal's absence, on a bus of the test's own.
//
// The portal answers only callers whose /proc entry it can open, so the calls on the sway
// session are made by this same program run as the session's user ("--shoot"), and the window
// it asks sway about is this program too ("--window").
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>

#include "PortalBed.h"
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

// "--window": a plain Wayland window that stays until it is ended.
int ShowWindow(int Argc, char **Argv) {
    QGuiApplication App(Argc, Argv);
    QRasterWindow W;
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
    QString FWhyNot;

    QString Session(const char *Name) const { return FSession.value(Name); }

    // Runs Program as the session's user with the session's variables; its exit code.
    int RunAsUser(const QStringList &Command, QByteArray *Out = nullptr) {
        QProcess P;
        QStringList Args{"-u", User, "--", "env"};
        for (const QString &Name : FSession.keys())
            Args << Name + "=" + FSession.value(Name);
        Args << "QT_QPA_PLATFORM=offscreen" << Command;
        P.start("runuser", Args);
        if (!P.waitForFinished(30000))
            return -1;
        if (Out)
            *Out = P.readAllStandardOutput();
        return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    }

    void NeedStack() {
        if (!FWhyNot.isEmpty())
            QSKIP(qPrintable(FWhyNot));
    }

private Q_SLOTS:
    void initTestCase() {
        for (const QString &Program :
             {QStringLiteral("/usr/bin/sway"), QStringLiteral("/usr/bin/grim"),
              QStringLiteral("/usr/bin/pipewire"),
              QStringLiteral("/usr/libexec/xdg-desktop-portal"),
              QStringLiteral("/usr/libexec/xdg-desktop-portal-wlr")})
            if (!QFile::exists(Program)) {
                FWhyNot = Program + " is not installed";
                return;
            }
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

    void cleanupTestCase() {
        if (FStack.state() != QProcess::NotRunning) {
            // The script stops what it started on SIGTERM.
            FStack.terminate();
            FStack.waitForFinished(10000);
        }
    }

    void screenshotEqualsGrim() {
        NeedStack();
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
        NeedStack();
        const QString Socket = Session("SWAYSOCK");
        // Nothing open yet: the tree reads, and holds no window.
        QByteArray Tree = camera::SwayGetTree(Socket, 5000);
        QVERIFY(!Tree.isEmpty());
        QVERIFY(camera::SwayTreeWindows(Tree).empty());

        QProcess Window;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("XDG_RUNTIME_DIR", Session("XDG_RUNTIME_DIR"));
        Env.insert("WAYLAND_DISPLAY", Session("WAYLAND_DISPLAY"));
        Env.insert("QT_QPA_PLATFORM", "wayland");
        Window.setProcessEnvironment(Env);
        Window.start(QCoreApplication::applicationFilePath(), {"--window"});
        QVERIFY(Window.waitForStarted());
        std::vector<QRect> Windows;
        // The only window is tiled over the whole output, its title bar included.
        QTRY_VERIFY_WITH_TIMEOUT(
            (Windows = camera::TSwayWindowFinder(Socket).TopLevelWindows()).size() == 1, 10000);
        QCOMPARE(Windows.front(), QRect(QPoint(0, 0), OutputSize));
        Window.kill();
        Window.waitForFinished();
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
        if (Bed.Missing())
            QSKIP(qPrintable(Why));
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
    if (Argc == 2 && qstrcmp(Argv[1], "--window") == 0)
        return ShowWindow(Argc, Argv);
    QGuiApplication App(Argc, Argv);
    tst_PortalScreenshot T;
    return QTest::qExec(&T, Argc, Argv);
}

#include "tst_portalscreenshot.moc"
