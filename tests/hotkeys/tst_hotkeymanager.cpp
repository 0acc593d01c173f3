#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "hotkeys/Atoms.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/KeyNames.h"

namespace {

// Key names as a layout would give them: a US-like default, with names a test can change.
class TFakeKeyNames : public platform::IKeyNames {
public:
    std::string KeyName(uint32_t Key, bool Localized) override {
        if (auto It = Names.find(Key); It != Names.end() && Localized)
            return It->second;
        if (Key == 0x10)
            return "Shift";
        if (Key == 0x11)
            return "Ctrl";
        if (Key == 0x12)
            return "Alt";
        if (Key == 0x74)
            return "F5";
        if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
            return std::string(1, char(Key));
        return {};
    }
    uint32_t VirtualKeyOfScanCode(uint32_t ScanCode) override {
        const auto It = ScanCodes.find(ScanCode);
        return It == ScanCodes.end() ? 0 : It->second;
    }
    std::map<uint32_t, std::string> Names;
    std::map<uint32_t, uint32_t> ScanCodes; // the layout's typing keys
};

uint16_t AtomOf(uint32_t HotKey) {
    return Atoms::Find("HotKeyManagerHotKey" + QString::number(HotKey));
}

} // namespace

class tst_HotKeyManager : public QObject {
    Q_OBJECT
private slots:
    void init() { InitializeHotKeyNames(std::make_shared<TFakeKeyNames>()); }
    void cleanup() { FinalizeHotKeyNames(); }

    void IdentifiersAreAtomsCountedPerRegistration() {
        auto Fake = std::make_shared<TFakeHotKeys>();
        THotKeyManager A(Fake);
        const uint16_t Id = A.AddHotKey(16433);
        QVERIFY(Id != 0);
        QCOMPARE(Id, AtomOf(16433));
        QCOMPARE(Atoms::References(Id), 1);
        QCOMPARE(Fake->Calls.back(), std::string("Register " + std::to_string(Id) + " 2+49 ok"));
        // The same value twice: refused, the list keeps one entry and the atom one reference.
        QCOMPARE(A.AddHotKey(16433), uint16_t(0));
        QCOMPARE(A.HotKeyList().size(), size_t(1));
        QCOMPARE(Atoms::References(Id), 1);
        // Another manager asking for the same value gets the same identifier while it is held;
        // the system refuses it, and the reference it took is given back.
        auto Other = std::make_shared<TFakeHotKeys>();
        THotKeyManager B(Other);
        QCOMPARE(B.AddHotKey(16433), Id);
        QCOMPARE(Atoms::References(Id), 2);
        QVERIFY(B.RemoveHotKey(16433));
        QCOMPARE(Atoms::References(Id), 1);
        const uint16_t Id2 = A.AddHotKey(49233);
        QVERIFY(Id2 != 0 && Id2 != Id);
        QVERIFY(A.RemoveHotKey(16433));
        QCOMPARE(Atoms::References(Id), 0);
        QCOMPARE(AtomOf(16433), uint16_t(0));
        A.ClearHotKeys();
        QCOMPARE(Atoms::References(Id2), 0);
        QVERIFY(Fake->Held.empty());
    }

    void FailureLeavesNothingBehind() {
        auto Fake = std::make_shared<TFakeHotKeys>();
        Fake->Taken.push_back({platform::ModControl, '2'});
        THotKeyManager M(Fake);
        QCOMPARE(M.AddHotKey(16434), uint16_t(0));
        QVERIFY(M.HotKeyList().empty());
        QCOMPARE(AtomOf(16434), uint16_t(0));
    }

    void RemovalByValue() {
        auto Fake = std::make_shared<TFakeHotKeys>();
        THotKeyManager M(Fake);
        const uint16_t A = M.AddHotKey(16433), B = M.AddHotKey(16434), C = M.AddHotKey(16435);
        QVERIFY(A && B && C);
        QVERIFY(!M.RemoveHotKey(16436));
        QCOMPARE(M.HotKeyList().size(), size_t(3));
        QVERIFY(M.RemoveHotKey(16434));
        QCOMPARE(M.HotKeyList().size(), size_t(2));
        QCOMPARE(M.HotKeyList()[0].HotKey, 16433u);
        QCOMPARE(M.HotKeyList()[1].HotKey, 16435u);
        QCOMPARE(Atoms::References(B), 0);
        // An unregistration the system refuses still takes the entry and its reference away.
        Fake->RefuseUnregister = true;
        QVERIFY(!M.RemoveHotKey(16433));
        QCOMPARE(M.HotKeyList().size(), size_t(1));
        QCOMPARE(Atoms::References(A), 0);
        Fake->RefuseUnregister = false;
        // Clearing goes from the last entry to the first.
        const uint16_t D = M.AddHotKey(16437);
        Fake->Calls.clear();
        M.ClearHotKeys();
        QCOMPARE(Fake->Calls,
                 (std::vector<std::string>{"Unregister " + std::to_string(D) + " ok",
                                           "Unregister " + std::to_string(C) + " ok"}));
        QVERIFY(M.HotKeyList().empty());
    }

    void PressesRebuildTheValue() {
        auto Fake = std::make_shared<TFakeHotKeys>();
        THotKeyManager M(Fake);
        // Pressed with no handler set: nothing happens.
        M.AddHotKey(0x10000 | HotKeyShift | HotKeyCtrl | HotKeyAlt | 0x74);
        QVERIFY(Fake->Press(
            platform::ModWin | platform::ModShift | platform::ModControl | platform::ModAlt, 0x74));
        QList<uint32_t> Pressed;
        M.SetOnHotKeyPressed([&](uint32_t V, uint16_t) { Pressed.append(V); });
        QVERIFY(Fake->Press(
            platform::ModWin | platform::ModShift | platform::ModControl | platform::ModAlt, 0x74));
        QCOMPARE(Pressed, QList<uint32_t>{0x1E074u});
        // A value with bits the system ignores is registered, but no press matches it exactly.
        QVERIFY(M.AddHotKey(0x4100 | 'Q'));
        QVERIFY(Fake->Press(platform::ModControl, 'Q'));
        QCOMPARE(Pressed.size(), 1);
        // An error in the handler is shown, not thrown back into the event loop.
        Dialogs::TDialogScript Script;
        M.SetOnHotKeyPressed([](uint32_t, uint16_t) -> void { throw EError("boom"); });
        Fake->Press(platform::ModWin | platform::ModShift | platform::ModControl | platform::ModAlt,
                    0x74);
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("boom"));
        // Once the manager is gone, its backend no longer calls it.
        {
            auto Gone = std::make_shared<TFakeHotKeys>();
            { THotKeyManager Short(Gone); }
            QVERIFY(!Gone->OnPressed);
        }
    }

    void SplitAndNames() {
        uint32_t Mods = 0, Key = 0;
        SplitHotKey(49233, Mods, Key);
        QCOMPARE(Key, 0x51u);
        QCOMPARE(Mods, uint32_t(platform::ModControl | platform::ModAlt));
        SplitHotKey(0x1E074 | 0xFF00000, Mods, Key);
        QCOMPARE(Mods, 15u);
        QCOMPARE(Key, 0x74u);
        QVERIFY(!IsMediaKey(165) && IsMediaKey(166) && IsMediaKey(183) && !IsMediaKey(184));
        QCOMPARE(MediaKeyName(173), QString("Volume Mute"));
        QCOMPARE(MediaKeyName(179), QString("Play/Pause Media"));
        QCOMPARE(MediaKeyName(183), QString("Start Application 2"));
        QCOMPARE(MediaKeyName(65), QString());
        QVERIFY(IsCapitalsOnly("") && IsCapitalsOnly("ALT") && !IsCapitalsOnly("Alt"));
        QVERIFY(!IsCapitalsOnly("ALT1") && !IsCapitalsOnly(QString::fromUtf8("ÄLT")));
    }

    void TextInFixedModifierOrder() {
        QCOMPARE(HotKeyText(49233), QString("Ctrl+Alt+Q"));
        QCOMPARE(HotKeyText(16433), QString("Ctrl+1"));
        QCOMPARE(HotKeyText(16384), QString("Ctrl+"));
        QCOMPARE(HotKeyText(HotKeyShift | HotKeyCtrl | 0x74), QString("Ctrl+Shift+F5"));
        QCOMPARE(HotKeyText(0x1E000 | 'A'), QString("Ctrl+Shift+Alt+Win+A"));
        QCOMPARE(HotKeyText(HotKeyCtrl | 173), QString("Ctrl+Volume Mute"));
        QCOMPARE(HotKeyText(0), QString());
    }

    void NamesFollowTheLayout() {
        auto Names = std::make_shared<TFakeKeyNames>();
        Names->Names = {{0x10, "UMSCHALT"}, {0x11, "STRG"}, {0x12, "ALT"}, {'Q', "Q"}};
        InitializeHotKeyNames(Names);
        QCOMPARE(WinName(), QString("WIN"));
        QCOMPARE(HotKeyText(HotKeyCtrl | HotKeyShift | 0x10000 | 'Q', true),
                 QString("STRG+UMSCHALT+WIN+Q"));
        QCOMPARE(HotKeyText(HotKeyCtrl | HotKeyShift | 0x10000 | 'Q', false),
                 QString("Ctrl+Shift+Win+Q"));
        // A one-character name of a media key gives way to its English name.
        Names->Names[173] = "x";
        QCOMPARE(HotKeyText(173, true), QString("Volume Mute"));
        Names->Names[173] = "Stumm";
        QCOMPARE(HotKeyText(173, true), QString("Stumm"));
        // A layout that names Alt "Alt" keeps "Win".
        Names->Names = {{0x12, "Alt"}};
        InitializeHotKeyNames(Names);
        QCOMPARE(WinName(), QString("Win"));
        QCOMPARE(CtrlName(), QString("Ctrl"));
        QCOMPARE(ShiftName(), QString("Shift"));
    }

    void TheFieldTakesWhatTheKeyMeansOnTheLayout() {
        // A French keyboard: the key labelled 1 and & (X key code 10) is the digit 1 and named
        // "&"; the key where a US keyboard has Q (24) is A.
        auto Names = std::make_shared<TFakeKeyNames>();
        Names->ScanCodes = {{10, '1'}, {24, 'A'}};
        Names->Names = {{'1', "&"}};
        InitializeHotKeyNames(Names);
        THotKeyEdit E;
        const auto Press = [&E](int QtKey, Qt::KeyboardModifiers Modifiers, quint32 ScanCode,
                                const QString &Text) {
            QKeyEvent Event(QEvent::KeyPress, QtKey, Modifiers, ScanCode, 0, 0, Text);
            QApplication::sendEvent(&E, &Event);
        };
        Press(Qt::Key_Ampersand, Qt::ControlModifier, 10, "&");
        QCOMPARE(E.HotKey(), uint16_t(16433));
        QCOMPARE(E.text(), QString("Ctrl+&"));
        // With Shift the key writes 1: still the same key.
        Press(Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier, 10, "1");
        QCOMPARE(E.HotKey(), uint16_t(HotKeyCtrl | HotKeyShift | '1'));
        Press(Qt::Key_A, Qt::AltModifier, 24, "a");
        QCOMPARE(E.HotKey(), uint16_t(HotKeyAlt | 'A'));
        // Keys the layout gives no code go by their Qt key.
        Press(Qt::Key_F5, Qt::ControlModifier, 71, "");
        QCOMPARE(E.HotKey(), uint16_t(HotKeyCtrl | 0x74));
    }
};

QTEST_MAIN(tst_HotKeyManager)
#include "tst_hotkeymanager.moc"
