#pragma once

#include <string>

namespace platform {

// The page the web browsers open at start and on "Home".
class IStartPage {
public:
    virtual ~IStartPage() = default;
    // For every user of the machine, in each installed browser's machine-wide settings, as a
    // default the user may still change; places this process's user may not write are passed
    // over. Returns empty on success, else the file that could not be written; it stops there.
    virtual std::string SetMachineWide(const std::string &Url) = 0;
    // For the current user, in each existing browser profile. Same result as SetMachineWide.
    virtual std::string SetPerUser(const std::string &Url) = 0;
};

} // namespace platform
