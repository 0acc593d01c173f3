#include "XkbKeyNames.h"

#include <QString>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/VirtualKeys.h"

namespace platform::linux_ {

namespace {

// The name of what a key's first level writes, or empty for a key that writes nothing.
std::string PrintedName(xkb_keysym_t Sym) {
    const uint32_t Char = xkb_keysym_to_utf32(Sym);
    if (Char <= 0x20 || Char == 0x7f)
        return {};
    const char32_t Text[] = {Char, 0};
    return QString::fromUcs4(Text).toUpper().toStdString();
}

std::string NameOn(xkb_keymap *Keymap, xkb_layout_index_t Layout, xkb_keysym_t Wanted) {
    const xkb_keycode_t Min = xkb_keymap_min_keycode(Keymap), Max = xkb_keymap_max_keycode(Keymap);
    // The key that writes the wanted symbol on any level names itself by its first level, as a
    // layout's key labels do ("&" for the 1 key of a French keyboard).
    for (xkb_level_index_t Level = 0; Level < 4; ++Level)
        for (xkb_keycode_t Code = Min; Code <= Max; ++Code) {
            const xkb_layout_index_t L =
                Layout < xkb_keymap_num_layouts_for_key(Keymap, Code) ? Layout : 0;
            const xkb_keysym_t *Syms = nullptr;
            const int N = xkb_keymap_key_get_syms_by_level(Keymap, Code, L, Level, &Syms);
            for (int I = 0; I < N; ++I)
                if (Syms[I] == Wanted) {
                    const xkb_keysym_t *First = nullptr;
                    if (xkb_keymap_key_get_syms_by_level(Keymap, Code, L, 0, &First) > 0) {
                        std::string Name = PrintedName(First[0]);
                        if (!Name.empty())
                            return Name;
                    }
                    return PrintedName(Wanted);
                }
        }
    return PrintedName(Wanted);
}

} // namespace

TXkbKeyNames::TXkbKeyNames(const std::string &Display) : FDisplay(Display) {}

// The connection and the keymaps are made at the first question, not at construction: compiling
// a keymap reads the XKB data files, and the program asks for names only when it shows one.
bool TXkbKeyNames::Connect() {
    if (FConnectTried)
        return FDeviceId >= 0;
    FConnectTried = true;
    if (!Context())
        return false;
    FConnection = xcb_connect(FDisplay.empty() ? nullptr : FDisplay.c_str(), nullptr);
    if (xcb_connection_has_error(FConnection) ||
        !xkb_x11_setup_xkb_extension(
            FConnection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return false;
    FDeviceId = xkb_x11_get_core_keyboard_device_id(FConnection);
    return FDeviceId >= 0;
}

xkb_context *TXkbKeyNames::Context() {
    if (!FContext)
        FContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    return FContext;
}

xkb_keymap *TXkbKeyNames::UsKeymap() {
    // Tried once: where the XKB data is missing, every later name falls back without it.
    if (!FUsTried) {
        FUsTried = true;
        const xkb_rule_names Us = {"evdev", "pc105", "us", "", ""};
        if (Context())
            FUsKeymap = xkb_keymap_new_from_names(FContext, &Us, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    return FUsKeymap;
}

TXkbKeyNames::~TXkbKeyNames() {
    if (FConnection)
        xcb_disconnect(FConnection);
    if (FUsKeymap)
        xkb_keymap_unref(FUsKeymap);
    if (FContext)
        xkb_context_unref(FContext);
}

std::string TXkbKeyNames::KeyName(uint32_t VirtualKey, bool Localized) {
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    if (!Key)
        return {};
    if (Key->Name)
        return Key->Name;
    if (Localized && Connect() && !xcb_connection_has_error(FConnection)) {
        xkb_keymap *Keymap = xkb_x11_keymap_new_from_device(FContext, FConnection, FDeviceId,
                                                            XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (Keymap) {
            xkb_layout_index_t Layout = 0;
            if (xkb_state *State = xkb_x11_state_new_from_device(Keymap, FConnection, FDeviceId)) {
                Layout = xkb_state_serialize_layout(State, XKB_STATE_LAYOUT_EFFECTIVE);
                xkb_state_unref(State);
            }
            std::string Name = NameOn(Keymap, Layout, Key->KeySym);
            xkb_keymap_unref(Keymap);
            return Name;
        }
    }
    xkb_keymap *Us = UsKeymap();
    return Us ? NameOn(Us, 0, Key->KeySym) : PrintedName(Key->KeySym);
}

} // namespace platform::linux_
