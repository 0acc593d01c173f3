#include "XcbHotKeys.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include "platform/VirtualKeys.h"

namespace platform::linux_ {

namespace {

constexpr uint32_t XK_Num_Lock = 0xff7f;
constexpr uint32_t XK_Alt_L = 0xffe9, XK_Alt_R = 0xffea, XK_Meta_L = 0xffe7;
constexpr uint32_t XK_Super_L = 0xffeb, XK_Super_R = 0xffec;

std::vector<uint8_t> KeyCodesOfSym(xcb_key_symbols_t *Symbols, uint32_t KeySym) {
    std::vector<uint8_t> Codes;
    if (xcb_keycode_t *List = xcb_key_symbols_get_keycode(Symbols, KeySym)) {
        for (xcb_keycode_t *K = List; *K != XCB_NO_SYMBOL; ++K)
            if (std::find(Codes.begin(), Codes.end(), *K) == Codes.end())
                Codes.push_back(*K);
        std::free(List);
    }
    return Codes;
}

} // namespace

TXcbHotKeys::TXcbHotKeys(const std::string &Display) : FServerKeymap(Display) {
    int Screen = 0;
    FConnection = xcb_connect(Display.empty() ? nullptr : Display.c_str(), &Screen);
    if (xcb_connection_has_error(FConnection))
        return;
    xcb_screen_iterator_t It = xcb_setup_roots_iterator(xcb_get_setup(FConnection));
    for (int I = 0; I < Screen && It.rem; ++I)
        xcb_screen_next(&It);
    if (!It.rem)
        return;
    FRoot = It.data->root;
    FKeySymbols = xcb_key_symbols_alloc(FConnection);
    LoadModifierMasks();
    LoadLayoutKeys();
    FNotifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(FConnection),
                                                  QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, FNotifier.get(),
                     [this] { ReadEvents(); });
    // Switching between the layouts of one keymap moves the keys too, but is no mapping event.
    if (const int Fd = FServerKeymap.WatchLayoutSwitches(); Fd >= 0) {
        FLayoutNotifier = std::make_unique<QSocketNotifier>(Fd, QSocketNotifier::Read);
        QObject::connect(FLayoutNotifier.get(), &QSocketNotifier::activated, FLayoutNotifier.get(),
                         [this] { ReadLayoutSwitches(); });
    }
}

TXcbHotKeys::~TXcbHotKeys() {
    FLayoutNotifier.reset();
    FNotifier.reset();
    if (Connected())
        for (const TGrab &G : FGrabs)
            Ungrab(G);
    if (FKeySymbols)
        xcb_key_symbols_free(FKeySymbols);
    if (FConnection) {
        xcb_flush(FConnection);
        xcb_disconnect(FConnection);
    }
}

bool TXcbHotKeys::Connected() const {
    return FConnection && !xcb_connection_has_error(FConnection) && FRoot != 0;
}

bool TXcbHotKeys::Grabbed(uint16_t Id) const {
    return std::any_of(FGrabs.begin(), FGrabs.end(),
                       [Id](const TGrab &G) { return G.Id == Id && !G.KeyCodes.empty(); });
}

void TXcbHotKeys::LoadLayoutKeys() {
    // A keymap of its own connection: asking XKB on ours would change which mapping events
    // the server sends it.
    FLayoutKeys = FServerKeymap.Current();
    // Reading the keymap waits for replies, behind which a switch may have been queued unseen.
    if (FLayoutNotifier)
        QTimer::singleShot(0, FLayoutNotifier.get(), [this] { ReadLayoutSwitches(); });
}

void TXcbHotKeys::ReadLayoutSwitches() {
    if (FServerKeymap.LayoutSwitched() && Connected())
        Regrab();
    // A lost connection would keep its descriptor readable for good.
    if (!FServerKeymap.Connected() && FLayoutNotifier)
        FLayoutNotifier->setEnabled(false);
}

std::vector<uint8_t> TXcbHotKeys::KeyCodesOf(uint32_t VirtualKey) const {
    std::vector<uint8_t> Codes;
    if (FLayoutKeys) {
        for (uint32_t C : FLayoutKeys->KeyCodes(VirtualKey))
            if (C <= 0xFF)
                Codes.push_back(uint8_t(C));
    } else if (const TVirtualKey *Key = FindVirtualKey(VirtualKey)) {
        Codes = KeyCodesOfSym(FKeySymbols, Key->KeySym);
    }
    return Codes;
}

void TXcbHotKeys::LoadModifierMasks() {
    // Which of Mod1..Mod5 carries Alt, the Windows key and Num Lock depends on the keymap.
    xcb_get_modifier_mapping_reply_t *Reply =
        xcb_get_modifier_mapping_reply(FConnection, xcb_get_modifier_mapping(FConnection), nullptr);
    if (!Reply) {
        FAltMask = XCB_MOD_MASK_1;
        FWinMask = XCB_MOD_MASK_4;
        FNumLockMask = XCB_MOD_MASK_2;
        return;
    }
    const xcb_keycode_t *Codes = xcb_get_modifier_mapping_keycodes(Reply);
    const int PerMod = Reply->keycodes_per_modifier;
    const auto MaskOf = [&](std::initializer_list<uint32_t> Syms) -> uint16_t {
        std::vector<uint8_t> Wanted;
        for (uint32_t S : Syms)
            for (uint8_t C : KeyCodesOfSym(FKeySymbols, S))
                Wanted.push_back(C);
        for (int Mod = 3; Mod < 8; ++Mod) // Mod1..Mod5
            for (int I = 0; I < PerMod; ++I) {
                const uint8_t C = Codes[Mod * PerMod + I];
                if (C && std::find(Wanted.begin(), Wanted.end(), C) != Wanted.end())
                    return uint16_t(1u << Mod);
            }
        return 0;
    };
    FAltMask = MaskOf({XK_Alt_L, XK_Alt_R, XK_Meta_L});
    FWinMask = MaskOf({XK_Super_L, XK_Super_R});
    FNumLockMask = MaskOf({XK_Num_Lock});
    if (!FAltMask)
        FAltMask = XCB_MOD_MASK_1;
    if (!FWinMask)
        FWinMask = XCB_MOD_MASK_4;
    std::free(Reply);
}

std::vector<uint16_t> TXcbHotKeys::LockVariants(uint16_t NumLockMask) {
    std::vector<uint16_t> V = {0, XCB_MOD_MASK_LOCK};
    if (NumLockMask)
        V.insert(V.end(), {NumLockMask, uint16_t(NumLockMask | XCB_MOD_MASK_LOCK)});
    return V;
}

bool TXcbHotKeys::Register(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) {
    if (!Connected() || Id == 0)
        return false;
    // X lets a client grab its own combination twice and keeps one grab, so a second claim
    // within the program has to be refused here, grabbed now or not.
    for (const TGrab &G : FGrabs)
        if (G.Id == Id || (G.Modifiers == (Modifiers & 0xF) && G.VirtualKey == VirtualKey))
            return false;
    // The keymap may have changed since its mapping event was last read.
    LoadLayoutKeys();
    TGrab New{Id, Modifiers & 0xF, VirtualKey, 0, {}, 0};
    if (!Grab(New))
        return false;
    FGrabs.push_back(std::move(New));
    return true;
}

bool TXcbHotKeys::Grab(TGrab &Grab) {
    Grab.KeyCodes.clear();
    Grab.NumLockMask = FNumLockMask;
    Grab.Mask = 0;
    if (Grab.Modifiers & ModShift)
        Grab.Mask |= XCB_MOD_MASK_SHIFT;
    if (Grab.Modifiers & ModControl)
        Grab.Mask |= XCB_MOD_MASK_CONTROL;
    if (Grab.Modifiers & ModAlt)
        Grab.Mask |= FAltMask;
    if (Grab.Modifiers & ModWin)
        Grab.Mask |= FWinMask;
    std::vector<uint8_t> Codes = KeyCodesOf(Grab.VirtualKey);
    if (Codes.empty())
        return false;
    // Two registrations on one key with one mask could not tell their presses apart.
    for (const TGrab &G : FGrabs)
        if (&G != &Grab && G.Mask == Grab.Mask)
            for (uint8_t C : Codes)
                if (std::find(G.KeyCodes.begin(), G.KeyCodes.end(), C) != G.KeyCodes.end())
                    return false;
    Grab.KeyCodes = std::move(Codes);
    std::vector<xcb_void_cookie_t> Cookies;
    for (uint8_t Code : Grab.KeyCodes)
        for (uint16_t Lock : LockVariants(Grab.NumLockMask))
            Cookies.push_back(xcb_grab_key_checked(FConnection, 1, FRoot, Grab.Mask | Lock, Code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool Ok = true;
    for (xcb_void_cookie_t Cookie : Cookies)
        if (xcb_generic_error_t *Error = xcb_request_check(FConnection, Cookie)) {
            // BadAccess: another client holds it; anything else leaves the grab unusable too.
            Ok = false;
            std::free(Error);
        }
    // Waiting for the replies may have queued key events the socket notifier will not report.
    QTimer::singleShot(0, FNotifier.get(), [this] { ReadEvents(); });
    if (!Ok) {
        // Ungrabbing only touches our own grabs, so the variants another client holds stay its.
        Ungrab(Grab);
        Grab.KeyCodes.clear();
        return false;
    }
    return true;
}

void TXcbHotKeys::Ungrab(const TGrab &Grab) {
    if (Grab.KeyCodes.empty())
        return;
    for (uint8_t Code : Grab.KeyCodes)
        for (uint16_t Lock : LockVariants(Grab.NumLockMask))
            xcb_ungrab_key(FConnection, Code, FRoot, Grab.Mask | Lock);
    xcb_flush(FConnection);
}

bool TXcbHotKeys::Unregister(uint16_t Id) {
    const auto It =
        std::find_if(FGrabs.begin(), FGrabs.end(), [Id](const TGrab &G) { return G.Id == Id; });
    if (It == FGrabs.end())
        return false;
    if (Connected()) {
        Ungrab(*It);
        // Wait until the server has let go, so the combination is free for anyone once we return.
        std::free(
            xcb_get_input_focus_reply(FConnection, xcb_get_input_focus(FConnection), nullptr));
    }
    FGrabs.erase(It);
    return true;
}

void TXcbHotKeys::Regrab() {
    // A new keymap (another layout, say) puts the keys elsewhere: a hotkey follows its key, as
    // virtual keys do. Every registration stays: one whose key this keymap lacks, or that
    // another client holds here, is grabbed again on the next keymap that lets it.
    LoadModifierMasks();
    LoadLayoutKeys();
    // Let go and take again as one step: between the two another client could take a key this
    // program keeps (the keymap was read above, on another connection, which the server grab
    // would hold up).
    xcb_grab_server(FConnection);
    for (TGrab &G : FGrabs) {
        Ungrab(G);
        G.KeyCodes.clear();
    }
    for (TGrab &G : FGrabs)
        Grab(G);
    xcb_ungrab_server(FConnection);
    xcb_flush(FConnection);
}

void TXcbHotKeys::ReadEvents() {
    if (!Connected()) {
        if (FNotifier)
            FNotifier->setEnabled(false);
        return;
    }
    struct TPress {
        uint16_t Id;
        uint32_t Modifiers, VirtualKey;
    };
    std::vector<TPress> Presses;
    const uint16_t Relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | FAltMask | FWinMask;
    while (xcb_generic_event_t *Event = xcb_poll_for_event(FConnection)) {
        if ((Event->response_type & 0x7f) == XCB_KEY_PRESS) {
            const auto *Press = reinterpret_cast<xcb_key_press_event_t *>(Event);
            const uint16_t Mask = Press->state & Relevant;
            for (const TGrab &G : FGrabs)
                if (G.Mask == Mask && std::find(G.KeyCodes.begin(), G.KeyCodes.end(),
                                                Press->detail) != G.KeyCodes.end()) {
                    Presses.push_back({G.Id, G.Modifiers, G.VirtualKey});
                    break;
                }
        } else if ((Event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
            auto *Mapping = reinterpret_cast<xcb_mapping_notify_event_t *>(Event);
            if (Mapping->request != XCB_MAPPING_POINTER) {
                xcb_refresh_keyboard_mapping(FKeySymbols, Mapping);
                Regrab();
            }
        }
        std::free(Event);
    }
    // Handlers may open modal boxes, which run the event loop again: they run only after the
    // queue has been read, and each press is checked against the grabs still held.
    for (const TPress &P : Presses) {
        const bool Held =
            std::any_of(FGrabs.begin(), FGrabs.end(), [&](const TGrab &G) { return G.Id == P.Id; });
        if (Held && FOnPressed)
            FOnPressed(P.Id, P.Modifiers, P.VirtualKey);
    }
}

} // namespace platform::linux_
