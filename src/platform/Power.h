#pragma once

namespace platform {

// Switching the computer off.
class IPower {
public:
    virtual ~IPower() = default;
    // Asks the system to power off the ordinary way, letting applications save and end; never
    // forces them. Returns false where nothing could be asked (no system service, refused).
    virtual bool PowerOff() = 0;
};

} // namespace platform
