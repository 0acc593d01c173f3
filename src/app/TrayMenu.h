#pragma once

#include <QElapsedTimer>
#include <QMenu>
#include <QString>
#include <functional>

// The notification-area icon's menu: the main window's commands (its actions, found by name),
// the portal's sections, the small games, help, about and exit.
class TTrayMenu : public QMenu {
    Q_OBJECT
public:
    using TActionOf = std::function<QAction *(const QString &Name)>;
    // The entries of the menu that are no action of the main window. An entry without a
    // handler stays visible but disabled.
    struct THandlers {
        std::function<void()> Login;         // 网络游戏 / 闯荡江湖
        std::function<void(int Index)> Game; // 小游戏, 1..5 in the menu's order
        std::function<void()> MoreGames;     // 更多小游戏
        std::function<void()> Help;          // 帮助
    };

    TTrayMenu(const TActionOf &ActionOf, const THandlers &Handlers, QWidget *Parent = nullptr);

    // True once when 常用功能 closed less than half a second ago: the windows it covered may
    // not have painted themselves again yet.
    bool TakeJustClosed();

private:
    QElapsedTimer FCommonClosed;
};
