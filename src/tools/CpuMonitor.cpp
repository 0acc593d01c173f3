#include "CpuMonitor.h"

#include <QTimer>
#include <algorithm>

#include "config/Config.h"
#include "dialogs/Dialogs.h"

namespace {

// The previous reading, shared by every monitor of the process: the load is a property of the
// machine, not of one monitor.
struct TPrevious {
    uint64_t Idle = 0;
    uint64_t Elapsed = 0;
};
TPrevious Previous;

double ToDouble(uint64_t Value) {
    // High half read as signed, low half as unsigned, as the clocks are 64-bit counters.
    const auto High = static_cast<int32_t>(static_cast<uint32_t>(Value >> 32));
    const auto Low = static_cast<uint32_t>(Value & 0xffffffffu);
    return High * 4294967296.0 + Low;
}

} // namespace

TCpuMonitor::TCpuMonitor(std::shared_ptr<platform::ICpuTimes> CpuTimes)
    : FTimer(std::make_unique<QTimer>()), FCpuTimes(std::move(CpuTimes)) {
    FTimer->setInterval(1000);
    // A tick is an entry from the event loop like any other: an error in a handler is shown,
    // and the monitor goes on.
    QObject::connect(FTimer.get(), &QTimer::timeout, Dialogs::Guarded([this] { TimerTimer(); }));
    FTimer->start();
}

TCpuMonitor::~TCpuMonitor() {
    FTimer->stop();
}

void TCpuMonitor::SetActive(bool Value) {
    FActive = Value;
    if (Value)
        FTimer->start();
    else
        FTimer->stop();
}

void TCpuMonitor::SetInterval(int32_t Value) {
    FInterval = Value;
    FTimer->stop();
    FTimer->setInterval(Value);
    FTimer->start();
}

void TCpuMonitor::ResetSampling() {
    Previous = {};
}

void TCpuMonitor::TimerTimer() {
    platform::TCpuTimes Times;
    // A failed reading, or one that cannot give a load, is dropped: no event, no queue change,
    // and the next good reading measures over the longer span since the last good one.
    if (!FCpuTimes || !FCpuTimes->Query(Times) || Times.ProcessorCount == 0)
        return;
    if (Previous.Idle != 0) {
        const double IdleDelta = ToDouble(Times.Idle) - ToDouble(Previous.Idle);
        const double TimeDelta = ToDouble(Times.Elapsed) - ToDouble(Previous.Elapsed);
        if (TimeDelta <= 0)
            return;
        // The + 0.5 stays in the value handed on; the whole-number forms below truncate it,
        // which rounds the load half up.
        const double Usage = 100 - (IdleDelta / TimeDelta) * 100 / Times.ProcessorCount + 0.5;
        if (FOnMonitor)
            FOnMonitor(Usage);
        // Read afresh at every sample, so a change on the settings page counts at the next one.
        // While the alert is off the queue keeps what it had.
        if (Config().CPUMonitor()) {
            // Truncated toward zero; the bounds only keep an absurd reading a defined number.
            const int N = static_cast<int>(std::clamp(Usage, -1.0e9, 1.0e9));
            if (FUsageQueue.size() < QueueLength) {
                FUsageQueue.append(N);
            } else {
                FUsageQueue.removeFirst();
                FUsageQueue.append(N);
                bool High = true;
                for (int Sample : FUsageQueue)
                    if (Sample < AlarmLevel) {
                        High = false;
                        break;
                    }
                if (High && FOnAlarm) {
                    FUsageQueue.clear();
                    FOnAlarm(Usage);
                }
            }
        }
    }
    Previous.Idle = Times.Idle;
    Previous.Elapsed = Times.Elapsed;
}
