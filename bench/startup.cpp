// Start-up and idle cost of qingchuan beside a minimal Qt tray program.
//   bench_startup [RUNS=15] [IDLE_SECONDS=60]
// (environment: QC_BENCH_CFG_MIB, QC_BENCH_PROGRAM; see below)
// Needs a display with a tray host (bench/run.sh provides one). Start-up is the time from
// starting the process to its report that the icon is shown and the event loop runs; idle is
// the CPU time of the process and all its children over IDLE_SECONDS after that, and the peak
// resident memory (VmHWM) summed over them.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

double PeakMiB(const QList<qint64> &Pids) {
    double Kib = 0;
    for (qint64 Pid : Pids) {
        QFile Status(QString("/proc/%1/status").arg(Pid));
        if (!Status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &Line : Status.readAll().split('\n'))
            if (Line.startsWith("VmHWM:"))
                Kib += Line.mid(6).trimmed().split(' ').first().toDouble();
    }
    return Kib / 1024;
}

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

    double Median[2] = {0, 0}, Cpu[2] = {0, 0}, Mem[2] = {0, 0};
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
        QThread::sleep(10); // let deferred start-up work (the web engine's pages) finish
        const QList<qint64> Pids = Tree(P.processId());
        const double Before = CpuSeconds(Pids);
        QThread::sleep(Idle);
        const QList<qint64> After = Tree(P.processId());
        Cpu[I] = (CpuSeconds(After) - Before) / Idle * 100;
        Mem[I] = PeakMiB(After);
        std::printf("%-10s idle %d s: CPU %.3f %% of one core, peak memory %.1f MiB (%lld "
                    "processes)\n",
                    Programs[I].Name, Idle, Cpu[I], Mem[I], static_cast<long long>(After.size()));
        std::fflush(stdout);
        Stop(P);
    }
    std::printf("ratio qingchuan/baseline: start-up %.2f x, idle CPU %.2f x, peak memory %.2f x\n",
                Median[1] / Median[0], Cpu[0] > 0 ? Cpu[1] / Cpu[0] : 0.0, Mem[1] / Mem[0]);
    return 0;
}
