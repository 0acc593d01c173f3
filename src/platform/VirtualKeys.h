#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// One key of the Windows virtual-key codes kept in stored shortcut values, with the X keysym
// that grabs it and the Qt key that an entry field receives for it.
struct TVirtualKey {
    uint8_t Code;     // Windows virtual-key code
    uint32_t KeySym;  // X keysym of the key's first level
    int QtKey;        // Qt::Key
    int QtKeyShifted; // Qt::Key of the same key with Shift on a US layout; 0 when none
    bool Keypad;      // the key sits on the numeric keypad
    const char *Name; // fixed English name; nullptr for keys the layout names
};

const std::vector<TVirtualKey> &VirtualKeys();
// The entry of a virtual-key code, or nullptr.
const TVirtualKey *FindVirtualKey(uint32_t Code);
// The entry for a Qt key; with Keypad, keypad keys are preferred. nullptr when none.
const TVirtualKey *FindVirtualKeyByQtKey(int QtKey, bool Keypad);

} // namespace platform
