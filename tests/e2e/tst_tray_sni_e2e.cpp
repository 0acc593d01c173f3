// The whole program where the notification area is a StatusNotifierItem host (waybar, KDE
// Plasma, the GNOME extensions): a watcher and a minimal host on a bus of the test's own, and an
// X server of its own. The icon registers, the host's single activation opens the main window,
// and the menu is reached over com.canonical.dbusmenu.
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "AppProcess.h"
#include "PortalBed.h"
#include "TestSupport.h"

namespace {

const QString MainTitle = QStringLiteral("晴川助手(简易版)");

QVariant Property(const TPortalBed &Bed, const QString &Service, const QString &Path,
                  const QString &Interface, const QString &Name) {
    const QDBusMessage Reply = Bed.Bus().call(
        QDBusMessage::createMethodCall(Service, Path, "org.freedesktop.DBus.Properties", "Get")
        << Interface << Name);
    if (Reply.type() != QDBusMessage::ReplyMessage || Reply.arguments().isEmpty())
        return {};
    return Reply.arguments()[0].value<QDBusVariant>().variant();
}

// The bus name of the one item the watcher knows (it keeps "name" or "name/path").
QString RegisteredItem(const TPortalBed &Bed) {
    const QStringList Items =
        Property(Bed, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                 "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems")
            .toStringList();
    return Items.size() == 1 ? Items[0].section('/', 0, 0) : QString();
}

// The menu's layout as gdbus prints it: what a host reads to draw the menu.
QString MenuLayout(const TPortalBed &Bed, const QString &Item, const QString &MenuPath) {
    QProcess P;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress());
    P.setProcessEnvironment(Env);
    P.start("gdbus", {"call", "--session", "-d", Item, "-o", MenuPath, "-m",
                      "com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "[]"});
    P.waitForFinished(20000);
    return QString::fromUtf8(P.readAllStandardOutput());
}

// The id of the entry with that label in a layout, or -1.
int EntryId(const QString &Layout, const QString &Label) {
    const QRegularExpression Entry("\\((\\d+), \\{[^}]*'label': <'" +
                                   QRegularExpression::escape(Label) + "'>");
    const QRegularExpressionMatch M = Entry.match(Layout);
    return M.hasMatch() ? M.captured(1).toInt() : -1;
}

// What a host sends when the entry is clicked.
bool Click(const TPortalBed &Bed, const QString &Item, const QString &MenuPath, int Id) {
    QDBusMessage Call =
        QDBusMessage::createMethodCall(Item, MenuPath, "com.canonical.dbusmenu", "Event");
    Call << Id << QString("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
    return Bed.Bus().call(Call).type() == QDBusMessage::ReplyMessage;
}

} // namespace

class tst_TraySniE2E : public QObject {
    Q_OBJECT

private slots:
    void activateOpensMainWindowAndMenuWorks() {
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::StatusNotifier);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const TEnvSet Bus("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress().toUtf8());
        const TEnvSet Display("DISPLAY", Bed.Display().toUtf8());
        // The web engine refuses to run as root inside its sandbox (the test desktop's script
        // says the same).
        const TEnvSet Sandbox("QTWEBENGINE_DISABLE_SANDBOX", "1");

        TAppProcess App("qc-e2e-sni-" + QString::number(QCoreApplication::applicationPid()));
        App.AsOnWayland();
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        // The item and its menu, as a host reads them when the item registers.
        QString Item;
        QString MenuPath;
        QTRY_VERIFY_WITH_TIMEOUT(!(Item = RegisteredItem(Bed)).isEmpty() &&
                                     !(MenuPath = Property(Bed, Item, "/StatusNotifierItem",
                                                           "org.kde.StatusNotifierItem", "Menu")
                                                      .value<QDBusObjectPath>()
                                                      .path())
                                          .isEmpty(),
                                 20000);

        // With a notification area the program stays hidden. Waited 4 s: twice the time the
        // program gives a late notification area before it shows its window instead.
        QVERIFY2(!QTest::qWaitFor([] { return !X11::FindWindows(MainTitle).isEmpty(); }, 4000),
                 "the main window came up although there is a notification area");

        // Such hosts send one activation for a click, never a double click.
        const QDBusMessage Activate =
            QDBusMessage::createMethodCall(Item, "/StatusNotifierItem",
                                           "org.kde.StatusNotifierItem", "Activate")
            << 0 << 0;
        QCOMPARE(Bed.Bus().call(Activate).type(), QDBusMessage::ReplyMessage);
        QVERIFY2(!X11::WaitForWindow(MainTitle, 20000).isEmpty(), qPrintable(App.Output()));

        const QString Layout = MenuLayout(Bed, Item, MenuPath);
        const int Hide = EntryId(Layout, "隐藏主窗体");
        const int Exit = EntryId(Layout, "退出程序");
        QVERIFY2(Hide > 0 && Exit > 0, qPrintable(Layout));
        QVERIFY(Click(Bed, Item, MenuPath, Hide));
        QVERIFY(X11::WaitForNoWindow(MainTitle, 20000));
        QVERIFY(Click(Bed, Item, MenuPath, Exit));
        QCOMPARE(App.WaitForExit(20000), 0);
    }
};

QTEST_MAIN(tst_TraySniE2E)
#include "tst_tray_sni_e2e.moc"
