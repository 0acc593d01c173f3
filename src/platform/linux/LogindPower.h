#pragma once

#include <QString>
#include <string>

#include "platform/Power.h"

namespace platform::linux_ {

// logind's PowerOff over the system bus, interactive, so that a session that may not power off
// by itself is asked through the usual authorisation instead of being forced. The request is
// sent without waiting for logind's answer: logind may first wait for an authorisation agent,
// and the window thread must not stand still meanwhile.
class TLogindPower : public IPower {
public:
    // BusAddress: the bus to ask; empty for the system bus (others are for tests, which must
    // never reach the real logind).
    explicit TLogindPower(QString BusAddress = QString());
    bool PowerOff() override;

private:
    QString FBusAddress;
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
