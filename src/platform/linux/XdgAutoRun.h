#pragma once

#include "platform/AutoRun.h"

namespace platform::linux_ {

// Desktop entries in the freedesktop.org autostart folders: the machine-wide
// folder first, the user's own where that cannot be written. Both folders are given, so tests
// use temporary ones.
class TXdgAutoRun : public IAutoRun {
public:
    TXdgAutoRun(std::string SystemDir, std::string UserDir);
    TAutoRunResult Enable(const std::string &ExeName, const std::string &ExePath) override;
    TAutoRunResult Disable(const std::string &ExeName) override;

    // The folders used on this machine: /etc/xdg/autostart and $XDG_CONFIG_HOME/autostart.
    static std::string DefaultSystemDir();
    static std::string DefaultUserDir();
    // Exec= value for a program path, quoted by the Desktop Entry rules.
    static std::string QuoteExec(const std::string &Path);

private:
    std::string FSystemDir;
    std::string FUserDir;
};

} // namespace platform::linux_
