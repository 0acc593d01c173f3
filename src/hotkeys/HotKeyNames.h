#pragma once

#include <QString>
#include <cstdint>
#include <memory>

namespace platform {
class IKeyNames;
}

// Shortcut values and the names shown for them.

// Shortcut value: the low 8 bits are a Windows virtual-key code; these bits add the modifiers.
// 0 means no hotkey to the callers. The stored and edited form keeps only the low 16 bits.
enum : uint32_t {
    HotKeyShift = 0x2000,
    HotKeyCtrl = 0x4000,
    HotKeyAlt = 0x8000,
    HotKeyWin = 0x10000,
};

// The modifier flags of the system's hotkey service (platform::Mod*) and the virtual-key code.
void SplitHotKey(uint32_t HotKey, uint32_t &Modifiers, uint32_t &Key);
// The display text, modifiers always in the order Ctrl, Shift, Alt, Win: "Ctrl+Alt+Q" for
// HotKeyCtrl | HotKeyAlt | 'Q'. Localized: names from the current keyboard layout; otherwise the
// English names and the US layout.
QString HotKeyText(uint32_t HotKey, bool Localized = true);
// The virtual-key code the current keyboard layout gives a key of the typing block (letters,
// digits, punctuation), by the display server's code for it (QKeyEvent::nativeScanCode); 0 for
// other keys and when the layout is not known.
uint32_t LayoutVirtualKey(uint32_t ScanCode);
// Virtual-key codes 166 to 183: browser, volume, media and launch keys.
bool IsMediaKey(uint32_t Key);
// The English name of a media key; empty for other keys.
QString MediaKeyName(uint32_t Key);
// True when every character is a capital A to Z (and for the empty text).
bool IsCapitalsOnly(const QString &Text);

// Prepares the display names of the modifiers from the key names of the current layout. Runs
// once at start-up, before any window exists; HotKeyText uses these names afterwards.
void InitializeHotKeyNames(std::shared_ptr<platform::IKeyNames> KeyNames);
// Lets go of the key-name service and clears the names.
void FinalizeHotKeyNames();
// The prepared names, for display and tests.
QString ShiftName();
QString CtrlName();
QString AltName();
QString WinName();
