#pragma once

#include <memory>
#include <string>
#include <vector>

#include "XkbLayoutKeys.h"
#include "platform/HotKeys.h"

struct xcb_connection_t;
struct _XCBKeySymbols;
class QSocketNotifier;

namespace platform::linux_ {

// Hotkeys as passive key grabs on the root window, over a connection of our own to the X server.
// Each combination is grabbed four times (with and without Num Lock and Caps Lock), since X
// matches the modifier state exactly. A grab another client holds fails with BadAccess, which
// checked requests let us see at once. A virtual key is grabbed on the key that carries it on
// the current layout (TLayoutKeys), and again on a new keymap; a registration whose key the
// keymap lacks stays, ungrabbed, until a keymap has it again.
class TXcbHotKeys : public IHotKeys {
public:
    // Display: as for XOpenDisplay; empty means $DISPLAY.
    explicit TXcbHotKeys(const std::string &Display = {});
    ~TXcbHotKeys() override;
    TXcbHotKeys(const TXcbHotKeys &) = delete;
    TXcbHotKeys &operator=(const TXcbHotKeys &) = delete;

    bool Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) override;
    bool Unregister(uint16_t Id) override;
    void SetOnPressed(TOnPressed Handler) override { FOnPressed = std::move(Handler); }

    bool Connected() const;
    // Whether the combination registered under Id is grabbed now (false while the keymap lacks
    // its key, or another client holds it on this keymap).
    bool Grabbed(uint16_t Id) const;
    // The lock states a combination is grabbed under, so that it works with Caps Lock and Num Lock
    // on or off: none, Caps Lock, and, where the keymap has Num Lock (NumLockMask), Num Lock
    // alone and with Caps Lock.
    static std::vector<uint16_t> LockVariants(uint16_t NumLockMask);

private:
    struct TGrab {
        uint16_t Id;
        uint32_t Modifiers;
        uint32_t VirtualKey;
        uint16_t Mask = 0;             // X modifier mask, locks excluded
        std::vector<uint8_t> KeyCodes; // empty while not grabbed
        uint16_t NumLockMask = 0;      // the Num Lock modifier when grabbed
    };
    void LoadModifierMasks();
    void LoadLayoutKeys();
    std::vector<uint8_t> KeyCodesOf(uint32_t VirtualKey) const;
    // Grabs the registration on the current keymap; false, with nothing grabbed, when the key is
    // missing, another registration has the same keys, or another client holds it.
    bool Grab(TGrab &Grab);
    void Regrab();
    void Ungrab(const TGrab &Grab);
    void ReadEvents();
    void ReadLayoutSwitches();

    xcb_connection_t *FConnection = nullptr;
    uint32_t FRoot = 0;
    _XCBKeySymbols *FKeySymbols = nullptr;
    TXkbServerKeymap FServerKeymap;
    std::unique_ptr<TLayoutKeys> FLayoutKeys; // nullptr without XKB: keysyms of the core map
    std::unique_ptr<QSocketNotifier> FNotifier;
    std::unique_ptr<QSocketNotifier> FLayoutNotifier; // the user switching layouts
    std::vector<TGrab> FGrabs;
    TOnPressed FOnPressed;
    uint16_t FAltMask = 0;
    uint16_t FWinMask = 0;
    uint16_t FNumLockMask = 0;
};

} // namespace platform::linux_
