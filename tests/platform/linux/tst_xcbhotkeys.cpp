#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>
// xcb's XKB header names a field "explicit", a keyword of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "AppProcess.h"
#include "Require.h"
#include "TestSupport.h"
#include "hotkeys/Atoms.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/KeyNames.h"
#include "platform/linux/XcbHotKeys.h"
#include "platform/linux/XkbLayoutKeys.h"

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

// Switches the keyboard to the keymap's layout Group, as a layout switcher does.
void LockGroup(uint8_t Group) {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(C)) {
        std::free(xcb_xkb_use_extension_reply(C, xcb_xkb_use_extension(C, 1, 0), nullptr));
        xcb_xkb_latch_lock_state(C, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, Group, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
    }
    xcb_disconnect(C);
}

uint16_t AtomOf(uint32_t HotKey) {
    return Atoms::Find("HotKeyManagerHotKey" + QString::number(HotKey));
}

} // namespace

class tst_XcbHotKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QC_REQUIRE_DISPLAY();
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
        // The server hands a client its events in the order the keys were sent: had either of the
        // two keys before it raised anything, the fourth press would not be the last key's.
        QTRY_VERIFY(Pressed.size() >= 4);
        QCOMPARE(Pressed[3].first, 0x6074u);
        QCOMPARE(Pressed.size(), 4);
    }

    void ACombinationAnotherClientHoldsIsRefused() {
        platform::linux_::TXcbHotKeys Other; // a connection of its own: another X client
        QVERIFY(Other.Connected());
        QVERIFY(Other.Register(7, platform::ModControl, '2'));
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QCOMPARE(M.AddHotKey(16434), uint16_t(0));
        QVERIFY(M.HotKeyList().empty());
        QCOMPARE(AtomOf(16434), uint16_t(0));
        // Our failed attempt left the other client's grab alone.
        int OtherPresses = 0;
        Other.SetOnPressed([&](uint16_t, uint32_t, uint32_t) { ++OtherPresses; });
        Run("xdotool", {"key", "ctrl+2"});
        QTRY_COMPARE(OtherPresses, 1);
        // Once it lets go, the combination is free.
        QVERIFY(Other.Unregister(7));
        QVERIFY(M.AddHotKey(16434) != 0);
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
        // Key codes of the evdev keymaps setxkbmap loads: the key left of W, and the key left of S.
        constexpr uint32_t KeyAD01 = 24, KeyAC01 = 38;
        const uint16_t CtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QList<uint32_t> Pressed;
        M.SetOnHotKeyPressed([&](uint32_t HotKey, uint16_t) { Pressed << HotKey; });
        QVERIFY(M.AddHotKey(49233) != 0);
        QVERIFY(!X11::GrabFree(KeyAD01, CtrlAlt));
        // On a French keyboard Q sits where A is on a US one; the hotkey moves with it.
        QVERIFY(Run("setxkbmap", {"fr"}));
        QTRY_VERIFY(!X11::GrabFree(KeyAC01, CtrlAlt) && X11::GrabFree(KeyAD01, CtrlAlt));
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Pressed.size(), 1);
        Run("xdotool", {"key", "ctrl+alt+a"});
        QVERIFY(Run("setxkbmap", {"us"}));
        QTRY_VERIFY(!X11::GrabFree(KeyAD01, CtrlAlt) && X11::GrabFree(KeyAC01, CtrlAlt));
        Run("xdotool", {"key", "ctrl+alt+q"});
        // A last hotkey marks the end: the server delivers the presses in the order the keys were
        // sent, so when its press is in, whatever ctrl+alt+a raised would be in too.
        QVERIFY(M.AddHotKey(0x6074) != 0);
        Run("xdotool", {"key", "ctrl+shift+F5"});
        QTRY_VERIFY(!Pressed.isEmpty() && Pressed.last() == 0x6074u);
        QCOMPARE(Pressed, (QList<uint32_t>{49233, 49233, 0x6074}));
        QVERIFY(M.RemoveHotKey(49233));
        QVERIFY(M.RemoveHotKey(0x6074));
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

    void TheFieldRecordsWhatTheKeyMeansOnTheLayout_data() {
        QTest::addColumn<QString>("Layout");
        QTest::addColumn<QString>("KeyOf1"); // what the key labelled 1 writes unshifted
        QTest::addColumn<QString>("Text1");
        QTest::addColumn<QString>("Letter"); // a letter, pressed on the layout
        QTest::newRow("us") << "us"
                            << "1"
                            << "Ctrl+1"
                            << "y";
        QTest::newRow("fr") << "fr"
                            << "ampersand"
                            << "Ctrl+&"
                            << "a";
        QTest::newRow("de") << "de"
                            << "1"
                            << "Ctrl+1"
                            << "z";
    }
    void TheFieldRecordsWhatTheKeyMeansOnTheLayout() {
        QFETCH(QString, Layout);
        QFETCH(QString, KeyOf1);
        QFETCH(QString, Text1);
        QFETCH(QString, Letter);
        QVERIFY(Run("setxkbmap", {Layout}));
        QWidget Form;
        auto *Edit = new THotKeyEdit(&Form);
        Edit->resize(150, 24);
        Form.show();
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
        Edit->setFocus();
        QTRY_VERIFY(Edit->hasFocus());
        // The key labelled 1 is Ctrl+1 on every layout, named as the layout writes it.
        Run("xdotool", {"key", "ctrl+" + KeyOf1});
        QTRY_COMPARE(Edit->HotKey(), uint16_t(16433));
        QCOMPARE(Edit->text(), Text1);
        // A letter is the layout's letter (the key where a US keyboard has Q is A on a French
        // one, Y is Z on a German one).
        const uint16_t LetterValue = uint16_t(HotKeyAlt | Letter.toUpper().at(0).unicode());
        Run("xdotool", {"key", "alt+" + Letter});
        QTRY_COMPARE(Edit->HotKey(), LetterValue);
        QCOMPARE(Edit->text(), "Alt+" + Letter.toUpper());
        // The values grab the keys that were pressed.
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QList<uint32_t> Pressed;
        M.SetOnHotKeyPressed([&](uint32_t V, uint16_t) { Pressed.append(V); });
        QVERIFY(M.AddHotKey(16433) != 0);
        QVERIFY(M.AddHotKey(LetterValue) != 0);
        Run("xdotool", {"key", "ctrl+" + KeyOf1});
        QTRY_COMPARE(Pressed, QList<uint32_t>{16433});
        Run("xdotool", {"key", "alt+" + Letter});
        QTRY_COMPARE(Pressed, (QList<uint32_t>{16433, LetterValue}));
        QCOMPARE(Edit->HotKey(), LetterValue);
        QVERIFY(Run("setxkbmap", {"us"}));
    }

    void HotKeysComeBackWithTheirKeys() {
        QVERIFY(Run("setxkbmap", {"us"}));
        const auto Us = platform::linux_::TXkbServerKeymap().Current();
        QVERIFY(Us);
        const uint32_t KeyQ = Us->KeyCode("AD01");
        auto HotKeys = std::make_shared<platform::linux_::TXcbHotKeys>();
        THotKeyManager M(HotKeys);
        QList<uint32_t> Pressed;
        M.SetOnHotKeyPressed([&](uint32_t V, uint16_t) { Pressed.append(V); });
        const uint16_t IdQ = M.AddHotKey(49233);
        QVERIFY(IdQ != 0);
        QVERIFY(M.AddHotKey(16434) != 0);
        QVERIFY(!X11::GrabFree(KeyQ, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        // A keymap of three keys, as some tools load: 2, Ctrl and Alt, and no Q.
        QVERIFY(X11::LoadKeymapOfThreeKeys());
        // Once the program has read the new keymap it has let go of the key that was Q.
        QTRY_VERIFY(X11::GrabFree(KeyQ, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        QVERIFY(!HotKeys->Grabbed(IdQ));
        QCOMPARE(M.HotKeyList().size(), size_t(2));
        // The full keymap back: Ctrl+Alt+Q is grabbed again and works, and so does Ctrl+2.
        QVERIFY(Run("setxkbmap", {"us"}));
        QTRY_VERIFY(!X11::GrabFree(KeyQ, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        Run("xdotool", {"key", "ctrl+alt+q"});
        QTRY_COMPARE(Pressed, QList<uint32_t>{49233});
        Run("xdotool", {"key", "ctrl+2"});
        QTRY_COMPARE(Pressed, (QList<uint32_t>{49233, 16434}));
        // A layout without Latin letters keeps the letters where a US keyboard has them.
        QVERIFY(Run("setxkbmap", {"ru"}));
        Run("xdotool", {"key", "ctrl+alt+Cyrillic_shorti"});
        QTRY_COMPARE(Pressed.size(), 3);
        QCOMPARE(Pressed.last(), 49233u);
        QVERIFY(Run("setxkbmap", {"us"}));
    }

    void HotKeysFollowTheLayoutInEffect() {
        // One keymap with two layouts, US and French, switched without a new keymap.
        QVERIFY(Run("setxkbmap", {"-layout", "us,fr"}));
        LockGroup(0);
        const auto Keys = platform::linux_::TXkbServerKeymap().Current();
        QVERIFY(Keys);
        const uint32_t KeyAD01 = Keys->KeyCode("AD01"), KeyAC01 = Keys->KeyCode("AC01");
        const uint16_t CtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        THotKeyManager M(std::make_shared<platform::linux_::TXcbHotKeys>());
        QVERIFY(M.AddHotKey(49233) != 0);
        QVERIFY(!X11::GrabFree(KeyAD01, CtrlAlt) && X11::GrabFree(KeyAC01, CtrlAlt));
        // On the French layout Q is where a US keyboard has A.
        LockGroup(1);
        QTRY_VERIFY(X11::GrabFree(KeyAD01, CtrlAlt) && !X11::GrabFree(KeyAC01, CtrlAlt));
        LockGroup(0);
        QTRY_VERIFY(!X11::GrabFree(KeyAD01, CtrlAlt) && X11::GrabFree(KeyAC01, CtrlAlt));
        QVERIFY(Run("setxkbmap", {"us"}));
    }
};

QTEST_MAIN(tst_XcbHotKeys)
#include "tst_xcbhotkeys.moc"
