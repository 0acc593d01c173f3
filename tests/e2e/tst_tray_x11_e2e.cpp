// The whole program's icon on X11: an XEmbed tray host sends clicks and double clicks, so a
// single click keeps doing nothing there; with no notification area at all the program shows
// its main window, as nothing else would reach it.
#include <QtTest>

#include "AppProcess.h"
#include "PortalBed.h"
#include "Require.h"
#include "TestSupport.h"

namespace {

const QString MainTitle = QStringLiteral("晴川助手(简易版)");

} // namespace

class tst_TrayX11E2E : public QObject {
    Q_OBJECT

private slots:
    void xembedOpensOnDoubleClickOnly() {
        QC_REQUIRE_DISPLAY();
        // A bus of the test's own, with no StatusNotifierItem watcher on it: the icon goes to
        // the test desktop's XEmbed tray whatever the developer's session runs.
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());

        TAppProcess App("qc-e2e-xembed-" + QString::number(QCoreApplication::applicationPid()));
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
        QVERIFY(!Icon.isEmpty());
        QVERIFY(X11::ClickOn(Icon, 1));
        // The menu comes after the click in the program's queue: once it is up, the click has
        // been handled.
        QVERIFY(X11::ClickOn(Icon, 3));
        QVERIFY(!X11::WaitForTallWindowOf(App.Process().processId()).isEmpty());
        // Only this program's windows count: the test desktop may carry others of the same title.
        const QStringList Own = X11::WindowsOf(App.Process().processId());
        for (const QString &W : X11::FindWindows(MainTitle))
            QVERIFY2(!Own.contains(W), qPrintable(App.Output()));
        QTRY_VERIFY(X11::KeyboardGrabbed());
        X11::XDoTool({"key", "Escape"});
        QTRY_VERIFY(!X11::KeyboardGrabbed());
        QVERIFY(X11::ClickOn(Icon, 1, 2));
        QVERIFY2(!X11::WaitForWindow(MainTitle, 20000).isEmpty(), qPrintable(App.Output()));
    }

    void withoutNotificationAreaOnWaylandShowsMainWindow() {
        // An X server of the test's own, with neither a tray host nor a window manager, and a
        // bus without a StatusNotifierItem watcher; the program told it runs on a Wayland
        // session, where a desktop without a notification area is common (an X11 session keeps
        // its hidden start).
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::BareDisplay);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());
        const TEnvSet Display("DISPLAY", Bed.Display().toUtf8());
        // The web engine refuses to run as root inside its sandbox (the test desktop's script
        // says the same).
        const TEnvSet Sandbox("QTWEBENGINE_DISABLE_SANDBOX", "1");

        TAppProcess App("qc-e2e-notray-" + QString::number(QCoreApplication::applicationPid()));
        App.AsOnWayland();
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        QVERIFY2(!X11::WaitForWindow(MainTitle, 20000).isEmpty(), qPrintable(App.Output()));
        QVERIFY(App.IsRunning());
    }
};

QTEST_MAIN(tst_TrayX11E2E)
#include "tst_tray_x11_e2e.moc"
