#include "KWinWindowFinder.h"

#include "platform/linux/KWinScripts.h"

namespace camera {

namespace {

// Topmost first. KWin 6 gives its stacking order as a list (bottom first); KWin 5 gives each
// window its place in it. The current desktop is a number in KWin 5, an object in KWin 6.
const char *const Script = R"(
const all = workspace.stackingOrder
    ? Array.from(workspace.stackingOrder)
    : Array.from(workspace.windowList ? workspace.windowList() : workspace.clientList())
          .sort((a, b) => a.stackingOrder - b.stackingOrder);
function onCurrentDesktop(w) {
    if (w.onCurrentDesktop !== undefined)
        return w.onCurrentDesktop;
    if (w.onAllDesktops || typeof w.desktop != "number")
        return true;
    return w.desktop == workspace.currentDesktop;
}
const rects = [];
for (let i = all.length - 1; i >= 0; i--) {
    const w = all[i];
    if (!w || !w.managed || w.minimized || w.hidden || w.desktopWindow || !onCurrentDesktop(w))
        continue;
    const g = w.frameGeometry;
    rects.push([g.x, g.y, g.width, g.height].map(Math.round).join(" "));
}
answer = rects.join(";");
)";

} // namespace

TKWinWindowFinder::TKWinWindowFinder(const QString &BusAddress)
    : FKWin(std::make_unique<platform::linux_::TKWinScripts>(BusAddress)) {}

TKWinWindowFinder::~TKWinWindowFinder() = default;

bool TKWinWindowFinder::Present() const {
    return FKWin->Present();
}

std::vector<QRect> TKWinWindowFinder::TopLevelWindows() {
    return KWinWindowRects(FKWin->Run(QString::fromLatin1(Script)).value_or(QString()));
}

} // namespace camera
