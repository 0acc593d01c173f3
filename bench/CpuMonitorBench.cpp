// The CPU monitor's own cost: it samples once a second for as long as the program runs, so
// what it costs in an hour matters more than what one sample costs.
//
//   bench_cpumonitor [seconds=60] [interval-ms=1000]
//
// Runs the monitor over the real /proc/stat with the alert switched on (so the settings file is
// read at every sample and the queue is kept), measures the process's CPU time over the run and
// extrapolates to an hour; then times samples back to back for the cost of one.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "config/Config.h"
#include "platform/linux/ProcStatCpuTimes.h"
#include "tools/CpuMonitor.h"

namespace {

double CpuSeconds() {
    timespec T{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return double(T.tv_sec) + double(T.tv_nsec) / 1e9;
}

double WallSeconds() {
    timespec T{};
    clock_gettime(CLOCK_MONOTONIC, &T);
    return double(T.tv_sec) + double(T.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    const int Seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int Interval = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;

    QTemporaryDir Dir;
    {
        QFile Ini(Dir.filePath("cfg.ini"));
        Ini.open(QIODevice::WriteOnly);
        Ini.write("[Sys]\r\nCPUMonitor=1\r\n");
    }
    SetConfig(std::make_unique<TConfig>(Dir.filePath("qingchuan"), nullptr));

    auto Source = std::make_shared<platform::linux_::TProcStatCpuTimes>();
    long Samples = 0, Alarms = 0;
    double Last = 0;
    {
        TCpuMonitor Monitor(Source);
        Monitor.SetOnMonitor([&](double Usage) {
            ++Samples;
            Last = Usage;
        });
        Monitor.SetOnAlarm([&](double) { ++Alarms; });
        Monitor.SetInterval(Interval);

        std::printf("sampling every %d ms for %d s ...\n", Interval, Seconds);
        std::fflush(stdout);
        const double Cpu0 = CpuSeconds(), Wall0 = WallSeconds();
        QTimer::singleShot(Seconds * 1000, &App, &QCoreApplication::quit);
        App.exec();
        const double Cpu = CpuSeconds() - Cpu0, Wall = WallSeconds() - Wall0;
        const double PerHour = Cpu / Wall * 3600;
        std::printf("samples %ld (last %.1f %%), alarms %ld\n", Samples, Last, Alarms);
        std::printf("process CPU time %.3f ms over %.1f s of wall time\n", Cpu * 1000, Wall);
        std::printf("extrapolated: %.3f s of CPU per hour = %.4f %% of one core (aim < 0.1 %%)\n",
                    PerHour, PerHour / 36);
        if (Samples)
            std::printf("per tick, event loop included: %.1f us\n", Cpu / double(Samples) * 1e6);

        // The two parts of a sample that cost anything, back to back (a sample of the monitor
        // itself would mostly be dropped here, since the kernel's clocks move in 10 ms steps).
        Monitor.SetActive(false);
        const int N = 20000;
        platform::TCpuTimes Times;
        double C0 = CpuSeconds();
        for (int I = 0; I < N; ++I)
            Source->Query(Times);
        const double Read = (CpuSeconds() - C0) / N;
        C0 = CpuSeconds();
        bool On = false;
        for (int I = 0; I < N; ++I)
            On = Config().CPUMonitor() || On;
        const double Flag = (CpuSeconds() - C0) / N;
        const double One = Read + Flag;
        std::printf("reading /proc/stat %.1f us, reading the flag from cfg.ini %.1f us%s\n",
                    Read * 1e6, Flag * 1e6, On ? "" : " (flag off?)");
        std::printf("one sample: %.1f us; at one a second: %.3f s per hour = %.4f %% of one core\n",
                    One * 1e6, One * 3600, One * 100);
    }
    SetConfig(nullptr);
    return 0;
}
