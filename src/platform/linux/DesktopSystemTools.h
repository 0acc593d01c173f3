#pragma once

#include <QStringList>
#include <string>
#include <vector>

#include "platform/SystemTools.h"

namespace platform::linux_ {

// The administration tools of the common Linux desktops, looked up on the search path. Tools
// of the running desktop ($XDG_CURRENT_DESKTOP) come first; among the rest, the order of the
// lists below. Every candidate is a program the desktop ships or that its user can install by
// the package name given with it.
class TDesktopSystemTools : public ISystemTools {
public:
    struct TCandidate {
        const char *Program;
        const char *Desktop; // as $XDG_CURRENT_DESKTOP names it, lower case
        const char *Package; // the package that installs Program
    };
    // SearchPath: folders separated by ':'; empty means $PATH. Desktops: empty means the
    // environment's, read on every call.
    explicit TDesktopSystemTools(std::string SearchPath = {}, std::string CurrentDesktop = {});

    std::string SettingsEditor() override;
    std::string PolicyEditor() override;
    std::string SettingsEditorPackage() override;
    std::string PolicyEditorPackage() override;

    static const std::vector<TCandidate> &SettingsEditors();
    static const std::vector<TCandidate> &PolicyEditors();

private:
    QStringList Desktops() const;
    std::string FirstInstalled(const std::vector<TCandidate> &Candidates) const;
    std::string PackageFor(const std::vector<TCandidate> &Candidates) const;
    std::string FSearchPath;
    std::string FCurrentDesktop;
};

} // namespace platform::linux_
