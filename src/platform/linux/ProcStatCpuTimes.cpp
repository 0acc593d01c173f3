#include "ProcStatCpuTimes.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace platform::linux_ {

namespace {

// Fields of a "cpu" line, in clock ticks: user nice system idle iowait irq softirq steal, then
// guest and guest_nice, which the kernel already counts inside user and nice.
constexpr int CountedFields = 8;

bool NextLine(std::string_view &Text, std::string_view &Line) {
    if (Text.empty())
        return false;
    const size_t End = Text.find('\n');
    Line = Text.substr(0, End);
    Text = End == std::string_view::npos ? std::string_view() : Text.substr(End + 1);
    return true;
}

// Whether Got already holds the beginning of a line other than a processor's.
bool PastProcessorLines(std::string_view Got) {
    size_t Pos = 0;
    while (Got.size() - Pos >= 3) {
        if (Got.substr(Pos, 3) != "cpu")
            return true;
        const size_t End = Got.find('\n', Pos);
        if (End == std::string_view::npos)
            return false;
        Pos = End + 1;
    }
    return false;
}

} // namespace

TProcStatCpuTimes::TProcStatCpuTimes(std::string Path) : FPath(std::move(Path)) {}

TProcStatCpuTimes::~TProcStatCpuTimes() {
    if (FFile >= 0)
        ::close(FFile);
}

bool TProcStatCpuTimes::Parse(std::string_view Text, long ClockTicks, TCpuTimes &Times) {
    if (ClockTicks <= 0)
        return false;
    std::string_view Line;
    uint64_t Fields[CountedFields] = {};
    bool HaveTotal = false;
    uint32_t Count = 0;
    while (NextLine(Text, Line)) {
        if (!Line.starts_with("cpu"))
            break;
        if (Line.size() > 3 && Line[3] >= '0' && Line[3] <= '9') {
            ++Count;
            continue;
        }
        // The line of all processors together.
        const char *P = Line.data() + 3;
        const char *End = Line.data() + Line.size();
        int I = 0;
        for (; I < CountedFields; ++I) {
            while (P < End && *P == ' ')
                ++P;
            const auto [Next, Ec] = std::from_chars(P, End, Fields[I]);
            if (Ec != std::errc())
                break;
            P = Next;
        }
        // Kernels before 2.6.11 give no steal time; anything shorter is not a cpu line.
        if (I < 4)
            return false;
        HaveTotal = true;
    }
    if (!HaveTotal)
        return false;
    uint64_t Sum = 0;
    for (uint64_t F : Fields)
        Sum += F;
    // 100-ns units, as fine as the rest of the program needs and far from overflowing.
    const uint64_t Unit = 10000000 / static_cast<uint64_t>(ClockTicks);
    Times.ProcessorCount = Count;
    Times.Idle = (Fields[3] + Fields[4]) * Unit;
    Times.Elapsed = Count ? Sum * Unit / Count : 0;
    return true;
}

bool TProcStatCpuTimes::Query(TCpuTimes &Times) {
    if (FFile < 0) {
        FFile = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (FFile < 0)
            return false;
        FClockTicks = ::sysconf(_SC_CLK_TCK);
        FBuffer.resize(4096);
    }
    if (::lseek(FFile, 0, SEEK_SET) < 0)
        return false;
    // The processor lines come first; read until a line that is not one has begun.
    size_t Used = 0;
    for (;;) {
        if (Used == FBuffer.size())
            FBuffer.resize(FBuffer.size() * 2);
        const ssize_t N = ::read(FFile, FBuffer.data() + Used, FBuffer.size() - Used);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (N == 0)
            break;
        Used += static_cast<size_t>(N);
        if (PastProcessorLines(std::string_view(FBuffer.data(), Used)))
            break;
    }
    return Parse(std::string_view(FBuffer.data(), Used), FClockTicks, Times);
}

} // namespace platform::linux_
