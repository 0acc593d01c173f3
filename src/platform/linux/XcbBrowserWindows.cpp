#include "XcbBrowserWindows.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <memory>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace platform::linux_ {

namespace {

// WM_CLASS names of the browsers people run here; Internet Explorer's frame class is kept for
// the windows of the original desktop that run under Wine.
constexpr const char *BrowserClasses[] = {
    "IEFrame",
    "firefox",
    "firefox-esr",
    "Navigator",
    "librewolf",
    "waterfox",
    "seamonkey",
    "chromium",
    "chromium-browser",
    "google-chrome",
    "google-chrome-stable",
    "google-chrome-beta",
    "brave-browser",
    "microsoft-edge",
    "vivaldi-stable",
    "opera",
    "epiphany",
    "org.gnome.Epiphany",
    "falkon",
    "konqueror",
    "midori",
};

// ICCCM WM_STATE values.
constexpr uint32_t WithdrawnState = 0;

bool SameAsciiCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I) {
        char X = A[I], Y = B[I];
        if (X >= 'A' && X <= 'Z')
            X = static_cast<char>(X - 'A' + 'a');
        if (Y >= 'A' && Y <= 'Z')
            Y = static_cast<char>(Y - 'A' + 'a');
        if (X != Y)
            return false;
    }
    return true;
}

struct TFree {
    void operator()(void *P) const { std::free(P); }
};
template <class T> using TReply = std::unique_ptr<T, TFree>;

class TDesktop {
public:
    explicit TDesktop(xcb_connection_t *C) : FC(C) {
        FWmState = Atom("WM_STATE");
        FPid = Atom("_NET_WM_PID");
        FMark = Atom(TXcbBrowserWindows::HiddenMark);
    }

    void Apply(xcb_window_t Root, bool Show) {
        for (xcb_window_t Client : Clients(Root)) {
            uint8_t MapState = 0;
            if (!IsTreated(Client, MapState))
                continue;
            if (Show)
                ShowWindow(Client);
            else if (OnDesktop(Client, MapState))
                Withdraw(Root, Client);
        }
    }

    bool AnyOnDesktop(xcb_window_t Root) {
        for (xcb_window_t Client : Clients(Root)) {
            uint8_t MapState = 0;
            if (IsTreated(Client, MapState) && OnDesktop(Client, MapState))
                return true;
        }
        return false;
    }

private:
    xcb_atom_t Atom(const char *Name) {
        TReply<xcb_intern_atom_reply_t> R(xcb_intern_atom_reply(
            FC, xcb_intern_atom(FC, 0, static_cast<uint16_t>(std::strlen(Name)), Name), nullptr));
        return R ? R->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    TReply<xcb_get_property_reply_t> Property(xcb_window_t W, xcb_atom_t Name, xcb_atom_t Type,
                                              uint32_t Longs, bool Delete = false) {
        TReply<xcb_get_property_reply_t> R(xcb_get_property_reply(
            FC, xcb_get_property(FC, Delete, W, Name, Type, 0, Longs), nullptr));
        if (R && R->type == XCB_ATOM_NONE)
            R.reset();
        return R;
    }

    // The WM_STATE of W: -1 when it has none.
    int64_t WmState(xcb_window_t W) {
        auto R = Property(W, FWmState, FWmState, 2);
        if (!R || R->format != 32 || xcb_get_property_value_length(R.get()) < 4)
            return -1;
        return *static_cast<const uint32_t *>(xcb_get_property_value(R.get()));
    }

    std::vector<xcb_window_t> Children(xcb_window_t W) {
        TReply<xcb_query_tree_reply_t> R(xcb_query_tree_reply(FC, xcb_query_tree(FC, W), nullptr));
        if (!R)
            return {};
        const xcb_window_t *C = xcb_query_tree_children(R.get());
        return {C, C + xcb_query_tree_children_length(R.get())};
    }

    // The client windows: a top-level window carrying WM_STATE is one; otherwise it is a
    // window manager's frame and the client is the first window below it with WM_STATE;
    // a top-level window without either (withdrawn, or no window manager) is its own client.
    std::vector<xcb_window_t> Clients(xcb_window_t Root) {
        std::vector<xcb_window_t> Result;
        for (xcb_window_t Top : Children(Root)) {
            if (WmState(Top) >= 0) {
                Result.push_back(Top);
                continue;
            }
            xcb_window_t Found = XCB_WINDOW_NONE;
            std::deque<std::pair<xcb_window_t, int>> Queue{{Top, 0}};
            while (!Queue.empty() && Found == XCB_WINDOW_NONE) {
                const auto [W, Depth] = Queue.front();
                Queue.pop_front();
                for (xcb_window_t C : Children(W)) {
                    if (WmState(C) >= 0) {
                        Found = C;
                        break;
                    }
                    if (Depth < 2)
                        Queue.push_back({C, Depth + 1});
                }
            }
            Result.push_back(Found != XCB_WINDOW_NONE ? Found : Top);
        }
        return Result;
    }

    bool IsBrowser(xcb_window_t W) {
        auto R = Property(W, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        if (!R || R->format != 8)
            return false;
        // Instance and class, each ended by a NUL.
        const std::string_view Value(static_cast<const char *>(xcb_get_property_value(R.get())),
                                     static_cast<size_t>(xcb_get_property_value_length(R.get())));
        const size_t Nul = Value.find('\0');
        const std::string_view Instance = Value.substr(0, Nul);
        std::string_view Class;
        if (Nul != std::string_view::npos) {
            Class = Value.substr(Nul + 1);
            Class = Class.substr(0, Class.find('\0'));
        }
        return TXcbBrowserWindows::IsBrowserClass(Instance) ||
               TXcbBrowserWindows::IsBrowserClass(Class);
    }

    // A browser's client window that hiding and showing act on; MapState receives its state.
    bool IsTreated(xcb_window_t W, uint8_t &MapState) {
        if (!IsBrowser(W) || IsOwn(W))
            return false;
        TReply<xcb_get_window_attributes_reply_t> Attr(
            xcb_get_window_attributes_reply(FC, xcb_get_window_attributes(FC, W), nullptr));
        // Menus and tooltips live outside the window manager's care and are never ours.
        if (!Attr || Attr->override_redirect)
            return false;
        MapState = Attr->map_state;
        return true;
    }

    // Shown, or minimised to the task bar; a window withdrawn, by us or by its program, is not.
    bool OnDesktop(xcb_window_t W, uint8_t MapState) {
        const int64_t State = WmState(W);
        return State > static_cast<int64_t>(WithdrawnState) ||
               (State < 0 && MapState != XCB_MAP_STATE_UNMAPPED);
    }

    bool IsOwn(xcb_window_t W) {
        auto R = Property(W, FPid, XCB_ATOM_CARDINAL, 1);
        if (!R || R->format != 32 || xcb_get_property_value_length(R.get()) < 4)
            return false;
        return *static_cast<const uint32_t *>(xcb_get_property_value(R.get())) ==
               static_cast<uint32_t>(::getpid());
    }

    // Only a window on the desktop is withdrawn: one already withdrawn stays as it is.
    void Withdraw(xcb_window_t Root, xcb_window_t W) {
        const uint32_t One = 1;
        xcb_change_property(FC, XCB_PROP_MODE_REPLACE, W, FMark, XCB_ATOM_CARDINAL, 32, 1, &One);
        xcb_unmap_window(FC, W);
        // The window manager learns of a withdrawal from this event even when the window was
        // already unmapped (iconic), since then the server sends no UnmapNotify of its own.
        char Event[32] = {};
        xcb_unmap_notify_event_t Unmap{};
        Unmap.response_type = XCB_UNMAP_NOTIFY;
        Unmap.event = Root;
        Unmap.window = W;
        Unmap.from_configure = 0;
        std::memcpy(Event, &Unmap, sizeof Unmap);
        xcb_send_event(FC, 0, Root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       Event);
    }

    void ShowWindow(xcb_window_t W) {
        // Reading the mark also removes it, so a window is brought back once.
        if (Property(W, FMark, XCB_GET_PROPERTY_TYPE_ANY, 1, true))
            xcb_map_window(FC, W);
    }

    xcb_connection_t *FC;
    xcb_atom_t FWmState = XCB_ATOM_NONE;
    xcb_atom_t FPid = XCB_ATOM_NONE;
    xcb_atom_t FMark = XCB_ATOM_NONE;
};

} // namespace

TXcbBrowserWindows::TXcbBrowserWindows(std::string Display) : FDisplay(std::move(Display)) {}

bool TXcbBrowserWindows::IsBrowserClass(std::string_view Name) {
    for (const char *Known : BrowserClasses)
        if (SameAsciiCase(Name, Known))
            return true;
    return false;
}

std::vector<std::string_view> TXcbBrowserWindows::BrowserClassNames() {
    return {std::begin(BrowserClasses), std::end(BrowserClasses)};
}

namespace {

using TConnection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// A connection of our own for each request: the toolkit's may not be to X at all, and a display
// that went away since the last request costs nothing here. Null when there is no display.
TConnection Connect(const std::string &Display) {
    TConnection C(xcb_connect(Display.empty() ? nullptr : Display.c_str(), nullptr),
                  &xcb_disconnect);
    if (C && xcb_connection_has_error(C.get()))
        C.reset();
    return C;
}

} // namespace

bool TXcbBrowserWindows::AnyOnDesktop() {
    TConnection C = Connect(FDisplay);
    if (!C)
        return false;
    TDesktop Desktop(C.get());
    for (auto It = xcb_setup_roots_iterator(xcb_get_setup(C.get())); It.rem; xcb_screen_next(&It))
        if (Desktop.AnyOnDesktop(It.data->root))
            return true;
    return false;
}

TBrowserReach TXcbBrowserWindows::Apply(bool Show) {
    TConnection C = Connect(FDisplay);
    // No X server: a Wayland session without XWayland, where no window is an X11 one.
    if (!C)
        return TBrowserReach::Unsupported;
    TDesktop Desktop(C.get());
    for (auto It = xcb_setup_roots_iterator(xcb_get_setup(C.get())); It.rem; xcb_screen_next(&It))
        Desktop.Apply(It.data->root, Show);
    // Wait until the server has taken every request before the connection goes.
    TReply<xcb_get_input_focus_reply_t> Sync(
        xcb_get_input_focus_reply(C.get(), xcb_get_input_focus(C.get()), nullptr));
    return TBrowserReach::Done;
}

} // namespace platform::linux_
