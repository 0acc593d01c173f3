// The X11 side of the capture library: top-level windows are the viewable children of the root
// window, whose stacking order the server reports bottom first.
#include <QGuiApplication>
#include <xcb/xcb.h>

#include "../WindowFinder.h"
#include "KWinWindowFinder.h"
#include "SwayWindowFinder.h"
#include "platform/Session.h"

namespace camera {

namespace {

xcb_connection_t *QtConnection() {
    auto *App = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!App)
        return nullptr;
    auto *X11 = App->nativeInterface<QNativeInterface::QX11Application>();
    return X11 ? X11->connection() : nullptr;
}

template <class T> struct TFreeReply {
    void operator()(T *Reply) const { free(Reply); }
};
template <class T> using TReply = std::unique_ptr<T, TFreeReply<T>>;

class TXcbWindowFinder : public IWindowFinder {
public:
    explicit TXcbWindowFinder(xcb_connection_t *Connection) : FConnection(Connection) {}

    std::vector<QRect> TopLevelWindows() override {
        std::vector<QRect> Result;
        const xcb_setup_t *Setup = xcb_get_setup(FConnection);
        xcb_screen_iterator_t Screens = xcb_setup_roots_iterator(Setup);
        if (!Screens.rem)
            return Result;
        const xcb_window_t Root = Screens.data->root;
        TReply<xcb_query_tree_reply_t> Tree(
            xcb_query_tree_reply(FConnection, xcb_query_tree(FConnection, Root), nullptr));
        if (!Tree)
            return Result;
        const xcb_window_t *Children = xcb_query_tree_children(Tree.get());
        const int Count = xcb_query_tree_children_length(Tree.get());
        // All questions first, then the answers: one round trip instead of two per window.
        std::vector<xcb_get_window_attributes_cookie_t> Attributes(Count);
        std::vector<xcb_get_geometry_cookie_t> Geometries(Count);
        for (int I = 0; I < Count; ++I) {
            Attributes[I] = xcb_get_window_attributes(FConnection, Children[I]);
            Geometries[I] = xcb_get_geometry(FConnection, Children[I]);
        }
        std::vector<QRect> BottomFirst;
        for (int I = 0; I < Count; ++I) {
            TReply<xcb_get_window_attributes_reply_t> A(
                xcb_get_window_attributes_reply(FConnection, Attributes[I], nullptr));
            TReply<xcb_get_geometry_reply_t> G(
                xcb_get_geometry_reply(FConnection, Geometries[I], nullptr));
            if (!A || !G || A->map_state != XCB_MAP_STATE_VIEWABLE ||
                A->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
                continue;
            const int Border = G->border_width;
            const QRect R(G->x, G->y, G->width + 2 * Border, G->height + 2 * Border);
            if (!R.isEmpty())
                BottomFirst.push_back(R);
        }
        Result.assign(BottomFirst.rbegin(), BottomFirst.rend());
        return Result;
    }

private:
    xcb_connection_t *FConnection;
};

class TNoWindowFinder : public IWindowFinder {
public:
    std::vector<QRect> TopLevelWindows() override { return {}; }
};

} // namespace

std::unique_ptr<IWindowFinder> CreateWindowFinder() {
    if (platform::IsWaylandSession()) {
        // The X root holds only the XWayland windows there; the compositor knows them all.
        const QString Sway = qEnvironmentVariable("SWAYSOCK");
        if (!Sway.isEmpty())
            return std::make_unique<TSwayWindowFinder>(Sway);
        if (auto KWin = std::make_unique<TKWinWindowFinder>(); KWin->Present())
            return KWin;
        return nullptr;
    }
    if (xcb_connection_t *C = QtConnection())
        return std::make_unique<TXcbWindowFinder>(C);
    return std::make_unique<TNoWindowFinder>();
}

void SyncWindowSystem() {
    if (xcb_connection_t *C = QtConnection())
        free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
}

} // namespace camera
