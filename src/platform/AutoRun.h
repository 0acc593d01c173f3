#pragma once

#include <string>

namespace platform {

// Starting the program when a user logs on.
class IAutoRun {
public:
    virtual ~IAutoRun() = default;
    // Registers ExePath under the entry named ExeName, machine-wide where that can be written,
    // otherwise for the current user. Returns the place written, empty when neither could be.
    virtual std::string Enable(const std::string &ExeName, const std::string &ExePath) = 0;
    // Removes the entry named ExeName from every place. A missing entry is no error. Returns the
    // first place whose entry exists but could not be removed, empty on success.
    virtual std::string Disable(const std::string &ExeName) = 0;
};

} // namespace platform
