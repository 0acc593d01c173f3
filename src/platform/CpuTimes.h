#pragma once

#include <cstdint>

namespace platform {

// One reading of the processor clocks, all cumulative since some fixed point (boot).
struct TCpuTimes {
    uint32_t ProcessorCount = 0;
    // Time no processor had work, summed over all processors, in 100-ns units.
    uint64_t Idle = 0;
    // Wall-clock time, that is the time of all processors together divided by their count, in
    // the same unit as Idle.
    uint64_t Elapsed = 0;
};

// The source of the processor load.
class ICpuTimes {
public:
    virtual ~ICpuTimes() = default;
    // Reads the clocks now; false when they could not be read.
    virtual bool Query(TCpuTimes &Times) = 0;
};

} // namespace platform
