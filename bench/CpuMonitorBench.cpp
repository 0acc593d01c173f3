// The CPU monitor's own cost: it samples once a second for as long as the program runs, so
// what it costs in an hour matters more than what one sample costs.
//
//   bench_cpumonitor [seconds=60] [interval-ms=1000]
//
// Runs the monitor over the real /proc/stat with the alert switched on (so the settings file is
// read at every sample and the queue is kept), measures the process's CPU time over the run and
// extrapolates to an hour; then times samples back to back for the cost of one; last, keeps one
// processor busy for a second and compares the monitor's reading with the kernel's own counters.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

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

// Busy and total ticks of all processors, straight from the first line of /proc/stat.
bool KernelTicks(uint64_t &Busy, uint64_t &Total) {
    std::ifstream In("/proc/stat");
    std::string Line;
    if (!std::getline(In, Line))
        return false;
    std::istringstream Fields(Line.substr(3));
    uint64_t F[8] = {};
    for (uint64_t &V : F)
        Fields >> V;
    Total = 0;
    for (uint64_t V : F)
        Total += V;
    Busy = Total - F[3] - F[4];
    return static_cast<bool>(In);
}

// One processor kept busy for a second: the monitor's reading beside the kernel's.
void CompareWithKernel(QCoreApplication &App) {
    TCpuMonitor::ResetSampling();
    TCpuMonitor Monitor(std::make_shared<platform::linux_::TProcStatCpuTimes>());
    Monitor.SetActive(false);
    double Usage = -1;
    Monitor.SetOnMonitor([&](double Value) { Usage = Value; });
    std::atomic<bool> Stop = false;
    std::thread Busy([&] {
        volatile uint64_t X = 0;
        while (!Stop.load(std::memory_order_relaxed))
            X = X + 1;
    });
    const auto Wait = [&](int MSecs) {
        QTimer::singleShot(MSecs, &App, &QCoreApplication::quit);
        App.exec();
    };
    Wait(200);
    uint64_t Busy0 = 0, Total0 = 0, Busy1 = 0, Total1 = 0;
    Monitor.TimerTimer();
    const bool Read0 = KernelTicks(Busy0, Total0);
    Wait(1000);
    Monitor.TimerTimer();
    const bool Read1 = KernelTicks(Busy1, Total1);
    Stop = true;
    Busy.join();
    if (!Read0 || !Read1 || Usage < 0 || Total1 == Total0) {
        std::printf("kernel comparison: no reading\n");
        return;
    }
    const double Kernel = 100.0 * double(Busy1 - Busy0) / double(Total1 - Total0);
    platform::TCpuTimes T;
    platform::linux_::TProcStatCpuTimes().Query(T);
    std::printf("one of %u processors busy: monitor %.1f %%, kernel %.1f %%, difference %.1f "
                "points (aim <= 5)\n",
                T.ProcessorCount, Usage - 0.5, Kernel, std::abs(Usage - 0.5 - Kernel));
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
    CompareWithKernel(App);
    SetConfig(nullptr);
    return 0;
}
