#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// Modifier flags of a key combination; the same numbers as the hotkey flags of the system the
// program was first written for, so a stored shortcut value splits into them unchanged.
enum : uint32_t { ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8 };

// System-wide hotkeys: key combinations that reach the program whichever window has the focus.
// A combination is a set of Mod* flags and a Windows virtual-key code (VirtualKeys.h), so nothing
// above this layer knows how the display server names its keys.
class IHotKeys {
public:
    // Id: the identifier given to Register; Modifiers and VirtualKey: the combination held.
    using TOnPressed = std::function<void(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey)>;
    virtual ~IHotKeys() = default;
    // Claims the combination under Id, whatever the state of Num Lock and Caps Lock. False when
    // another program holds it, this program already holds it, Id is in use, or the keyboard has
    // no such key.
    virtual bool Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) = 0;
    // Lets go of the combination held under Id; false when nothing is held under it.
    virtual bool Unregister(uint16_t Id) = 0;
    // Called on the event loop for each press of a held combination; may be unset.
    virtual void SetOnPressed(TOnPressed Handler) = 0;

    // Some desktops answer a registration only later: Register then accepts what is well formed,
    // and a combination the desktop refuses, or drops afterwards, is reported here by its Id (it
    // stays registered here, so Unregister still lets go of it). Backends that answer at once
    // never call it.
    using TOnRefused = std::function<void(uint16_t Id)>;
    virtual void SetOnRefused(TOnRefused Handler) { static_cast<void>(Handler); }
    // False when this desktop offers no system-wide hotkeys at all; every registration is then
    // refused at once, and nothing is reported through OnRefused. Empty while the desktop has
    // not answered yet: never waited for, since the desktop's service may be slow or silent;
    // registrations meanwhile are accepted, and the answer goes to OnAvailable once.
    virtual std::optional<bool> Available() { return true; }
    using TOnAvailable = std::function<void(bool Offered)>;
    virtual void SetOnAvailable(TOnAvailable Handler) { static_cast<void>(Handler); }
};

} // namespace platform
