// The whole program on a Wayland session whose desktop gives hotkeys through the portal (KDE's
// backend on the test desktop's X server): Ctrl+Alt+Q, pressed while no window of the program
// has the focus, toggles the portal window, and no warning is shown.
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QtTest>

#include "AppProcess.h"
#include "PortalBed.h"
#include "Require.h"
#include "TestSupport.h"

namespace {

const QString Portal = QStringLiteral("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");

// Whether KDE's daemon holds a set of shortcuts from the portal (one component per session).
bool ShortcutsBound(const TPortalBed &Bed) {
    const QDBusMessage Reply = Bed.Bus().call(QDBusMessage::createMethodCall(
        "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel", "allComponents"));
    if (Reply.type() != QDBusMessage::ReplyMessage || Reply.arguments().isEmpty())
        return false;
    return !qdbus_cast<QList<QDBusObjectPath>>(Reply.arguments()[0].value<QDBusArgument>())
                .isEmpty();
}

} // namespace

class tst_PortalHotKeysE2E : public QObject {
    Q_OBJECT

private slots:
    void ctrlAltQTogglesPortalWindow() {
        QC_REQUIRE_DISPLAY();
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::Kde, qEnvironmentVariable("DISPLAY"));
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());
        const TEnvSet Session("XDG_SESSION_TYPE", "wayland");
        const TEnvSet Desktop("XDG_CURRENT_DESKTOP", "KDE");

        TAppProcess App("qc-e2e-portal-" + QString::number(QCoreApplication::applicationPid()));
        QVERIFY(App.Start());
        // The portal binds the shortcut a moment after start: KDE's daemon then lists it.
        QVERIFY(X11::FindWindows(Portal).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ShortcutsBound(Bed), 20000);
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY2(!X11::WaitForWindow(Portal, 30000).isEmpty(), qPrintable(App.Output()));
        X11::XDoTool({"key", "ctrl+alt+q"});
        QVERIFY(X11::WaitForNoWindow(Portal));
        // A refusal would be shown as soon as the portal answers the check of the bound list,
        // which it does within milliseconds of binding; by now two presses have gone through
        // that binding and two windows have come and gone, so a warning would be up.
        QVERIFY2(X11::FindWindows(QFileInfo(App.ExePath()).fileName()).isEmpty(),
                 qPrintable(App.Output()));
        QVERIFY(App.IsRunning());
    }
};

QTEST_MAIN(tst_PortalHotKeysE2E)
#include "tst_portalhotkeys_e2e.moc"
