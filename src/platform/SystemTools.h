#pragma once

#include <string>

namespace platform {

// The desktop's own administration tools.
class ISystemTools {
public:
    virtual ~ISystemTools() = default;
    // The full path of the editor of the desktop's settings database, the first one installed;
    // empty when there is none.
    virtual std::string SettingsEditor() = 0;
    // The full path of the desktop's system-settings and policy tool, the first one installed;
    // empty when there is none.
    virtual std::string PolicyEditor() = 0;
};

} // namespace platform
