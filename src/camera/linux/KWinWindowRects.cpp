// The parsing of the KWin script's answer, apart from the bus so that it is fuzzed on its own.
#include <QStringList>

#include "KWinWindowFinder.h"

namespace camera {

std::vector<QRect> KWinWindowRects(const QString &Answer) {
    std::vector<QRect> Rects;
    for (const QString &Entry : Answer.split(';', Qt::SkipEmptyParts)) {
        const QStringList F = Entry.split(' ', Qt::SkipEmptyParts);
        if (F.size() != 4)
            continue;
        bool Ok[4] = {};
        const QRect R = WindowRectFrom(F[0].toLongLong(&Ok[0]), F[1].toLongLong(&Ok[1]),
                                       F[2].toLongLong(&Ok[2]), F[3].toLongLong(&Ok[3]));
        if (Ok[0] && Ok[1] && Ok[2] && Ok[3] && !R.isEmpty())
            Rects.push_back(R);
    }
    return Rects;
}

} // namespace camera
