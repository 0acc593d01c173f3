// The smallest Qt program with a notification-area icon and a menu: the yardstick for the start-up
// and idle figures of qingchuan.
#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication App(argc, argv);
    App.setQuitOnLastWindowClosed(false);
    QPixmap Pix(22, 22);
    Pix.fill(Qt::blue);
    QSystemTrayIcon Icon{QIcon(Pix)};
    QMenu Menu;
    Menu.addAction("Quit", &App, &QApplication::quit);
    Icon.setContextMenu(&Menu);
    Icon.show();
    QTimer::singleShot(0, [] {
        std::printf("ready %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        std::fflush(stdout);
    });
    return App.exec();
}
