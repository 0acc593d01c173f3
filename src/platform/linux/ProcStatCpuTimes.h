#pragma once

#include <string>
#include <string_view>

#include "platform/CpuTimes.h"

namespace platform::linux_ {

// The kernel's per-processor clocks in /proc/stat. The file is opened at the first reading and
// kept open for the life of the object, so each later reading costs one seek and one read.
class TProcStatCpuTimes : public ICpuTimes {
public:
    explicit TProcStatCpuTimes(std::string Path = "/proc/stat");
    ~TProcStatCpuTimes() override;
    TProcStatCpuTimes(const TProcStatCpuTimes &) = delete;
    TProcStatCpuTimes &operator=(const TProcStatCpuTimes &) = delete;
    bool Query(TCpuTimes &Times) override;

    // The reading in the text of such a file, with ClockTicks clock ticks a second.
    static bool Parse(std::string_view Text, long ClockTicks, TCpuTimes &Times);

private:
    std::string FPath;
    int FFile = -1;
    long FClockTicks = 0;
    std::string FBuffer;
};

} // namespace platform::linux_
