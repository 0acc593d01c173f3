#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace platform::linux_ {

// The keys of one layout of an XKB keymap under the Windows virtual-key codes of stored shortcut
// values, given the way Windows gives them for that layout: the top-row digit keys are the
// digits whatever they write, a key that writes a Latin letter is that letter (Q and A trade
// places on a French keyboard, Y and Z on a German one; a layout without Latin letters keeps the
// letters where a US keyboard has them), and the other keys of the typing block take the
// punctuation code of what they write, else that of their place on a US keyboard, else a free
// one, so no two keys share a code. Keys outside the typing block (function, editing, keypad and
// media keys) go by their symbol.
class TLayoutKeys {
public:
    // Keymap: a reference is kept; Layout: the group in effect.
    TLayoutKeys(xkb_keymap *Keymap, uint32_t Layout);
    ~TLayoutKeys();
    TLayoutKeys(const TLayoutKeys &) = delete;
    TLayoutKeys &operator=(const TLayoutKeys &) = delete;

    // The keymap of XKB layout names ("fr", "de", "us") with the evdev rules, first layout in
    // effect; nullptr when the XKB data cannot make it.
    static std::unique_ptr<TLayoutKeys> FromNames(const std::string &Layout,
                                                  const std::string &Variant = {});

    // The virtual key of a key of the typing block; 0 for other keys and for keys the layout
    // leaves empty.
    uint32_t VirtualKey(uint32_t KeyCode) const;
    // The key codes that carry the virtual key on this layout; empty when the keymap has no
    // such key.
    std::vector<uint32_t> KeyCodes(uint32_t VirtualKey) const;
    // The key's name (UTF-8): what the layout writes on it, in capitals; the fixed English name
    // for keys that write nothing; for a key this keymap lacks, what it writes on a US keyboard.
    std::string Name(uint32_t VirtualKey) const;
    // The key code of an XKB key name ("AE01"); 0 when the keymap has none.
    uint32_t KeyCode(const std::string &XkbName) const;

private:
    xkb_keymap *FKeymap;
    uint32_t FLayout;
    std::map<uint32_t, uint32_t> FTyping; // virtual key -> key code, typing block only
};

// The keymap of an X server's core keyboard, over a connection of its own made at the first
// question.
class TXkbServerKeymap {
public:
    // Display: as for XOpenDisplay; empty means $DISPLAY.
    explicit TXkbServerKeymap(const std::string &Display = {});
    ~TXkbServerKeymap();
    TXkbServerKeymap(const TXkbServerKeymap &) = delete;
    TXkbServerKeymap &operator=(const TXkbServerKeymap &) = delete;

    // The keymap and layout in effect now; nullptr without a server that speaks XKB.
    std::unique_ptr<TLayoutKeys> Current();
    // Asks the server to say when the user switches between the layouts of the keymap; the
    // descriptor to watch for its word, or -1.
    int WatchLayoutSwitches();
    // Reads what the server has said since; true when the layout in effect has changed.
    bool LayoutSwitched();
    // False once the connection to the server is lost.
    bool Connected() const;

private:
    bool Connect();

    std::string FDisplay;
    bool FConnectTried = false;
    xkb_context *FContext = nullptr;
    xcb_connection_t *FConnection = nullptr;
    int32_t FDeviceId = -1;
    uint8_t FFirstEvent = 0; // XKB's first event number
};

} // namespace platform::linux_
