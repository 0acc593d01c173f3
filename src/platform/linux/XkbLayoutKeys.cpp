#include "XkbLayoutKeys.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <xcb/xcb.h>
// xcb's XKB header names a field "explicit", a keyword of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/VirtualKeys.h"

namespace platform::linux_ {

namespace {

// The typing block by XKB key name, with the virtual key each key has on a US keyboard.
struct TTypingKey {
    const char *Name;
    uint32_t UsCode;
};
constexpr TTypingKey TypingKeys[] = {
    {"AE01", '1'},  {"AE02", '2'}, {"AE03", '3'},  {"AE04", '4'},  {"AE05", '5'},  {"AE06", '6'},
    {"AE07", '7'},  {"AE08", '8'}, {"AE09", '9'},  {"AE10", '0'},  {"TLDE", 0xC0}, {"AE11", 0xBD},
    {"AE12", 0xBB}, {"AD01", 'Q'}, {"AD02", 'W'},  {"AD03", 'E'},  {"AD04", 'R'},  {"AD05", 'T'},
    {"AD06", 'Y'},  {"AD07", 'U'}, {"AD08", 'I'},  {"AD09", 'O'},  {"AD10", 'P'},  {"AD11", 0xDB},
    {"AD12", 0xDD}, {"AC01", 'A'}, {"AC02", 'S'},  {"AC03", 'D'},  {"AC04", 'F'},  {"AC05", 'G'},
    {"AC06", 'H'},  {"AC07", 'J'}, {"AC08", 'K'},  {"AC09", 'L'},  {"AC10", 0xBA}, {"AC11", 0xDE},
    {"BKSL", 0xDC}, {"AB01", 'Z'}, {"AB02", 'X'},  {"AB03", 'C'},  {"AB04", 'V'},  {"AB05", 'B'},
    {"AB06", 'N'},  {"AB07", 'M'}, {"AB08", 0xBC}, {"AB09", 0xBE}, {"AB10", 0xBF}, {"LSGT", 0xE2},
};
constexpr int TopRowDigits = 10; // the first ten entries

// The punctuation codes by what the key writes, as Windows names them after a US keyboard.
uint32_t PunctuationCode(xkb_keysym_t Sym) {
    switch (Sym) {
    case ';':
        return 0xBA;
    case '=':
    case '+':
        return 0xBB;
    case ',':
        return 0xBC;
    case '-':
        return 0xBD;
    case '.':
        return 0xBE;
    case '/':
        return 0xBF;
    case '`':
        return 0xC0;
    case '[':
        return 0xDB;
    case '\\':
        return 0xDC;
    case ']':
        return 0xDD;
    case '\'':
        return 0xDE;
    case '<':
        return 0xE2;
    default:
        return 0;
    }
}

// Codes for keys a US keyboard does not have, in the order they are handed out.
constexpr uint32_t SpareCodes[] = {0xDF, 0xE1, 0xE3, 0xE4, 0xC1, 0xC2, 0xBA, 0xBB, 0xBC,
                                   0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xE2};

// The name of what a keysym writes, in capitals; empty for one that writes nothing.
std::string PrintedName(xkb_keysym_t Sym) {
    const uint32_t Char = xkb_keysym_to_utf32(Sym);
    if (Char <= 0x20 || Char == 0x7f)
        return {};
    const char32_t Text[] = {Char, 0};
    return QString::fromUcs4(Text).toUpper().toStdString();
}

// A dead key is labelled with the accent it puts on the next letter.
std::string DeadKeyName(xkb_keysym_t Sym) {
    static const char32_t Accents[] = {U'`', U'´', U'^', U'~', U'¯', U'˘', U'˙',
                                       U'¨', U'˚', U'˝', U'ˇ', U'¸', U'˛'};
    if (Sym < XKB_KEY_dead_grave || Sym > XKB_KEY_dead_ogonek)
        return {};
    const char32_t Text[] = {Accents[Sym - XKB_KEY_dead_grave], 0};
    return QString::fromUcs4(Text).toStdString();
}

xkb_layout_index_t LayoutOf(xkb_keymap *Keymap, xkb_keycode_t Code, xkb_layout_index_t Layout) {
    return Layout < xkb_keymap_num_layouts_for_key(Keymap, Code) ? Layout : 0;
}

// The first symbol of a level, or XKB_KEY_NoSymbol.
xkb_keysym_t SymAt(xkb_keymap *Keymap, xkb_keycode_t Code, xkb_layout_index_t Layout,
                   xkb_level_index_t Level) {
    const xkb_keysym_t *Syms = nullptr;
    if (xkb_keymap_num_layouts_for_key(Keymap, Code) == 0)
        return XKB_KEY_NoSymbol;
    const int N = xkb_keymap_key_get_syms_by_level(Keymap, Code, LayoutOf(Keymap, Code, Layout),
                                                   Level, &Syms);
    return N > 0 ? Syms[0] : XKB_KEY_NoSymbol;
}

} // namespace

TLayoutKeys::TLayoutKeys(xkb_keymap *Keymap, uint32_t Layout)
    : FKeymap(xkb_keymap_ref(Keymap)), FLayout(Layout) {
    // The typing keys this keymap has, with what their first level writes.
    struct TKey {
        xkb_keycode_t Code;
        uint32_t UsCode;
        xkb_keysym_t Sym;
        bool Done = false;
    };
    std::vector<TKey> Keys;
    for (const TTypingKey &T : TypingKeys) {
        const xkb_keycode_t Code = xkb_keymap_key_by_name(FKeymap, T.Name);
        const xkb_keysym_t Sym =
            Code == XKB_KEYCODE_INVALID ? XKB_KEY_NoSymbol : SymAt(FKeymap, Code, FLayout, 0);
        Keys.push_back({Code, T.UsCode, Sym});
    }
    const auto Give = [this](TKey &K, uint32_t VirtualKey) {
        if (K.Done || K.Sym == XKB_KEY_NoSymbol || VirtualKey == 0 || FTyping.count(VirtualKey))
            return;
        FTyping[VirtualKey] = K.Code;
        K.Done = true;
    };
    for (int I = 0; I < TopRowDigits; ++I)
        Give(Keys[I], Keys[I].UsCode);
    for (TKey &K : Keys) {
        if (K.Sym >= XKB_KEY_a && K.Sym <= XKB_KEY_z)
            Give(K, K.Sym - XKB_KEY_a + 'A');
        else if (K.Sym >= XKB_KEY_A && K.Sym <= XKB_KEY_Z)
            Give(K, K.Sym);
    }
    for (TKey &K : Keys)
        Give(K, PunctuationCode(K.Sym));
    for (TKey &K : Keys)
        Give(K, K.UsCode);
    for (TKey &K : Keys)
        for (const uint32_t Spare : SpareCodes)
            Give(K, Spare);
}

TLayoutKeys::~TLayoutKeys() {
    xkb_keymap_unref(FKeymap);
}

std::unique_ptr<TLayoutKeys> TLayoutKeys::FromNames(const std::string &Layout,
                                                    const std::string &Variant) {
    xkb_context *Context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!Context)
        return nullptr;
    const xkb_rule_names Names = {"evdev", "pc105", Layout.c_str(), Variant.c_str(), ""};
    xkb_keymap *Keymap = xkb_keymap_new_from_names(Context, &Names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(Context);
    if (!Keymap)
        return nullptr;
    auto Keys = std::make_unique<TLayoutKeys>(Keymap, 0);
    xkb_keymap_unref(Keymap);
    return Keys;
}

uint32_t TLayoutKeys::VirtualKey(uint32_t KeyCode) const {
    for (const auto &[VirtualKey, Code] : FTyping)
        if (Code == KeyCode)
            return VirtualKey;
    return 0;
}

std::vector<uint32_t> TLayoutKeys::KeyCodes(uint32_t VirtualKey) const {
    if (const auto It = FTyping.find(VirtualKey); It != FTyping.end())
        return {It->second};
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    // Digits, letters and punctuation sit in the typing block or nowhere.
    if (!Key || !Key->Name)
        return {};
    std::set<uint32_t> Typing;
    for (const auto &Entry : FTyping)
        Typing.insert(Entry.second);
    std::vector<uint32_t> Codes;
    const xkb_keycode_t Min = xkb_keymap_min_keycode(FKeymap),
                        Max = xkb_keymap_max_keycode(FKeymap);
    for (xkb_keycode_t Code = Min; Code <= Max; ++Code) {
        if (Typing.count(Code) || xkb_keymap_num_layouts_for_key(FKeymap, Code) == 0)
            continue;
        const xkb_layout_index_t L = LayoutOf(FKeymap, Code, FLayout);
        const xkb_level_index_t Levels = xkb_keymap_num_levels_for_key(FKeymap, Code, L);
        for (xkb_level_index_t Level = 0; Level < Levels; ++Level)
            if (SymAt(FKeymap, Code, FLayout, Level) == Key->KeySym) {
                Codes.push_back(Code);
                break;
            }
    }
    return Codes;
}

std::string TLayoutKeys::Name(uint32_t VirtualKey) const {
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    if (Key && Key->Name)
        return Key->Name;
    if (const auto It = FTyping.find(VirtualKey); It != FTyping.end()) {
        const xkb_keysym_t First = SymAt(FKeymap, It->second, FLayout, 0);
        std::string Name = PrintedName(First);
        if (Name.empty())
            Name = DeadKeyName(First);
        if (Name.empty())
            Name = PrintedName(SymAt(FKeymap, It->second, FLayout, 1));
        return Name;
    }
    return Key ? PrintedName(Key->KeySym) : std::string();
}

uint32_t TLayoutKeys::KeyCode(const std::string &XkbName) const {
    const xkb_keycode_t Code = xkb_keymap_key_by_name(FKeymap, XkbName.c_str());
    return Code == XKB_KEYCODE_INVALID ? 0 : Code;
}

TXkbServerKeymap::TXkbServerKeymap(const std::string &Display) : FDisplay(Display) {}

TXkbServerKeymap::~TXkbServerKeymap() {
    if (FConnection)
        xcb_disconnect(FConnection);
    if (FContext)
        xkb_context_unref(FContext);
}

bool TXkbServerKeymap::Connect() {
    if (FConnectTried)
        return FDeviceId >= 0 && !xcb_connection_has_error(FConnection);
    FConnectTried = true;
    FContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!FContext)
        return false;
    FConnection = xcb_connect(FDisplay.empty() ? nullptr : FDisplay.c_str(), nullptr);
    if (xcb_connection_has_error(FConnection) ||
        !xkb_x11_setup_xkb_extension(
            FConnection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &FFirstEvent, nullptr))
        return false;
    FDeviceId = xkb_x11_get_core_keyboard_device_id(FConnection);
    return FDeviceId >= 0;
}

std::unique_ptr<TLayoutKeys> TXkbServerKeymap::Current() {
    if (!Connect())
        return nullptr;
    xkb_keymap *Keymap = xkb_x11_keymap_new_from_device(FContext, FConnection, FDeviceId,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!Keymap)
        return nullptr;
    xkb_layout_index_t Layout = 0;
    if (xkb_state *State = xkb_x11_state_new_from_device(Keymap, FConnection, FDeviceId)) {
        Layout = xkb_state_serialize_layout(State, XKB_STATE_LAYOUT_EFFECTIVE);
        xkb_state_unref(State);
    }
    auto Keys = std::make_unique<TLayoutKeys>(Keymap, Layout);
    xkb_keymap_unref(Keymap);
    return Keys;
}

int TXkbServerKeymap::WatchLayoutSwitches() {
    if (!Connect())
        return -1;
    xcb_xkb_select_events_details_t Details = {};
    Details.affectState = XCB_XKB_STATE_PART_GROUP_STATE;
    Details.stateDetails = XCB_XKB_STATE_PART_GROUP_STATE;
    xcb_xkb_select_events_aux(FConnection, xcb_xkb_device_spec_t(FDeviceId),
                              XCB_XKB_EVENT_TYPE_STATE_NOTIFY, 0, 0, 0, 0, &Details);
    xcb_flush(FConnection);
    return xcb_get_file_descriptor(FConnection);
}

bool TXkbServerKeymap::Connected() const {
    return FConnection && !xcb_connection_has_error(FConnection);
}

bool TXkbServerKeymap::LayoutSwitched() {
    if (!Connected())
        return false;
    bool Switched = false;
    while (xcb_generic_event_t *Event = xcb_poll_for_event(FConnection)) {
        if ((Event->response_type & 0x7f) == FFirstEvent && FFirstEvent != 0) {
            const auto *State = reinterpret_cast<xcb_xkb_state_notify_event_t *>(Event);
            if (State->xkbType == XCB_XKB_STATE_NOTIFY &&
                (State->changed & XCB_XKB_STATE_PART_GROUP_STATE))
                Switched = true;
        }
        std::free(Event);
    }
    return Switched;
}

} // namespace platform::linux_
