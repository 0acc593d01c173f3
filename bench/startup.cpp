// Start-up and idle cost of qingchuan beside a minimal Qt tray program, and the first showing of
// its two windows with a browser.
//   bench_startup [RUNS=15] [IDLE_SECONDS=60]
// (environment: QC_BENCH_CFG_MIB, QC_BENCH_PROGRAM, QC_BENCH_NO_SHOWING; see below)
// Needs a display with a tray host and xdotool (bench/run.sh provides them). Start-up is the
// time from starting the process to its report that the icon is shown and the event loop runs.
// At rest, with no window opened: the processes of the program's tree, their resident (VmRSS)
// and proportional (Pss) memory summed, the peak resident memory (VmHWM) summed, and the CPU
// time of all of them over IDLE_SECONDS. First showing: from the request (a double click on the
// icon for the main window, Ctrl+Alt+Q for the portal window, each in a fresh process) to the
// program's report that the window's page has finished loading (QINGCHUAN_REPORT_PAGES), and to
// the window on screen. After use: the main window alone, then both windows, shown and hidden
// again, and 90 s later the same figures as at rest over IDLE_SECONDS. QC_BENCH_NO_SHOWING=1
// stops after the figures at rest.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct TProgram {
    const char *Name;
    QString Path;
};

QList<qint64> Tree(qint64 Root) {
    QList<qint64> Pids{Root};
    bool Grew = true;
    while (Grew) {
        Grew = false;
        for (const QString &Entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool Ok = false;
            const qint64 Pid = Entry.toLongLong(&Ok);
            if (!Ok || Pids.contains(Pid))
                continue;
            QFile Stat("/proc/" + Entry + "/stat");
            if (!Stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray S = Stat.readAll();
            const QList<QByteArray> F = S.mid(S.lastIndexOf(')') + 2).split(' ');
            if (F.size() > 1 && Pids.contains(F[1].toLongLong())) {
                Pids << Pid;
                Grew = true;
            }
        }
    }
    return Pids;
}

// CPU time of the processes, all their threads, from the scheduler's own accounting (exact to
// the nanosecond, unlike the tick-sampled utime/stime of /proc/PID/stat, which charges a whole
// tick to a program that wakes on the tick).
double CpuSeconds(const QList<qint64> &Pids) {
    double Ns = 0;
    for (qint64 Pid : Pids)
        for (const QString &Task : QDir(QString("/proc/%1/task").arg(Pid)).entryList(QDir::Dirs)) {
            QFile Stat(QString("/proc/%1/task/%2/schedstat").arg(Pid).arg(Task));
            if (Stat.open(QIODevice::ReadOnly))
                Ns += Stat.readAll().split(' ').value(0).toDouble();
        }
    return Ns / 1e9;
}

// A field in kB of a /proc file (status, smaps_rollup), summed over the processes, in MiB.
double SumMiB(const QList<qint64> &Pids, const char *File, const QByteArray &Field) {
    double Kib = 0;
    for (qint64 Pid : Pids) {
        QFile F(QString("/proc/%1/%2").arg(Pid).arg(File));
        if (!F.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &Line : F.readAll().split('\n'))
            if (Line.startsWith(Field + ":"))
                Kib += Line.mid(Field.size() + 1).trimmed().split(' ').first().toDouble();
    }
    return Kib / 1024;
}

double PeakMiB(const QList<qint64> &Pids) {
    return SumMiB(Pids, "status", "VmHWM");
}

struct TRest {
    qsizetype Processes = 0;
    double Cpu = 0, RssMiB = 0, PssMiB = 0, PeakMiB = 0;
};

// The tree's CPU over Seconds, then its memory.
TRest MeasureRest(qint64 Root, int Seconds) {
    const QList<qint64> Pids = Tree(Root);
    const double Before = CpuSeconds(Pids);
    QThread::sleep(Seconds);
    const QList<qint64> After = Tree(Root);
    TRest R;
    R.Cpu = (CpuSeconds(After) - Before) / Seconds * 100;
    R.Processes = After.size();
    R.RssMiB = SumMiB(After, "status", "VmRSS");
    R.PssMiB = SumMiB(After, "smaps_rollup", "Pss");
    R.PeakMiB = PeakMiB(After);
    return R;
}

void PrintRest(const char *Name, const char *When, int Seconds, const TRest &R) {
    std::printf("%-10s %s, %d s: %lld processes, resident %.1f MiB, proportional %.1f MiB, "
                "peak %.1f MiB, CPU %.3f %% of one core\n",
                Name, When, Seconds, static_cast<long long>(R.Processes), R.RssMiB, R.PssMiB,
                R.PeakMiB, R.Cpu);
    std::fflush(stdout);
}

qint64 Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString XDoTool(const QStringList &Args) {
    QProcess P;
    P.start("xdotool", Args);
    P.waitForFinished(10000);
    return QString::fromUtf8(P.readAllStandardOutput()).trimmed();
}

// A visible window of a process (by the _NET_WM_PID it carries) whose size is within (Small) or
// beyond an icon's: its tray icon, or its menu.
QString WindowOf(qint64 Pid, bool Small, int TimeoutMs = 10000) {
    QElapsedTimer T;
    T.start();
    do {
        const QString Ids = XDoTool({"search", "--onlyvisible", "--name", ".*"});
        for (const QString &W : Ids.split('\n', Qt::SkipEmptyParts)) {
            QProcess Prop;
            Prop.start("xprop", {"-id", W, "_NET_WM_PID"});
            Prop.waitForFinished(5000);
            if (!QString::fromUtf8(Prop.readAll()).trimmed().endsWith(" = " + QString::number(Pid)))
                continue;
            const QString G = XDoTool({"getwindowgeometry", W});
            const auto M = QRegularExpression("Geometry: (\\d+)x(\\d+)").match(G);
            if (M.hasMatch() &&
                (M.captured(1).toInt() <= 40 && M.captured(2).toInt() <= 40) == Small)
                return W;
        }
        QThread::msleep(50);
    } while (T.elapsed() < TimeoutMs);
    return {};
}

bool WaitForWindow(const QString &Title, bool Visible, int TimeoutMs = 20000) {
    QElapsedTimer T;
    T.start();
    do {
        const QString Found = XDoTool(
            {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(Title) + "$"});
        if (Found.isEmpty() != Visible)
            return true;
        QThread::msleep(20);
    } while (T.elapsed() < TimeoutMs);
    return false;
}

const QString MainTitle = QString::fromUtf8("晴川助手(简易版)");
const QString PortalTitle = QString::fromUtf8("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");

bool WaitReady(QProcess &P, int TimeoutMs) {
    QElapsedTimer T;
    T.start();
    QByteArray Out;
    while (T.elapsed() < TimeoutMs) {
        P.waitForReadyRead(5);
        Out += P.readAllStandardOutput();
        // A box at start-up (QC_BENCH_CFG_MIB) holds the event loop's start: it counts as ready.
        if (Out.contains("ready") || Out.contains("box "))
            return true;
        if (P.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

// Waits for the program's report that Url has finished loading at or after Since; its time (ms
// since the epoch), or 0. Lines read are kept in Out.
qint64 WaitPage(QProcess &P, QByteArray &Out, const QString &Url, qint64 Since, int TimeoutMs) {
    const QRegularExpression Re("^page loaded " + QRegularExpression::escape(Url) + " (\\d+)$",
                                QRegularExpression::MultilineOption);
    QElapsedTimer T;
    T.start();
    do {
        P.waitForReadyRead(5);
        Out += P.readAllStandardOutput();
        for (auto It = Re.globalMatch(QString::fromUtf8(Out)); It.hasNext();)
            if (const qint64 At = It.next().captured(1).toLongLong(); At >= Since)
                return At;
    } while (T.elapsed() < TimeoutMs && P.state() == QProcess::Running);
    return 0;
}

void Stop(QProcess &P) {
    P.terminate();
    if (!P.waitForFinished(5000)) {
        P.kill();
        P.waitForFinished();
    }
}

void Prepare(QProcess &P, const QString &Dir) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("QINGCHUAN_REPORT_READY", "1");
    Env.insert("QINGCHUAN_REPORT_BOXES", "1");
    Env.insert("QINGCHUAN_POWER_LOG", Dir + "/poweroff.log");
    Env.insert("QINGCHUAN_REPORT_PAGES", "1");
    P.setProcessEnvironment(Env);
    P.setWorkingDirectory(Dir);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    const int Runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const int Idle = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
    QTemporaryDir Dir;
    const QString Bin = QC_BIN_DIR;
    for (const QString &F : QDir(Bin).entryList(QDir::Files))
        if (F != "cfg.ini" && F != "DB.mdb")
            QFile::copy(Bin + "/" + F, Dir.path() + "/" + F);
    QProcess::execute(Dir.path() + "/qc_seed", {Dir.path()});
    // QC_BENCH_CFG_MIB=N: the seeded cfg.ini made N MiB long (sparse), as a damaged file would
    // be; with QC_BENCH_CFG_BLANK=1 nothing but the zeros (`truncate -s NM cfg.ini` on no file).
    if (const int CfgMiB = qEnvironmentVariableIntValue("QC_BENCH_CFG_MIB"); CfgMiB > 0) {
        if (qEnvironmentVariableIntValue("QC_BENCH_CFG_BLANK"))
            QFile::remove(Dir.path() + "/cfg.ini");
        QFile Cfg(Dir.path() + "/cfg.ini");
        if (Cfg.open(QIODevice::ReadWrite))
            Cfg.resize(qint64(CfgMiB) << 20);
    }
    // QC_BENCH_PROGRAM=PATH: another build of the program, measured in the same folder.
    if (const QString Other = qEnvironmentVariable("QC_BENCH_PROGRAM"); !Other.isEmpty()) {
        QFile::remove(Dir.path() + "/qingchuan");
        QFile::copy(Other, Dir.path() + "/qingchuan");
    }
    const TProgram Programs[] = {{"baseline", Dir.path() + "/bench_tray_baseline"},
                                 {"qingchuan", Dir.path() + "/qingchuan"}};

    double Median[2] = {0, 0};
    TRest Rest[2];
    for (int I = 0; I < 2; ++I) {
        std::vector<double> Times;
        for (int R = 0; R < Runs + 1; ++R) {
            QProcess P;
            Prepare(P, Dir.path());
            QElapsedTimer T;
            T.start();
            P.start(Programs[I].Path, {});
            if (!WaitReady(P, 120000)) {
                std::fprintf(stderr, "%s did not report ready\n", Programs[I].Name);
                return 1;
            }
            if (R > 0) // the first run only warms the file cache
                Times.push_back(T.nsecsElapsed() / 1e6);
            Stop(P);
            QThread::msleep(100);
        }
        std::sort(Times.begin(), Times.end());
        Median[I] = Times[Times.size() / 2];
        std::printf("%-10s start-up to icon: median %.1f ms, min %.1f, max %.1f (%d runs)\n",
                    Programs[I].Name, Median[I], Times.front(), Times.back(), Runs);
        std::fflush(stdout);

        QProcess P;
        Prepare(P, Dir.path());
        P.start(Programs[I].Path, {});
        WaitReady(P, 120000);
        QThread::sleep(10); // let deferred start-up work finish
        Rest[I] = MeasureRest(P.processId(), Idle);
        PrintRest(Programs[I].Name, "at rest, no window opened", Idle, Rest[I]);
        Stop(P);
    }
    const TRest &B = Rest[0], &Q = Rest[1];
    std::printf("ratio qingchuan/baseline: start-up %.2f x, resident %.2f x, proportional %.2f x, "
                "peak %.2f x, idle CPU %.2f x\n",
                Median[1] / Median[0], Q.RssMiB / B.RssMiB, Q.PssMiB / B.PssMiB,
                Q.PeakMiB / B.PeakMiB, B.Cpu > 0 ? Q.Cpu / B.Cpu : 0.0);
    const auto Target = [](bool Met, const char *What) {
        std::printf("target %-44s %s\n", What, Met ? "met" : "MISSED");
    };
    Target(Q.Processes == 1, "one process at rest:");
    Target(Q.RssMiB <= 1.3 * B.RssMiB, "resident memory within 1.3 x baseline:");
    Target(Q.Cpu < 0.1, "idle CPU under 0.1 % of one core:");
    Target(Median[1] <= 1.2 * Median[0], "start-up to icon within 1.2 x baseline:");
    std::fflush(stdout);
    if (qEnvironmentVariableIntValue("QC_BENCH_NO_SHOWING"))
        return 0;

    // First showings, each in a fresh process: the engine starts cold every time.
    struct TShowing {
        const char *Name;
        QString Title, Url;
    };
    const TShowing Showings[] = {{"main window", MainTitle, "qrc:/portal/ad.html"},
                                 {"portal", PortalTitle, "qrc:/portal/index.html"}};
    // Asks for the window: a double click on the icon, or the portal hotkey. Returns the moment
    // the request has been sent.
    const auto Request = [](qint64 Pid, int Which) {
        if (Which == 0) {
            const QString Icon = WindowOf(Pid, true);
            XDoTool({"mousemove", "--window", Icon, "8", "8"});
            XDoTool({"click", "--repeat", "2", "--delay", "60", "1"});
        } else {
            XDoTool({"key", "ctrl+alt+q"});
        }
        return Now();
    };
    for (int Which = 0; Which < 2; ++Which) {
        std::vector<double> Window, Page;
        bool LoadedBefore = false;
        for (int R = 0; R < Runs; ++R) {
            QProcess P;
            Prepare(P, Dir.path());
            P.start(Programs[1].Path, {});
            if (!WaitReady(P, 120000) || WindowOf(P.processId(), true).isEmpty()) {
                std::fprintf(stderr, "qingchuan did not show its icon\n");
                return 1;
            }
            QThread::sleep(3); // the loop's queued work of start-up is long done
            QByteArray Out;
            // A page loaded before the request (at start-up) counts from the window's showing.
            const qint64 Start = Now();
            LoadedBefore = WaitPage(P, Out, Showings[Which].Url, 0, 1) != 0;
            const qint64 Asked = Request(P.processId(), Which);
            if (!WaitForWindow(Showings[Which].Title, true)) {
                std::fprintf(stderr, "the %s did not show\n", Showings[Which].Name);
                return 1;
            }
            Window.push_back(Now() - Asked);
            const qint64 Loaded =
                LoadedBefore ? Now() : WaitPage(P, Out, Showings[Which].Url, Start, 60000);
            if (!Loaded) {
                std::fprintf(stderr, "the %s's page did not load\n", Showings[Which].Name);
                return 1;
            }
            Page.push_back(std::max<qint64>(Loaded - Asked, Window.back()));
            Stop(P);
        }
        std::sort(Window.begin(), Window.end());
        std::sort(Page.begin(), Page.end());
        std::printf("qingchuan  first showing of the %s: to its page loaded median %.0f ms (min "
                    "%.0f, max %.0f), to the window on screen median %.0f ms (%d runs)%s\n",
                    Showings[Which].Name, Page[Page.size() / 2], Page.front(), Page.back(),
                    Window[Window.size() / 2], Runs,
                    LoadedBefore ? "; the page was loaded at start-up" : "");
        std::fflush(stdout);
    }

    // After use: the main window alone, or both windows, shown with their pages loaded, then
    // hidden again; measured once the advertisement strip's page has been let go (a minute
    // after hiding).
    for (const bool WithPortal : {false, true}) {
        QProcess P;
        Prepare(P, Dir.path());
        P.start(Programs[1].Path, {});
        WaitReady(P, 120000);
        const qint64 Pid = P.processId();
        QByteArray Out;
        const qint64 Start = Now();
        Request(Pid, 0);
        WaitForWindow(MainTitle, true);
        WaitPage(P, Out, Showings[0].Url, 0, 60000);
        if (WithPortal) {
            Request(Pid, 1);
            WaitForWindow(PortalTitle, true);
            WaitPage(P, Out, Showings[1].Url, Start, 60000);
            XDoTool({"key", "ctrl+alt+q"});
            WaitForWindow(PortalTitle, false);
        }
        // The close box's key hides the main window.
        const QString Main = XDoTool({"search", "--onlyvisible", "--name",
                                      "^" + QRegularExpression::escape(MainTitle) + "$"});
        XDoTool({"windowactivate", "--sync", Main});
        XDoTool({"key", "alt+F4"});
        if (!WaitForWindow(MainTitle, false) || !WaitForWindow(PortalTitle, false)) {
            std::fprintf(stderr, "the windows did not hide\n");
            return 1;
        }
        QThread::sleep(90);
        PrintRest("qingchuan",
                  WithPortal ? "both windows shown and hidden again, 90 s later"
                             : "main window shown and hidden again, 90 s later",
                  Idle, MeasureRest(Pid, Idle));
        Stop(P);
    }
    return 0;
}
