#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Display names of keys, given by Windows virtual-key code, and the codes of the layout's keys.
class IKeyNames {
public:
    virtual ~IKeyNames() = default;
    // The name of the key (UTF-8): as the current keyboard layout writes it when Localized, as
    // the US English layout does otherwise. Keys that print nothing have fixed English names
    // ("Page Up", "F5"); empty when the key has no name.
    virtual std::string KeyName(uint32_t VirtualKey, bool Localized) = 0;
    // The virtual-key code the current layout gives a key of the typing block (letters, digits,
    // punctuation), by the code the display server reports for the key (a Qt key event's native
    // scan code); 0 for other keys, or when the layout is not known.
    virtual uint32_t VirtualKeyOfScanCode(uint32_t ScanCode) {
        (void)ScanCode;
        return 0;
    }
};

// The key names of the system the program was built for. Needs no window, so it can be made
// before any exists.
std::shared_ptr<IKeyNames> CreateKeyNames();

} // namespace platform
