// Hotkeys through the desktop portal with KDE's real backend: xdg-desktop-portal,
// xdg-desktop-portal-kde and kglobalaccel5 on an X server of the test's own, and a real key
// press (xdotool) arriving as Activated.
#include <QStandardPaths>
#include <QTest>

#include "PortalBed.h"
#include "Require.h"
#include "platform/linux/PortalGlobalShortcuts.h"

using platform::linux_::TPortalGlobalShortcuts;

class tst_PortalKde : public QObject {
    Q_OBJECT

private slots:
    // KDE's backend binds only the shortcuts passed to CreateSession and answers BindShortcuts
    // with an empty list; the registration still holds, and a press reaches the handler.
    void keyPressReachesHandler() {
        QC_REQUIRE_PROGRAM("xdotool");
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::Kde);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));

        TPortalGlobalShortcuts HotKeys(Bed.BusAddress());
        QList<uint16_t> Pressed;
        QList<uint16_t> Refused;
        HotKeys.SetOnPressed([&](uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) {
            QCOMPARE(Modifiers, uint32_t(platform::ModControl | platform::ModAlt));
            QCOMPARE(VirtualKey, uint32_t('Q'));
            Pressed << Id;
        });
        HotKeys.SetOnRefused([&](uint16_t Id) { Refused << Id; });
        QTRY_VERIFY(HotKeys.Available() == true);
        QVERIFY(HotKeys.Register(9, platform::ModControl | platform::ModAlt, 'Q'));
        QTRY_VERIFY_WITH_TIMEOUT(HotKeys.Bound(9), 20000);
        QVERIFY(Refused.isEmpty());

        // A combination nobody registered goes first: had it reached the handler, it would
        // have done so before the registered one, which is pressed through the same server
        // and daemons right after it.
        QCOMPARE(Bed.Run("xdotool", {"key", "ctrl+alt+w", "ctrl+alt+q"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(Pressed, QList<uint16_t>{9}, 20000);
        QCOMPARE(Bed.Run("xdotool", {"key", "ctrl+alt+q"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(Pressed, (QList<uint16_t>{9, 9}), 20000);
        QVERIFY(Refused.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_PortalKde)
#include "tst_portalkde.moc"
