#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>

#include "TestSupport.h"
#include "hotkeys/Atoms.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/KeyNames.h"
#include "platform/linux/XcbHotKeys.h"

namespace {

bool Run(const QString &Program, const QStringList &Args) {
    return QProcess::execute(Program, Args) == 0;
}

// Whether the lock is on: the modifier state the server reports with the pointer (Num Lock is
// Mod2 and Caps Lock is Lock on the test desktop's keymap).
bool LockOn(const QString &Name) {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    bool On = false;
    if (!xcb_connection_has_error(C)) {
        const xcb_window_t Root = xcb_setup_roots_iterator(xcb_get_setup(C)).data->root;
        if (auto *R = xcb_query_pointer_reply(C, xcb_query_pointer(C, Root), nullptr)) {
            On = R->mask & (Name == "Num Lock" ? XCB_MOD_MASK_2 : XCB_MOD_MASK_LOCK);
            std::free(R);
        }
    }
    xcb_disconnect(C);
    return On;
}

uint16_t AtomOf(uint32_t HotKey) {
    return Atoms::Find("HotKeyManagerHotKey" + QString::number(HotKey));
}

} // namespace

class THotKeysX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the virtual desktop of scripts/test.sh");
        QVERIFY(Run("setxkbmap", {"us"}));
        InitializeHotKeyNames(platform::CreateKeyNames());
    }
    void cleanupTestCase() {
        if (LockOn("Num Lock"))
            Run("xdotool", {"key", "Num_Lock"});
        if (LockOn("Caps Lock"))
            Run("xdotool", {"key", "Caps_Lock"});
        Run("setxkbmap", {"us"});
        FinalizeHotKeyNames();
    }

    void PressesArriveWhateverTheLocks() {
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QList<QPair<uint32_t, uint16_t>> Pressed;
        M.SetOnHotKeyPressed([&](uint32_t V, uint16_t I) { Pressed.append({V, I}); });
        const uint16_t Id = M.AddHotKey(49233);
        QVERIFY(Id != 0);
        const uint16_t Id2 = M.AddHotKey(HotKeyCtrl | HotKeyShift | 0x74);
        QVERIFY(Id2 != 0);
        QVERIFY(!LockOn("Num Lock"));
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Pressed.size(), 1);
        QCOMPARE(Pressed[0], (QPair<uint32_t, uint16_t>(49233, Id)));
        Run("xdotool", {"key", "Num_Lock"});
        QTRY_VERIFY(LockOn("Num Lock"));
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Pressed.size(), 2);
        Run("xdotool", {"key", "Caps_Lock"});
        QTRY_VERIFY(LockOn("Caps Lock"));
        // Shift held before Ctrl: the same value.
        Run("xdotool", {"key", "shift+ctrl+F5"});
        QTRY_COMPARE(Pressed.size(), 3);
        QCOMPARE(Pressed[2], (QPair<uint32_t, uint16_t>(0x6074, Id2)));
        Run("xdotool", {"key", "Num_Lock"});
        Run("xdotool", {"key", "Caps_Lock"});
        QTRY_VERIFY(!LockOn("Num Lock") && !LockOn("Caps Lock"));
        // Other combinations of the same key, and a released hotkey, raise nothing.
        Run("xdotool", {"key", "ctrl+q"});
        QVERIFY(M.RemoveHotKey(49233));
        Run("xdotool", {"key", "ctrl+alt+q"});
        Run("xdotool", {"key", "ctrl+shift+F5"});
        QTRY_COMPARE(Pressed.size(), 4);
        QTest::qWait(300);
        QCOMPARE(Pressed.size(), 4);
        QCOMPARE(Pressed[3].first, 0x6074u);
    }

    void ACombinationAnotherClientHoldsIsRefused() {
        platform::linux_::TXcbHotKeys Other; // a connection of its own: another X client
        QVERIFY(Other.Connected());
        QVERIFY(Other.Register(7, platform::ModControl, '2'));
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QCOMPARE(M.AddHotKey(16434), uint16_t(0));
        QVERIFY(M.HotKeyList().empty());
        QCOMPARE(AtomOf(16434), uint16_t(0));
        QVERIFY(!M.HotKeyValid(16434));
        // Our failed attempt left the other client's grab alone.
        int OtherPresses = 0;
        Other.SetOnPressed([&](uint16_t, uint32_t, uint32_t) { ++OtherPresses; });
        Run("xdotool", {"key", "ctrl+2"});
        QTRY_COMPARE(OtherPresses, 1);
        // Once it lets go, the combination is free.
        QVERIFY(M.HotKeyValid(16433));
        QVERIFY(Other.Unregister(7));
        QVERIFY(M.HotKeyValid(16434));
        QVERIFY(M.AddHotKey(16434) != 0);
        QVERIFY(M.HotKeyValid(16434));
        QVERIFY(!Other.Register(8, platform::ModControl, '2'));
        // The same program asking twice for one combination is refused too.
        platform::linux_::TXcbHotKeys Own;
        QVERIFY(Own.Register(1, platform::ModControl, 'K'));
        QVERIFY(!Own.Register(2, platform::ModControl, 'K'));
        QVERIFY(!Own.Register(1, platform::ModControl, 'L'));
    }

    void TextOnAUsLayout() {
        QCOMPARE(HotKeyText(49233), QString("Ctrl+Alt+Q"));
        QCOMPARE(HotKeyText(16433), QString("Ctrl+1"));
        QCOMPARE(HotKeyText(16384), QString("Ctrl+"));
        QCOMPARE(HotKeyText(HotKeyShift | HotKeyCtrl | 0x74), QString("Ctrl+Shift+F5"));
        QCOMPARE(HotKeyText(HotKeyCtrl | 0x21), QString("Ctrl+Page Up"));
        QCOMPARE(HotKeyText(HotKeyCtrl | 0x69), QString("Ctrl+Num 9"));
        QCOMPARE(HotKeyText(173), QString("Volume Mute"));
        QCOMPARE(HotKeyText(HotKeyAlt | 176), QString("Alt+Next Track"));
        QCOMPARE(HotKeyText(HotKeyCtrl | 0xBA), QString("Ctrl+;"));
        QCOMPARE(HotKeyText(HotKeyCtrl | 0xDE), QString("Ctrl+'"));
        QCOMPARE(ShiftName(), QString("Shift"));
        QCOMPARE(CtrlName(), QString("Ctrl"));
        QCOMPARE(AltName(), QString("Alt"));
        QCOMPARE(WinName(), QString("Win"));
    }

    void HotKeysFollowTheKeymap() {
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        int Presses = 0;
        M.SetOnHotKeyPressed([&](uint32_t, uint16_t) { ++Presses; });
        QVERIFY(M.AddHotKey(49233) != 0);
        // On a French keyboard Q sits where A is on a US one; the hotkey moves with it.
        QVERIFY(Run("setxkbmap", {"fr"}));
        QTest::qWait(300);
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Presses, 1);
        Run("xdotool", {"key", "ctrl+alt+a"});
        QVERIFY(Run("setxkbmap", {"us"}));
        QTest::qWait(300);
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Presses, 2);
        QTest::qWait(200);
        QCOMPARE(Presses, 2);
        QVERIFY(M.RemoveHotKey(49233));
    }

    void TextFollowsTheCurrentLayout() {
        QVERIFY(Run("setxkbmap", {"fr"}));
        // The 1 key of a French keyboard writes "&" on its first level; 'Q' stays Q.
        QCOMPARE(HotKeyText(16433, true), QString("Ctrl+&"));
        QCOMPARE(HotKeyText(16433, false), QString("Ctrl+1"));
        QCOMPARE(HotKeyText(49233, true), QString("Ctrl+Alt+Q"));
        // The grab follows the layout too: Ctrl with the key that writes 1 (and & unshifted).
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        int Presses = 0;
        M.SetOnHotKeyPressed([&](uint32_t, uint16_t) { ++Presses; });
        QVERIFY(M.AddHotKey(16433) != 0);
        Run("xdotool", {"key", "ctrl+ampersand"});
        QTRY_COMPARE(Presses, 1);
        QVERIFY(Run("setxkbmap", {"us"}));
        QCOMPARE(HotKeyText(16433, true), QString("Ctrl+1"));
    }
};

QTEST_MAIN(THotKeysX11Test)
#include "HotKeysX11Test.moc"
