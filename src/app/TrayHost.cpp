#include "TrayHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "BringToFront.h"
#include "dialogs/Dialogs.h"
#include "platform/Session.h"

namespace TrayHost {

bool SendsDoubleClicks() {
    // An X11 session keeps the icon as it has always been: a single click only selects it.
    if (!platform::IsWaylandSession())
        return true;
    // Qt makes a window for the icon only for an XEmbed tray; over StatusNotifierItem the host
    // draws the icon and passes on calls.
    const QWidgetList Windows = QApplication::topLevelWidgets();
    return std::any_of(Windows.begin(), Windows.end(), [](const QWidget *W) {
        return W->inherits("QSystemTrayIconSys") ||
               W->objectName() == QLatin1String("QSystemTrayIconSys");
    });
}

bool OpensMainWindow(QSystemTrayIcon::ActivationReason Reason, bool DoubleClicks) {
    if (DoubleClicks)
        return Reason == QSystemTrayIcon::DoubleClick;
    return Reason == QSystemTrayIcon::Trigger || Reason == QSystemTrayIcon::DoubleClick;
}

void ShowWhenNoTray(QWidget *Window, std::function<bool()> Available, int GraceMs) {
    if (!Window || Available())
        return;
    // Asked again every quarter second: a tray that comes up within the grace ends the wait.
    auto *Poll = new QTimer(Window);
    Poll->setInterval(250);
    auto Since = std::make_shared<QElapsedTimer>();
    Since->start();
    QObject::connect(
        Poll, &QTimer::timeout, Window,
        Dialogs::Guarded([Poll, Window, Available = std::move(Available), Since, GraceMs] {
            const bool Tray = Available();
            if (!Tray && Since->elapsed() < GraceMs)
                return;
            Poll->stop();
            Poll->deleteLater();
            if (!Tray)
                BringToFront(Window);
        }));
    Poll->start();
}

} // namespace TrayHost
