#pragma once

#include <string>

namespace platform {

// The desktop's "open": a program is started, anything else is handed to its default handler.
class IShell {
public:
    virtual ~IShell() = default;
    // Target is an executable (a path, or a bare name found on PATH), which is started detached
    // in WorkDir without a shell; or any other file, folder or address, which goes to the
    // desktop's opener. Returns whether something could be started (not whether it succeeded).
    virtual bool Open(const std::string &Target, const std::string &WorkDir = {}) = 0;
};

} // namespace platform
