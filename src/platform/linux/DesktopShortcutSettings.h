#pragma once

#include <string>

#include "platform/DesktopShortcuts.h"

namespace platform::linux_ {

// GNOME's custom shortcuts (the media-keys plugin of gnome-settings-daemon, read through
// GSettings: a list of entry paths, each entry with a name, a command and a binding) where the
// desktop is GNOME; elsewhere the lines a user adds by hand: sway's bindsym lines, or one command
// per key. The program's own entries are those under OwnPathPrefix; nothing else is changed.
class TDesktopShortcutSettings : public IDesktopShortcuts {
public:
    // Executable: the program the keys run; CurrentDesktop: as $XDG_CURRENT_DESKTOP;
    // Sway: whether the desktop is sway.
    TDesktopShortcutSettings(std::string Executable, std::string CurrentDesktop, bool Sway);
    // From the running program and the environment.
    TDesktopShortcutSettings();

    static const char *const ListSchema;  // holds the list of entries
    static const char *const EntrySchema; // one entry, at its own path
    static const char *const OwnPathPrefix;

    bool CanEnter() override;
    bool Entered() override;
    std::string Enter(const std::vector<TEntry> &Entries) override;
    TLines LinesKind() const override { return FSway ? TLines::SwayConfig : TLines::Commands; }
    std::vector<std::string> HandLines(const std::vector<TEntry> &Entries) const override;

    // The command line of an action: the program by name where that name on PATH is this very
    // program, else by its path; quoted for a shell.
    std::string Command(const std::string &Action) const;
    // A combination in GNOME's accelerator syntax ("<Control><Alt>q"); empty for no key.
    static std::string GnomeBinding(uint32_t Modifiers, uint32_t VirtualKey);
    // The same in sway's syntax ("Ctrl+Alt+q").
    static std::string SwayBinding(uint32_t Modifiers, uint32_t VirtualKey);

private:
    std::string FExecutable;
    bool FGnome;
    bool FSway;
};

} // namespace platform::linux_
