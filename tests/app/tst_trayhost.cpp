// Where no notification area is there, the hidden main window is shown; a notification area that
// comes up a moment after start (a panel starting with the session) keeps it hidden.
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include "app/TrayHost.h"

class tst_TrayHost : public QObject {
    Q_OBJECT

private slots:
    void noTrayShowsWindowAfterTheGrace() {
        QWidget Window;
        int Asked = 0;
        TrayHost::ShowWhenNoTray(
            &Window,
            [&] {
                ++Asked;
                return false;
            },
            300);
        QVERIFY(!Window.isVisible());
        QTRY_VERIFY(Window.isVisible());
        // Asked at start and again before giving up.
        QVERIFY(Asked >= 2);
    }

    void aTrayWithinTheGraceKeepsWindowHidden() {
        QWidget Window;
        int Asked = 0;
        TrayHost::ShowWhenNoTray(
            &Window, [&] { return ++Asked > 1; }, 300);
        // The watch ends when the tray is found; the window is still hidden then and after.
        QTRY_VERIFY(Window.findChildren<QTimer *>().isEmpty());
        QVERIFY(!Window.isVisible());
    }
};

QTEST_MAIN(tst_TrayHost)
#include "tst_trayhost.moc"
