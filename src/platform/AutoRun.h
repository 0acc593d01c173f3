#pragma once

#include <string>

namespace platform {

// What a change of the log-on entry came to.
struct TAutoRunResult {
    bool Ok = false;
    // Ok: the entry written (Enable), empty for Disable. Otherwise the full path of the entry
    // that could not be written or removed.
    std::string Path;
};

// Starting the program when a user logs on.
class IAutoRun {
public:
    virtual ~IAutoRun() = default;
    // Registers ExePath under the entry named ExeName, machine-wide where that can be written,
    // otherwise for the current user.
    virtual TAutoRunResult Enable(const std::string &ExeName, const std::string &ExePath) = 0;
    // Removes the entry named ExeName from every place. A missing entry is no error; the first
    // entry that exists but could not be removed fails it.
    virtual TAutoRunResult Disable(const std::string &ExeName) = 0;
};

} // namespace platform
