// Cost of the settings file when it is damaged: a cfg.ini made huge (sparse, as by
// `truncate -s 1G cfg.ini`) after its real settings.
//   bench_config [SIZE_MIB=1024] [ROUNDS=60]
// Prints the time and memory of the first read (what start-up pays), the CPU time of ROUNDS
// rounds of the reads the program makes every second (the scheduler's connection string, the
// CPU monitor's switch) and of the settings page's load, and what a write does to the file.
// Needs no display.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

#include "config/IniFile.h"
#include "dialogs/Error.h"

namespace {

double PeakMiB() {
    QFile Status("/proc/self/status");
    if (!Status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &Line : Status.readAll().split('\n'))
        if (Line.startsWith("VmHWM:"))
            return Line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

double CpuMs() {
    timespec T;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return T.tv_sec * 1e3 + T.tv_nsec / 1e6;
}

// One second's worth of the program's reads, and the settings page's load.
int Round(const TIniFile &Ini) {
    int Sum = Ini.ReadString("DB", "ConnStr", QString()).size();
    Sum += Ini.ReadBool("Sys", "CPUMonitor", false);
    Sum += Ini.ReadInteger("ShortCut", "ShowOrHideIE", 0) + Ini.ReadInteger("ShortCut", "Chat", 0);
    Sum += Ini.ReadInteger("ShortCut", "ScreenShot", 0) + Ini.ReadBool("Sys", "AutoRun", false);
    return Sum;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    const qint64 SizeMiB = argc > 1 ? std::max(1, atoi(argv[1])) : 1024;
    const int Rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
    QTemporaryDir Dir;
    const QString Path = Dir.path() + "/cfg.ini";
    {
        QFile F(Path);
        if (!F.open(QIODevice::WriteOnly))
            return 1;
        F.write("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n[Sys]\nCPUMonitor=1\n"
                "[ShortCut]\nShowOrHideIE=16433\nScreenShot=16434\nChat=16435\n");
        F.resize(SizeMiB << 20);
    }
    std::printf("cfg.ini: %lld MiB (sparse), peak memory before reading %.1f MiB\n",
                static_cast<long long>(SizeMiB), PeakMiB());

    TIniFile Ini(Path);
    QElapsedTimer T;
    T.start();
    double Cpu = CpuMs();
    int Sink = Round(Ini);
    std::printf("first round of reads: %.1f ms (CPU %.1f ms), peak memory %.1f MiB\n",
                T.nsecsElapsed() / 1e6, CpuMs() - Cpu, PeakMiB());

    Cpu = CpuMs();
    T.restart();
    for (int I = 0; I < Rounds; ++I)
        Sink += Round(Ini);
    const double RoundCpu = (CpuMs() - Cpu) / Rounds;
    std::printf("%d more rounds: %.3f ms CPU each = %.3f %% of one core at one round a second "
                "(%.1f ms in all), peak memory %.1f MiB\n",
                Rounds, RoundCpu, RoundCpu / 10, T.nsecsElapsed() / 1e6, PeakMiB());

    T.restart();
    QString Outcome = "written";
    try {
        Ini.WriteBool("Sys", "CPUMonitor", false);
    } catch (const EError &E) {
        Outcome = "refused: " + E.Text();
    }
    std::printf("one write: %.1f ms, %s; the file is now %lld bytes\n", T.nsecsElapsed() / 1e6,
                Outcome.toLocal8Bit().constData(), static_cast<long long>(QFileInfo(Path).size()));
    std::printf("(values read: %d)\n", Sink);
    return 0;
}
