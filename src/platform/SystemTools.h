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
    // The package to install, for the running desktop, when SettingsEditor finds none: a name
    // the desktop's package manager knows.
    virtual std::string SettingsEditorPackage() = 0;
    // The same for PolicyEditor.
    virtual std::string PolicyEditorPackage() = 0;
};

} // namespace platform
