#pragma once

#include <QString>

// The addresses of the maker's pages. The portal of 青石江湖 and its small games ship inside the
// program (Qt resources), so they open without a network and every address is exactly the same
// string each time it is asked for; the maker's web site opens in the desktop's browser.
namespace Portal {

// Pages shown in the program's own browser windows.
QString HomePage();
QString AdvertPage();
// Index 1..6: the sections of the "网络游戏" menu, in the menu's order.
QString SectionPage(int Index);
// Index 1..5: the small games of the "小游戏" menu, in the menu's order.
QString GamePage(int Index);

// Web addresses, handed to the desktop's default browser.
QString SiteHomePage();  // the portal on the web ("支持我们 支持青石江湖")
QString MoreGamesPage(); // the maker's personal site ("更多小游戏")
QString DownloadPage();  // where new versions of this program are published ("查看更新")

} // namespace Portal
