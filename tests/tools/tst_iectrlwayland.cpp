// Hiding and showing browsers on a Wayland desktop that gives no way to reach their windows:
// every press says so, once, and the X11 windows are still treated.
#include <QApplication>
#include <QTest>

#include "PortalBed.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "platform/linux/WaylandBrowserWindows.h"
#include "tools/IECtrl.h"

using platform::linux_::TWaylandBrowserWindows;

namespace {

const QString NoWay = "当前桌面不支持隐藏或显示浏览器窗口。";

QStringList Messages(const Dialogs::TDialogScript &Script) {
    QStringList Texts;
    for (const Dialogs::TShown &Box : Script.Shown())
        Texts << Box.Kind + ": " + Box.Text;
    return Texts;
}

} // namespace

class tst_IECtrlWayland : public QObject {
    Q_OBJECT

private slots:
    // A session bus without KWin and no sway socket: no compositor at all.
    void eachPressSaysThereIsNoWay() {
        TPortalBed Bus;
        const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        qunsetenv("SWAYSOCK");
        auto X11 = std::make_shared<TFakeBrowserWindows>();
        auto Windows = std::make_shared<TWaylandBrowserWindows>(X11, QString(), Bus.BusAddress());
        QVERIFY(!Windows->AnyOnDesktop());
        X11->OnDesktop = true;
        QVERIFY(Windows->AnyOnDesktop());

        TIECtrl IE(Windows, nullptr);
        Dialogs::TDialogScript Script;
        IE.ShowIE();
        QCOMPARE(Messages(Script), QStringList{"message: " + NoWay});
        IE.HideOrShowIE();
        IE.HideIE();
        QCOMPARE(Messages(Script), QStringList(3, "message: " + NoWay));
        QCOMPARE(X11->Calls, (std::vector<bool>{true, false, false}));
    }

    // Where the desktop gives a way, nothing is said.
    void quietWhereThereIsAWay() {
        auto Windows = std::make_shared<TFakeBrowserWindows>();
        TIECtrl IE(Windows, nullptr);
        Dialogs::TDialogScript Script;
        IE.HideIE();
        IE.ShowIE();
        QVERIFY(Script.Shown().isEmpty());
        Windows->Possible = false;
        IE.HideIE();
        QCOMPARE(Messages(Script), QStringList{"message: " + NoWay});
    }
};

int main(int argc, char **argv) {
    QApplication App(argc, argv);
    tst_IECtrlWayland Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_iectrlwayland.moc"
