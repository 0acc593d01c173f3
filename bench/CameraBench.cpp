// How long a capture call takes to put the frozen screen up, on a 1920x1080 and a 3840x2160
// screen, beside ImageMagick's `import -window root` of the same screen.
//
//   build/bin/CameraBench [runs]
//
// Each size gets an Xvfb of its own; the measuring happens in a child copy of this program on
// that display. Medians in milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "camera/CameraDll.h"

namespace {

double Median(std::vector<double> V) {
    if (V.empty())
        return -1;
    std::sort(V.begin(), V.end());
    return V.size() % 2 ? V[V.size() / 2] : (V[V.size() / 2 - 1] + V[V.size() / 2]) / 2;
}

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

double TimeImport(const QStringList &Args, int Runs) {
    std::vector<double> Times;
    for (int I = 0; I < Runs; ++I) {
        QElapsedTimer T;
        T.start();
        if (QProcess::execute("import", Args) != 0)
            return -1;
        Times.push_back(T.nsecsElapsed() / 1e6);
    }
    return Median(Times);
}

// On the display this process was started on.
int Measure(int argc, char **argv, int Runs) {
    QApplication App(argc, argv);
    QScreen *Screen = QGuiApplication::primaryScreen();
    // Something on the screen that is not one flat colour.
    QWidget Busy(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    Busy.setGeometry(Screen->geometry());
    QImage Noise(Screen->geometry().size(), QImage::Format_RGB32);
    for (int Y = 0; Y < Noise.height(); ++Y) {
        auto *Line = reinterpret_cast<QRgb *>(Noise.scanLine(Y));
        for (int X = 0; X < Noise.width(); ++X)
            Line[X] = qRgb(X * 3, Y * 5, X ^ Y);
    }
    Busy.setAutoFillBackground(true);
    QPalette P = Busy.palette();
    P.setBrush(QPalette::Window, QPixmap::fromImage(Noise));
    Busy.setPalette(P);
    Busy.show();
    QElapsedTimer Wait;
    Wait.start();
    while (Wait.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    std::vector<double> Shown, Grab;
    for (int I = 0; I < Runs; ++I) {
        TRun Run;
        CameraSetShownHook(&OnShown, &Run);
        Run.Clock.start();
        CameraSubArea();
        CameraSetShownHook(nullptr, nullptr);
        if (Run.ShownMs >= 0)
            Shown.push_back(Run.ShownMs);
        QElapsedTimer T;
        T.start();
        const QImage Image = Screen->grabWindow(0).toImage();
        Grab.push_back(T.nsecsElapsed() / 1e6);
    }
    QTemporaryDir Dir;
    const double ImportPng = TimeImport({"-window", "root", Dir.filePath("root.png")}, Runs);
    const double ImportRaw = TimeImport({"-window", "root", "rgb:/dev/null"}, Runs);
    const QSize Size = Screen->geometry().size() * Screen->devicePixelRatio();
    std::printf("%4dx%-4d  frozen screen shown %7.1f ms   (grab alone %6.1f ms)   "
                "import -window root: to PNG %7.1f ms, to raw %7.1f ms   [%d runs]\n",
                Size.width(), Size.height(), Median(Shown), Median(Grab), ImportPng, ImportRaw,
                int(Shown.size()));
    return Shown.empty() ? 1 : 0;
}

// Starts an Xvfb of that size, runs the measuring child on it, ends the Xvfb.
int OnNewDisplay(const QString &Self, const QString &Size, int Runs) {
    QProcess X;
    X.start("Xvfb", {"-displayfd", "1", "-screen", "0", Size + "x24", "-nolisten", "tcp"});
    if (!X.waitForStarted(5000) || !X.waitForReadyRead(10000)) {
        std::fprintf(stderr, "Xvfb %s did not start\n", qPrintable(Size));
        return 1;
    }
    const QString Display = ":" + QString::fromLatin1(X.readLine()).trimmed();
    QProcess Child;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("DISPLAY", Display);
    Env.insert("QT_QPA_PLATFORM", "xcb");
    Child.setProcessEnvironment(Env);
    Child.setProcessChannelMode(QProcess::ForwardedChannels);
    Child.start(Self, {"--measure", QString::number(Runs)});
    Child.waitForFinished(600000);
    X.terminate();
    X.waitForFinished(5000);
    return Child.exitCode();
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && QByteArray(argv[1]) == "--measure")
        return Measure(argc, argv, std::max(1, atoi(argv[2])));
    const int Runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 15;
    QCoreApplication App(argc, argv);
    int Code = 0;
    for (const char *Size : {"1920x1080", "3840x2160"})
        Code |= OnNewDisplay(QCoreApplication::applicationFilePath(), Size, Runs);
    return Code;
}
