#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The desktop's own keyboard-shortcut settings, for desktops that give programs no system-wide
// hotkeys of their own: there a key can still run the program with one of its command-line
// actions, entered by the program itself where the desktop lets it (GNOME's custom shortcuts),
// or by the user from lines the program gives.
class IDesktopShortcuts {
public:
    // One key: the command-line action it runs ("--capture"), which also names the entry, a
    // name the desktop's settings show, and the combination (Mod* flags of HotKeys.h and a
    // virtual-key code; 0 for no key).
    struct TEntry {
        std::string Action;
        std::string Name;
        uint32_t Modifiers = 0;
        uint32_t VirtualKey = 0;
    };
    // What the lines of HandLines are.
    enum class TLines {
        SwayConfig, // lines for sway's configuration file
        Commands,   // one "key: command" per line, for the desktop's shortcut settings
    };
    virtual ~IDesktopShortcuts() = default;

    // Whether the program can enter its keys in the desktop's settings itself.
    virtual bool CanEnter() = 0;
    // Whether some of the program's own entries are in the desktop's settings now.
    virtual bool Entered() = 0;
    // Makes the program's own entries in the desktop's settings those of Entries: each one added
    // or changed; an entry without a key, and every entry of the program not in Entries,
    // removed. Entries of others are kept as they are, in their order. An empty error text when
    // done, else why not.
    virtual std::string Enter(const std::vector<TEntry> &Entries) = 0;

    // What the user can add by hand instead, one line per entry with a key.
    virtual TLines LinesKind() const = 0;
    virtual std::vector<std::string> HandLines(const std::vector<TEntry> &Entries) const = 0;
};

} // namespace platform
