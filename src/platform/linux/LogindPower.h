#pragma once

#include <string>

#include "platform/Power.h"

namespace platform::linux_ {

// logind's PowerOff over the system bus, interactive, so that a session that may not power off
// by itself is asked through the usual authorisation instead of being forced.
class TLogindPower : public IPower {
public:
    bool PowerOff() override;
};

// Writes one line to a file instead of powering off: what the whole-program tests use, chosen
// by the environment variable QINGCHUAN_POWER_LOG.
class TRecordingPower : public IPower {
public:
    explicit TRecordingPower(std::string LogFile) : FLogFile(std::move(LogFile)) {}
    bool PowerOff() override;

private:
    std::string FLogFile;
};

} // namespace platform::linux_
