#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/HotKeys.h"

namespace platform {
class IKeyNames;
}

// Shortcut value: the low 8 bits are a Windows virtual-key code; these bits add the modifiers.
// 0 means no hotkey to the callers. The stored and edited form keeps only the low 16 bits.
enum : uint32_t {
    HotKeyShift = 0x2000,
    HotKeyCtrl = 0x4000,
    HotKeyAlt = 0x8000,
    HotKeyWin = 0x10000,
};

// One registered hotkey: the value passed to AddHotKey and the identifier it was given.
struct THotKeyEntry {
    uint32_t HotKey;
    uint16_t Index;
};

// Registers system-wide hotkeys and raises OnHotKeyPressed when one is pressed. It knows nothing
// of the features bound to them. Identifiers are atoms named after the value, so the same value
// always has the same identifier while it is registered.
class THotKeyManager {
public:
    using TOnHotKeyPressed = std::function<void(uint32_t HotKey, uint16_t Index)>;

    // HotKeys: the system's hotkey service; without one every registration fails.
    explicit THotKeyManager(std::shared_ptr<platform::IHotKeys> HotKeys);
    virtual ~THotKeyManager();
    THotKeyManager(const THotKeyManager &) = delete;
    THotKeyManager &operator=(const THotKeyManager &) = delete;

    // The identifier of the new registration; 0 when the combination is held, here or elsewhere.
    uint16_t AddHotKey(uint32_t HotKey);
    // Replaces the hotkey registered under Index: the old one is gone even when the new one
    // fails. 0 on failure or when no entry has that Index.
    uint16_t ChangeHotKey(uint16_t Index, uint32_t NewHotKey);
    // True when an entry with that value was found and let go of without complaint; the entry
    // leaves the list in any case.
    bool RemoveHotKey(uint32_t HotKey);
    bool RemoveHotKeyByIndex(uint16_t Index);
    void ClearHotKeys();
    // True when the combination is free or already held by this manager.
    bool HotKeyValid(uint32_t HotKey);

    const std::vector<THotKeyEntry> &HotKeyList() const { return FHotKeyList; }

    TOnHotKeyPressed OnHotKeyPressed() const { return FOnHotKeyPressed; }
    void SetOnHotKeyPressed(TOnHotKeyPressed Value) { FOnHotKeyPressed = std::move(Value); }

protected:
    // Each press the system reports: the shortcut value is rebuilt from it, and only a value that
    // is registered here exactly raises the event.
    virtual void HotKeyWndProc(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey);

private:
    bool ReleaseEntry(const THotKeyEntry &Entry);
    bool RemoveWhere(const std::function<bool(const THotKeyEntry &)> &Match);

    std::shared_ptr<platform::IHotKeys> FHotKeys;
    std::vector<THotKeyEntry> FHotKeyList;
    TOnHotKeyPressed FOnHotKeyPressed;
};

// The modifier flags of the system's hotkey service (platform::Mod*) and the virtual-key code.
void SplitHotKey(uint32_t HotKey, uint32_t &Modifiers, uint32_t &Key);
// The display text, modifiers always in the order Ctrl, Shift, Alt, Win: "Ctrl+Alt+Q" for
// 49233. Localized: names from the current keyboard layout; otherwise the English names and
// the US layout.
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
