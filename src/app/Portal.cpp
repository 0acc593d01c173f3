#include "Portal.h"

namespace Portal {

namespace {
const char *const Sections[] = {"news", "sects", "skills", "heroes", "forum", "guide"};
const char *const Games[] = {"2048", "snake", "mines", "gomoku", "blocks"};
} // namespace

QString HomePage() {
    return QStringLiteral("qrc:/portal/index.html");
}

QString AdvertPage() {
    return QStringLiteral("qrc:/portal/ad.html");
}

QString SectionPage(int Index) {
    if (Index < 1 || Index > 6)
        return HomePage();
    return QStringLiteral("qrc:/portal/%1.html").arg(Sections[Index - 1]);
}

QString GamePage(int Index) {
    if (Index < 1 || Index > 5)
        return HomePage();
    return QStringLiteral("qrc:/portal/games/%1.html").arg(Games[Index - 1]);
}

QString SiteHomePage() {
    return QStringLiteral("https://www.qingshijianghu.com/");
}

QString MoreGamesPage() {
    return QStringLiteral("https://www.lumenbirk.com/games/");
}

QString DownloadPage() {
    return QStringLiteral("https://www.lumenbirk.com/qingchuan/download.html");
}

} // namespace Portal
