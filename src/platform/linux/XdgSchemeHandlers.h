#pragma once

#include <string>
#include <vector>

#include "platform/SchemeHandlers.h"

namespace platform::linux_ {

// The folders of the freedesktop base-directory rules that hold desktop entries and the
// mimeapps.list preference files.
struct TXdgDirs {
    std::string DataHome;                // $XDG_DATA_HOME, else ~/.local/share
    std::vector<std::string> DataDirs;   // $XDG_DATA_DIRS, else /usr/local/share:/usr/share
    std::string ConfigHome;              // $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> ConfigDirs; // $XDG_CONFIG_DIRS, else /etc/xdg
    std::vector<std::string> Desktops;   // $XDG_CURRENT_DESKTOP, lower case
    static TXdgDirs FromEnvironment();
};

// One desktop entry, as far as starting it goes.
struct TDesktopEntry {
    std::string File;
    std::string Name;
    std::string Icon;
    std::string Exec;
    std::string Path; // working folder, may be empty
};

// Scheme handlers as the freedesktop MIME-applications rules register them: the type
// x-scheme-handler/<scheme> in the mimeapps.list files (default applications first, then added
// associations less the removed ones) and in the MimeType key of the desktop entries. The
// handler is started from its own Exec line, so the program found is the program started.
class TXdgSchemeHandlers : public ISchemeHandlers {
public:
    // The folders come from the environment, read anew on every call.
    TXdgSchemeHandlers() = default;
    // Fixed folders (tests).
    explicit TXdgSchemeHandlers(TXdgDirs Dirs);

    bool IsRegistered(const std::string &Scheme) override;
    bool OpenAddress(const std::string &Address) override;

    // The entry of the handler for Scheme; its File is empty when none is registered.
    TDesktopEntry FindHandler(const std::string &Scheme) const;
    // The command line an Exec value gives for one address, its field codes expanded (the
    // address appended when the line takes none). Empty when the value cannot be parsed.
    static std::vector<std::string> ExpandExec(const TDesktopEntry &Entry,
                                               const std::string &Address);

private:
    TXdgDirs Dirs() const;
    bool FFixed = false;
    TXdgDirs FDirs;
};

} // namespace platform::linux_
