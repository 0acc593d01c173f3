#include "KWinWindowFinder.h"

#include <QStringList>

#include "platform/linux/KWinScripts.h"

namespace camera {

namespace {

// Topmost first. KWin 5.27 and later give the stacking order (bottom first); before that only
// the order the windows came in, which then stands in for it.
const char *const Script = R"(
const order = workspace.stackingOrder || workspace.clientList();
const rects = [];
for (let i = order.length - 1; i >= 0; i--) {
    const w = order[i];
    if (!w || !w.managed || w.minimized || w.desktopWindow || !w.onCurrentDesktop)
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

std::vector<QRect> KWinWindowRects(const QString &Answer) {
    std::vector<QRect> Rects;
    for (const QString &Entry : Answer.split(';', Qt::SkipEmptyParts)) {
        const QStringList F = Entry.split(' ', Qt::SkipEmptyParts);
        if (F.size() != 4)
            continue;
        bool Ok[4] = {};
        const QRect R(F[0].toInt(&Ok[0]), F[1].toInt(&Ok[1]), F[2].toInt(&Ok[2]),
                      F[3].toInt(&Ok[3]));
        if (Ok[0] && Ok[1] && Ok[2] && Ok[3] && !R.isEmpty())
            Rects.push_back(R);
    }
    return Rects;
}

} // namespace camera
