#pragma once

#include <string>

#include "platform/KeyNames.h"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace platform::linux_ {

// Key names from xkbcommon: printable keys are named by what their first level writes on the
// layout (upper case), the other keys by the fixed names of the virtual-key table. The current
// layout is read from the X server at each call, since the user may switch it at any time;
// without a server, or when not localized, the US English layout is used.
class TXkbKeyNames : public IKeyNames {
public:
    explicit TXkbKeyNames(const std::string &Display = {});
    ~TXkbKeyNames() override;
    TXkbKeyNames(const TXkbKeyNames &) = delete;
    TXkbKeyNames &operator=(const TXkbKeyNames &) = delete;
    std::string KeyName(uint32_t VirtualKey, bool Localized) override;

private:
    bool Connect();
    xkb_context *Context();
    xkb_keymap *UsKeymap();

    std::string FDisplay;
    bool FConnectTried = false;
    bool FUsTried = false;
    xkb_context *FContext = nullptr;
    xkb_keymap *FUsKeymap = nullptr;
    xcb_connection_t *FConnection = nullptr;
    int32_t FDeviceId = -1;
};

} // namespace platform::linux_
