#include <QTest>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/linux/ProcStatCpuTimes.h"
#include "tools/CpuMonitor.h"

namespace {

// A monitor over a fake machine, driven tick by tick instead of by its timer, recording what it
// hands on.
struct TBench {
    TBench() {
        TCpuMonitor::ResetSampling();
        Monitor.SetActive(false);
        Monitor.SetOnMonitor([this](double Usage) { Samples.append(Usage); });
        Monitor.SetOnAlarm([this](double Usage) {
            Alarms.append(Ticks);
            AlarmUsage = Usage;
        });
    }
    // One tick at Load percent.
    void Tick(double Load) {
        Cpu->Load = Load;
        ++Ticks;
        Monitor.TimerTimer();
    }
    std::shared_ptr<TFakeCpuTimes> Cpu = std::make_shared<TFakeCpuTimes>();
    TCpuMonitor Monitor{Cpu};
    QList<double> Samples;
    QList<int> Alarms; // the ticks that raised one
    double AlarmUsage = -1;
    int Ticks = 0;
};

// The kernel's own counters, read the plain way: busy and total ticks of the "cpu" line.
} // namespace

class tst_CpuMonitor : public QObject {
    Q_OBJECT
private slots:
    void init() { Dir = std::make_unique<TTestConfig>(); }
    void cleanup() { Dir.reset(); }

    void firstTickOnlySetsTheBaseline() {
        TBench B;
        B.Tick(50);
        QVERIFY(B.Samples.isEmpty());
        // An idle machine reads 0.5: the half for rounding stays in the value handed on.
        B.Tick(0);
        QCOMPARE(B.Samples, QList<double>{0.5});
        B.Tick(37);
        QCOMPARE(B.Samples.last(), 37.5);
    }

    void roundsHalfUpAtTheAlarmLevel() {
        Config().SetCPUMonitor(true);
        TBench B;
        B.Tick(0);
        B.Tick(79.5);
        B.Tick(79.4);
        QCOMPARE(B.Samples, (QList<double>{80.0, 79.9}));
        QCOMPARE(B.Monitor.UsageQueue(), (QList<int>{80, 79}));
    }

    void oneLowSampleBlocksTheAlarmUntilPushedOut() {
        Config().SetCPUMonitor(true);
        TBench B;
        B.Tick(95);
        B.Tick(79); // tick 2: the oldest of the queue
        for (int I = 0; I < 14; ++I)
            B.Tick(95);
        QCOMPARE(B.Monitor.UsageQueue().size(), 15);
        B.Tick(95); // tick 17 pushes the 79 out, and the rest are all high
        QCOMPARE(B.Alarms, QList<int>{17});

        TBench C;
        C.Tick(95);
        for (int I = 0; I < 14; ++I)
            C.Tick(95);
        C.Tick(79); // fourteen 95s and one 79 fill the queue
        QCOMPARE(C.Monitor.UsageQueue().count(95), 14);
        for (int I = 0; I < 14; ++I)
            C.Tick(95);
        QVERIFY(C.Alarms.isEmpty());
        C.Tick(95); // the 79 leaves the queue now
        QCOMPARE(C.Alarms, QList<int>{31});
    }

    void alarmsComeSixteenSamplesApart() {
        Config().SetCPUMonitor(true);
        TBench B;
        for (int I = 0; I < 60; ++I)
            B.Tick(99.6);
        QCOMPARE(B.Alarms, (QList<int>{17, 33, 49}));
        QCOMPARE(B.AlarmUsage, 100.1);
        QCOMPARE(B.Samples.size(), 59);
    }

    void withoutAnAlarmHandlerTheQueueStaysFull() {
        Config().SetCPUMonitor(true);
        TBench B;
        B.Monitor.SetOnAlarm(nullptr);
        for (int I = 0; I < 20; ++I)
            B.Tick(90);
        QCOMPARE(B.Monitor.UsageQueue().size(), 15);
    }

    void flagIsReadAtEverySample() {
        Config().SetCPUMonitor(false);
        TBench B;
        for (int I = 0; I < 30; ++I)
            B.Tick(95);
        // The gauge goes on, the alert does not, and nothing is gathered.
        QCOMPARE(B.Samples.size(), 29);
        QVERIFY(B.Alarms.isEmpty());
        QVERIFY(B.Monitor.UsageQueue().isEmpty());

        // A hand edit of cfg.ini counts from the next sample on.
        Dir->WriteIni("[Sys]\r\nCPUMonitor=1\r\n");
        for (int I = 0; I < 10; ++I)
            B.Tick(95);
        QCOMPARE(B.Monitor.UsageQueue().size(), 10);

        // Switched off, the queue is neither filled nor cleared...
        Config().SetCPUMonitor(false);
        for (int I = 0; I < 20; ++I)
            B.Tick(95);
        QCOMPARE(B.Monitor.UsageQueue().size(), 10);
        QVERIFY(B.Alarms.isEmpty());
        // ...and switching on again continues with what it held.
        Config().SetCPUMonitor(true);
        for (int I = 0; I < 5; ++I)
            B.Tick(95);
        QVERIFY(B.Alarms.isEmpty());
        B.Tick(95);
        QCOMPARE(B.Alarms, QList<int>{B.Ticks});
    }

    void levelIsNotConfigurable() {
        Dir->WriteIni("[Sys]\r\nCPUMonitor=1\r\nCPUUsage=10\r\n");
        TBench B;
        for (int I = 0; I < 40; ++I)
            B.Tick(50);
        QVERIFY(B.Alarms.isEmpty());
    }

    void unusableReadingsAreDropped() {
        Config().SetCPUMonitor(true);
        TBench B;
        B.Cpu->Fail = true;
        B.Tick(10);
        QVERIFY(B.Samples.isEmpty());
        B.Cpu->Fail = false;
        B.Tick(10); // the baseline
        QVERIFY(B.Samples.isEmpty());

        // A failed reading: the next good one measures over both seconds.
        B.Cpu->Fail = true;
        B.Tick(100);
        B.Cpu->Fail = false;
        B.Tick(0);
        QCOMPARE(B.Samples, QList<double>{50.5});

        // No time gone by, or no processors: no sample, no division by nothing.
        B.Cpu->Step = 0;
        B.Tick(50);
        B.Cpu->Step = TFakeCpuTimes().Step;
        B.Cpu->ProcessorCount = 0;
        B.Tick(50);
        QCOMPARE(B.Samples.size(), 1);
        QCOMPARE(B.Monitor.UsageQueue().size(), 1);
        B.Cpu->ProcessorCount = 2;
        B.Tick(50);
        QCOMPARE(B.Samples.size(), 2);
        QCOMPARE(B.Monitor.UsageQueue().size(), 2);
    }

    void timerSamplesUntilStopped() {
        TCpuMonitor::ResetSampling();
        auto Cpu = std::make_shared<TFakeCpuTimes>();
        TCpuMonitor Monitor(Cpu);
        QCOMPARE(Monitor.Interval(), 1000);
        QVERIFY(!Monitor.Active());
        int Samples = 0;
        Monitor.SetOnMonitor([&](double) { ++Samples; });
        // Writing the interval also starts a stopped monitor.
        Monitor.SetActive(false);
        Monitor.SetInterval(10);
        QTRY_VERIFY(Samples >= 3);
        Monitor.SetActive(false);
        const int Queries = Cpu->Queries;
        // Six intervals of the 10 ms timer: a monitor still sampling would have read by then.
        QTest::qWait(60);
        QCOMPARE(Cpu->Queries, Queries);
    }

    void procStatReadsTheKernelsCounters() {
        QTemporaryDir Tmp;
        const std::string Path = Tmp.filePath("stat").toStdString();
        const auto Write = [&](const char *Text) {
            std::ofstream Out(Path, std::ios::trunc);
            Out << Text;
        };
        Write("cpu  100 5 50 800 40 3 2 0 7 1\n"
              "cpu0 50 2 25 400 20 1 1 0 7 1\n"
              "cpu1 50 3 25 400 20 2 1 0 0 0\n"
              "intr 1 2 3\n");
        platform::linux_::TProcStatCpuTimes Source(Path);
        platform::TCpuTimes T;
        QVERIFY(Source.Query(T));
        QCOMPARE(T.ProcessorCount, 2u);
        // 100 ticks a second here: one tick is 100000 units of 100 ns.
        const uint64_t Tick = 10000000 / static_cast<uint64_t>(sysconf(_SC_CLK_TCK));
        QCOMPARE(T.Idle, uint64_t(840) * Tick);
        // Guest time is already inside user time and is not counted twice.
        QCOMPARE(T.Elapsed, uint64_t(1000) * Tick / 2);
        // The open file is read afresh each time.
        Write("cpu  200 5 50 900 40 3 2 0 0 0\ncpu0 1\ncpu1 1\ncpu2 1\ncpu3 1\n");
        QVERIFY(Source.Query(T));
        QCOMPARE(T.ProcessorCount, 4u);
        QCOMPARE(T.Idle, uint64_t(940) * Tick);

        Write("garbage\n");
        QVERIFY(!Source.Query(T));
        platform::linux_::TProcStatCpuTimes Missing(Tmp.filePath("none").toStdString());
        QVERIFY(!Missing.Query(T));
    }

private:
    std::unique_ptr<TTestConfig> Dir;
};

QTEST_GUILESS_MAIN(tst_CpuMonitor)
#include "tst_cpumonitor.moc"
