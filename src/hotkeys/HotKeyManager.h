#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "HotKeyNames.h"
#include "platform/HotKeys.h"

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
    // True when an entry with that value was found and let go of without complaint; the entry
    // leaves the list in any case.
    bool RemoveHotKey(uint32_t HotKey);
    void ClearHotKeys();

    const std::vector<THotKeyEntry> &HotKeyList() const { return FHotKeyList; }

    TOnHotKeyPressed OnHotKeyPressed() const { return FOnHotKeyPressed; }
    void SetOnHotKeyPressed(TOnHotKeyPressed Value) { FOnHotKeyPressed = std::move(Value); }

protected:
    // Each press the system reports: the shortcut value is rebuilt from it, and only a value that
    // is registered here exactly raises the event.
    virtual void HotKeyWndProc(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey);

private:
    bool ReleaseEntry(const THotKeyEntry &Entry);

    std::shared_ptr<platform::IHotKeys> FHotKeys;
    std::vector<THotKeyEntry> FHotKeyList;
    TOnHotKeyPressed FOnHotKeyPressed;
};
