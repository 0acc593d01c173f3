#pragma once

#include <QList>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/CpuTimes.h"

class QTimer;

// Samples the processor load once a second, hands each sample to OnMonitor, and raises OnAlarm
// when the load has stayed at 80 % or more for fifteen samples in a row while the alert is
// switched on in the settings.
class TCpuMonitor {
public:
    // Usage: a percentage, with the half used for rounding already added.
    using TOnMonitorEvent = std::function<void(double Usage)>;

    // Sampling starts at once, every 1000 ms.
    explicit TCpuMonitor(std::shared_ptr<platform::ICpuTimes> CpuTimes);
    ~TCpuMonitor();
    TCpuMonitor(const TCpuMonitor &) = delete;
    TCpuMonitor &operator=(const TCpuMonitor &) = delete;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    int32_t Interval() const { return FInterval; }
    // Also starts a stopped monitor again.
    void SetInterval(int32_t Value);
    TOnMonitorEvent OnMonitor() const { return FOnMonitor; }
    void SetOnMonitor(TOnMonitorEvent Value) { FOnMonitor = std::move(Value); }
    TOnMonitorEvent OnAlarm() const { return FOnAlarm; }
    void SetOnAlarm(TOnMonitorEvent Value) { FOnAlarm = std::move(Value); }

    // The sampling step of each timer tick.
    void TimerTimer();
    // The recent samples as whole percentages, oldest first.
    const QList<int> &UsageQueue() const { return FUsageQueue; }

    // Forgets the previous reading, which is kept once per process for every monitor. Only a
    // test that starts another monitor over another source needs this.
    static void ResetSampling();

    static constexpr int QueueLength = 15;
    static constexpr int AlarmLevel = 80;

private:
    bool FActive = false;
    std::unique_ptr<QTimer> FTimer;
    int32_t FInterval = 1000;
    TOnMonitorEvent FOnMonitor;
    TOnMonitorEvent FOnAlarm;
    QList<int> FUsageQueue;
    std::shared_ptr<platform::ICpuTimes> FCpuTimes;
};
