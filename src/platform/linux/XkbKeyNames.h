#pragma once

#include <memory>
#include <string>

#include "XkbLayoutKeys.h"
#include "platform/KeyNames.h"

namespace platform::linux_ {

// Key names from xkbcommon: printable keys are named by what their first level writes on the
// layout (upper case), the other keys by the fixed names of the virtual-key table; keys are
// given virtual keys as TLayoutKeys does. The current layout is read from the X server at each
// call, since the user may switch it at any time; without a server, or when not localized, the
// US English layout is used.
class TXkbKeyNames : public IKeyNames {
public:
    explicit TXkbKeyNames(const std::string &Display = {});
    ~TXkbKeyNames() override;
    TXkbKeyNames(const TXkbKeyNames &) = delete;
    TXkbKeyNames &operator=(const TXkbKeyNames &) = delete;
    std::string KeyName(uint32_t VirtualKey, bool Localized) override;
    uint32_t VirtualKeyOfScanCode(uint32_t ScanCode) override;

private:
    const TLayoutKeys *UsKeys();

    TXkbServerKeymap FServer;
    bool FUsTried = false;
    std::unique_ptr<TLayoutKeys> FUsKeys;
};

} // namespace platform::linux_
