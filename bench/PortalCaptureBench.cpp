// How long a capture takes on a Wayland session from the call to the frozen screen shown, the
// picture coming from the desktop portal's Screenshot, beside grim of the same output, in one
// run on a headless sway session at 1920x1080 (started by tests/camera/linux/sway_stack.sh,
// stopped at the end).
//
//   build/bin/bench_portal_capture
//
// Runs as root; the measuring happens in a child copy of this program run as the session's
// user on its XWayland, since the portal answers only callers whose /proc entry it can read.
#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <cstdio>

#include "camera/CameraDll.h"
#include "camera/linux/PortalScreenshot.h"

namespace {

struct TRun {
    QElapsedTimer Clock;
    double ShownMs = -1;
};

void OnShown(void *Data) {
    auto *Run = static_cast<TRun *>(Data);
    Run->ShownMs = Run->Clock.nsecsElapsed() / 1e6;
    for (QWidget *W : QApplication::topLevelWidgets())
        if (W->objectName() == "CameraOverlay")
            QCoreApplication::postEvent(
                W, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

double Ms(const QElapsedTimer &T) {
    return T.nsecsElapsed() / 1e6;
}

int Measure(int argc, char **argv, const QString &Scratch) {
    QApplication App(argc, argv);
    TRun Run;
    CameraSetShownHook(&OnShown, &Run);
    Run.Clock.start();
    CameraSubArea();
    CameraSetShownHook(nullptr, nullptr);

    QElapsedTimer T;
    T.start();
    QImage Portal;
    try {
        Portal = camera::TakePortalScreenshot(QDBusConnection::sessionBus(), 10000);
    } catch (const std::exception &E) {
        std::fprintf(stderr, "portal call alone: %s\n", E.what());
    }
    const double PortalMs = Portal.isNull() ? -1 : Ms(T);
    if (Run.ShownMs < 0)
        std::fprintf(stderr, "capture: %s\n", CameraLastFailure());
    T.start();
    const int GrimRc = QProcess::execute("grim", {Scratch + "/grim.png"});
    const double GrimMs = Ms(T);
    T.start();
    const int GrimPpmRc = QProcess::execute("grim", {"-t", "ppm", Scratch + "/grim.ppm"});
    const double GrimPpmMs = Ms(T);
    std::printf("%dx%d  portal call to frozen screen shown %7.1f ms   (portal call alone %7.1f "
                "ms)   grim to PNG %7.1f ms, to PPM %7.1f ms   [1 run]\n",
                Portal.width(), Portal.height(), Run.ShownMs, PortalMs, GrimRc == 0 ? GrimMs : -1,
                GrimPpmRc == 0 ? GrimPpmMs : -1);
    return Run.ShownMs >= 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && qstrcmp(argv[1], "--measure") == 0)
        return Measure(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication App(argc, argv);
    QTemporaryDir Tmp;
    QFile::setPermissions(Tmp.path(), QFile::Permissions(0x7755));
    const QString Dir = Tmp.path() + "/session";
    QProcess Stack;
    Stack.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Stack.start("bash", {QStringLiteral(QC_SWAY_STACK), Dir, "qcwayland", "1920x1080"});
    QElapsedTimer Up;
    Up.start();
    while (!QFile::exists(Dir + "/session.env") && Stack.state() != QProcess::NotRunning &&
           Up.elapsed() < 30000)
        Stack.waitForFinished(50);
    QFile Env(Dir + "/session.env");
    if (!Env.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the sway session did not come up\n");
        return 1;
    }
    QStringList Args{"-u", "qcwayland", "--", "env"};
    for (const QByteArray &Line : Env.readAll().split('\n'))
        if (!Line.isEmpty())
            Args << QString::fromLocal8Bit(Line);
    Args << "QT_QPA_PLATFORM=xcb"
         << "XDG_SESSION_TYPE=wayland" << QCoreApplication::applicationFilePath() << "--measure"
         << Dir;
    QProcess Child;
    Child.setProcessChannelMode(QProcess::ForwardedChannels);
    Child.start("runuser", Args);
    Child.waitForFinished(60000);
    Stack.terminate();
    Stack.waitForFinished(10000);
    return Child.exitCode();
}
