#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Keyboard.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/SettingsPage.h"
#include "hotkeys/VozedaRiru.h"

namespace {

const QByteArray Keys123 = "[ShortCut]\nShowOrHideIE=16433\nScreenShot=16434\nChat=16435\n";

struct TRig {
    TTestConfig Cfg;
    TFakePlatform Fake;
    std::unique_ptr<TVozedaRiru> Gen;
    QWidget Tab;
    TSettingsPage *Page = nullptr;
    QStringList Log; // backend calls and the closing of the window, in order
    ~TRig() { Fake.HotKeys->OnCall = nullptr; }
    void Create() {
        TVozedaRiru::TContext C;
        C.Platform = Fake.Platform();
        Gen = std::make_unique<TVozedaRiru>(std::move(C));
        Tab.resize(364, 291);
        Page = new TSettingsPage(
            &Tab, [this] { return Gen.get(); },
            [this] {
                Log << "close AutoRun=" + QString::number(Config().AutoRun()) +
                           " CPUMonitor=" + QString::number(Config().CPUMonitor());
            });
        // Each registration notes what cfg.ini held for the IE hotkey at that moment.
        Fake.HotKeys->OnCall = [this](const std::string &Call) {
            Log << QString::fromStdString(Call) +
                       " stored=" + QString::number(Config().SKey_ShowOrHideIE());
        };
    }
};

} // namespace

class tst_SettingsPage : public QObject {
    Q_OBJECT
private slots:
    void ControlsAndDesignValues() {
        TRig R;
        R.Create();
        auto *Box = R.Tab.findChild<QGroupBox *>("快捷键设置");
        QVERIFY(Box);
        QCOMPARE(R.Tab.findChild<QGroupBox *>("GroupBox9")->title(), QString("提醒设置"));
        QCOMPARE(R.Tab.findChild<QLabel *>("Label8")->text(), QString("显示/隐藏IE"));
        QCOMPARE(R.Tab.findChild<QLabel *>("Label10")->text(), QString("截屏"));
        QCOMPARE(R.Tab.findChild<QLabel *>("Label11")->text(), QString("聊天"));
        auto *E1 = R.Tab.findChild<THotKeyEdit *>("HotKey1");
        // (Where each control sits is checked at the real fonts by test_formsfit.)
        QCOMPARE(R.Tab.findChild<QLabel *>("Label8")->buddy(), E1);
        QCOMPARE(E1->HotKey(), uint16_t(16433));
        QCOMPARE(E1->text(), QString("Ctrl+1"));
        QCOMPARE(R.Page->HotKey3()->HotKey(), uint16_t(16434));
        QCOMPARE(R.Page->HotKey4()->HotKey(), uint16_t(16435));
        QCOMPARE(R.Page->CheckBox1()->text(), QString("开机自动运行"));
        QCOMPARE(R.Page->CheckBox2()->text(), QString("CPU使用量过高时提示"));
        QCOMPARE(R.Page->Button2()->text(), QString("确定"));
        QCOMPARE(R.Page->objectName(), QString("Panel3"));
        // With no cfg.ini the page shows three empty edits and no ticks once loaded.
        R.Page->Load();
        for (THotKeyEdit *E : {R.Page->HotKey1(), R.Page->HotKey3(), R.Page->HotKey4()}) {
            QCOMPARE(E->HotKey(), uint16_t(0));
            QCOMPARE(E->text(), QString());
        }
        QVERIFY(!R.Page->CheckBox1()->isChecked() && !R.Page->CheckBox2()->isChecked());
        R.Cfg.WriteIni(Keys123 + "[Sys]\nAutoRun=1\nCPUMonitor=1\n");
        R.Page->Load();
        QCOMPARE(R.Page->HotKey4()->text(), QString("Ctrl+3"));
        QVERIFY(R.Page->CheckBox1()->isChecked() && R.Page->CheckBox2()->isChecked());
    }

    void EntryRule() {
        TTestConfig Cfg;
        THotKeyEdit E;
        QSignalSpy Changed(&E, &THotKeyEdit::HotKeyChanged);
        QTest::keyClick(&E, Qt::Key_5);
        QCOMPARE(E.HotKey(), uint16_t(0x4035));
        QCOMPARE(E.text(), QString("Ctrl+5"));
        QTest::keyClick(&E, Qt::Key_Percent, Qt::ShiftModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x4035));
        QTest::keyClick(&E, Qt::Key_A, Qt::AltModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x8041));
        QTest::keyClick(&E, Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x6074));
        QCOMPARE(E.text(), QString("Ctrl+Shift+F5"));
        // The Windows key cannot be entered: it is dropped, and the rule applies to the rest.
        QTest::keyClick(&E, Qt::Key_Q, Qt::MetaModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x4051));
        QTest::keyClick(&E, Qt::Key_9, Qt::KeypadModifier | Qt::ControlModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x4069));
        // Keys that no virtual key stands for change nothing.
        QKeyEvent Cancel(QEvent::KeyPress, Qt::Key_Cancel, Qt::NoModifier);
        QApplication::sendEvent(&E, &Cancel);
        QCOMPARE(E.HotKey(), uint16_t(0x4069));
        QTest::keyClick(&E, Qt::Key_Backspace);
        QCOMPARE(E.HotKey(), uint16_t(0));
        QCOMPARE(E.text(), QString());
        QCOMPARE(Changed.size(), 7);
        QTest::keyClick(&E, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x4009));
        QTest::keyClick(&E, Qt::Key_Backspace);
        // Backspace with a modifier is a combination like any other.
        QTest::keyClick(&E, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(E.HotKey(), uint16_t(0x8008));
    }

    void TabMovesOn() {
        TTestConfig Cfg;
        QWidget Form;
        auto *A = new THotKeyEdit(&Form);
        auto *B = new THotKeyEdit(&Form);
        B->move(0, 30);
        Form.show();
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
        A->setFocus();
        QTRY_VERIFY(A->hasFocus());
        QTest::keyClick(A, Qt::Key_Tab);
        QTRY_VERIFY(B->hasFocus());
        QCOMPARE(A->HotKey(), uint16_t(0));
    }

    // A keyboard user reaches 确定 with Tab from the first field and presses it.
    void OkByKeyboard_data() {
        QTest::addColumn<int>("Key");
        QTest::addColumn<int>("Modifiers");
        QTest::addColumn<bool>("Saves");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << true;
        QTest::newRow("Ctrl+Return is another command")
            << int(Qt::Key_Return) << int(Qt::ControlModifier) << false;
        QTest::newRow("a letter") << int(Qt::Key_A) << int(Qt::NoModifier) << false;
    }
    void OkByKeyboard() {
        QFETCH(int, Key);
        QFETCH(int, Modifiers);
        QFETCH(bool, Saves);
        // As the program does at start-up.
        Keyboard::InstallButtonKeys(qApp);
        TRig R;
        R.Cfg.WriteIni(Keys123);
        R.Create();
        Dialogs::TDialogScript Script;
        R.Page->Load();
        R.Tab.show();
        QVERIFY(QTest::qWaitForWindowActive(&R.Tab));
        R.Page->HotKey1()->setFocus();
        QTRY_VERIFY(R.Page->HotKey1()->hasFocus());
        for (int I = 0; I < 10 && !R.Page->Button2()->hasFocus(); ++I)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(R.Page->Button2()->hasFocus());
        QTest::keyClick(R.Page->Button2(), Qt::Key(Key), Qt::KeyboardModifiers(Modifiers));
        if (Saves) {
            // The button shows itself pressed for a moment, then clicks.
            QTRY_VERIFY(!R.Log.isEmpty() && R.Log.last().startsWith("close "));
        } else {
            // A click would have come within the short pressed look (100 ms); twice that and
            // the event loop's passes are ample.
            QTest::qWait(200);
            QVERIFY2(R.Log.isEmpty(), qPrintable(R.Log.join('\n')));
        }
        QVERIFY(Script.Shown().isEmpty());
    }

    void SaveOrder() {
        TRig R;
        R.Cfg.WriteIni(Keys123);
        R.Create();
        Dialogs::TDialogScript Script;
        R.Page->Load();
        R.Page->HotKey1()->SetHotKey(0x4036); // Ctrl+6
        R.Page->HotKey4()->SetHotKey(0);      // cleared: the chat hotkey goes
        R.Page->CheckBox1()->setChecked(true);
        R.Page->CheckBox2()->setChecked(true);
        QTest::mouseClick(R.Page->Button2(), Qt::LeftButton);
        QCOMPARE(R.Log.size(), 6);
        QVERIFY2(R.Log[0].startsWith("Unregister ") && R.Log[0].endsWith(" ok stored=16433"),
                 qPrintable(R.Log.join('\n')));
        QVERIFY(R.Log[1].startsWith("Unregister ") && R.Log[1].endsWith(" ok stored=16433"));
        QVERIFY(R.Log[2].startsWith("Unregister ") && R.Log[2].endsWith(" ok stored=16433"));
        QVERIFY(R.Log[3].endsWith(" 2+54 ok stored=16433"));
        QVERIFY(R.Log[4].endsWith(" 2+50 ok stored=16433"));
        QCOMPARE(R.Log[5], QString("close AutoRun=1 CPUMonitor=1"));
        QVERIFY(Script.Shown().isEmpty());
        QCOMPARE(Config().SKey_ShowOrHideIE(), uint16_t(0x4036));
        QCOMPARE(Config().SKey_ScreenShot(), uint16_t(16434));
        QCOMPARE(Config().SKey_Chat(), uint16_t(0));
        QCOMPARE(R.Cfg.AutoRun->Calls.size(), size_t(1));
        QVERIFY(R.Cfg.AutoRun->Calls[0].rfind("Enable ", 0) == 0);
    }

    void ACombinationThatCannotBeHadIsNotStored() {
        TRig R;
        R.Cfg.WriteIni(Keys123);
        R.Create();
        Dialogs::TDialogScript Script;
        const auto Holds = [&R](uint32_t Modifiers, uint32_t Key) {
            return std::any_of(R.Fake.HotKeys->Held.begin(), R.Fake.HotKeys->Held.end(),
                               [&](const TFakeHotKeys::THeld &H) {
                                   return H.Modifiers == Modifiers && H.VirtualKey == Key;
                               });
        };
        const auto Ini = [&R] {
            QFile F(R.Cfg.IniPath());
            return F.open(QIODevice::ReadOnly) ? QString::fromUtf8(F.readAll()) : QString();
        };
        // The chat given Ctrl+1, which the IE hotkey has: refused, and Ctrl+3 stays the chat's,
        // in the file, in the field and on the keyboard.
        R.Page->Load();
        R.Page->HotKey4()->SetHotKey(16433);
        R.Page->Button2Click();
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("Ctrl+1 couldn't be assigned to a hotkey."));
        QCOMPARE(Config().SKey_ShowOrHideIE(), uint16_t(16433));
        QCOMPARE(Config().SKey_Chat(), uint16_t(16435));
        QVERIFY2(Ini().contains("Chat=16435") && !Ini().contains("Chat=16433"), qPrintable(Ini()));
        QCOMPARE(R.Page->HotKey4()->HotKey(), uint16_t(16435));
        QCOMPARE(R.Page->HotKey4()->text(), QString("Ctrl+3"));
        QVERIFY(Holds(platform::ModControl, '1') && Holds(platform::ModControl, '3'));
        QCOMPARE(R.Fake.HotKeys->Held.size(), size_t(4));
        // A combination another program holds: the same.
        R.Fake.HotKeys->Taken.push_back({platform::ModControl, '9'});
        R.Page->Load();
        R.Page->HotKey3()->SetHotKey(16441);
        R.Page->Button2Click();
        QCOMPARE(Script.Shown().size(), 2);
        QCOMPARE(Script.Shown()[1].Text, QString("Ctrl+9 couldn't be assigned to a hotkey."));
        QCOMPARE(Config().SKey_ScreenShot(), uint16_t(16434));
        QCOMPARE(R.Page->HotKey3()->HotKey(), uint16_t(16434));
        QVERIFY(Holds(platform::ModControl, '2'));
        // The IE hotkey takes the chat's Ctrl+3 while the chat asks for Ctrl+2, which stays the
        // capture's: the chat's old combination is the IE hotkey's now, so the chat has none,
        // rather than two features stored with one combination.
        R.Page->Load();
        R.Page->HotKey1()->SetHotKey(16435);
        R.Page->HotKey4()->SetHotKey(16434);
        R.Page->Button2Click();
        QCOMPARE(Script.Shown().size(), 3);
        QCOMPARE(Script.Shown()[2].Text, QString("Ctrl+2 couldn't be assigned to a hotkey."));
        QCOMPARE(Config().SKey_ShowOrHideIE(), uint16_t(16435));
        QCOMPARE(Config().SKey_ScreenShot(), uint16_t(16434));
        QCOMPARE(Config().SKey_Chat(), uint16_t(0));
        QCOMPARE(R.Page->HotKey4()->HotKey(), uint16_t(0));
        QVERIFY(!Holds(platform::ModControl, '1'));
        QCOMPARE(R.Fake.HotKeys->Held.size(), size_t(3));
    }

    // A combination refused falls back to the feature's stored one only when no feature asked
    // for that: the IE hotkey, refused Ctrl+9, never keeps Ctrl+1 that the capture asked for.
    void AFallbackNeverTakesAKeyAskedFor_data() {
        QTest::addColumn<QList<int>>("Typed"); // IE, capture, chat
        QTest::addColumn<QList<int>>("Stored");
        QTest::addColumn<QStringList>("Warned");
        const int C1 = 16433, C2 = 16434, C3 = 16435, C9 = 16441;
        QTest::newRow("IE refused, capture takes its key")
            << QList<int>{C9, C1, C3} << QList<int>{0, C1, C3} << QStringList{"Ctrl+9"};
        QTest::newRow("chat refused, IE takes its key")
            << QList<int>{C3, C2, C9} << QList<int>{C3, C2, 0} << QStringList{"Ctrl+9"};
        QTest::newRow("refused, own key free again")
            << QList<int>{C9, C2, C3} << QList<int>{C1, C2, C3} << QStringList{"Ctrl+9"};
        QTest::newRow("keys swapped")
            << QList<int>{C2, C1, C3} << QList<int>{C2, C1, C3} << QStringList();
        QTest::newRow("one key twice, the first keeps it")
            << QList<int>{C2, C2, C3} << QList<int>{C2, 0, C3} << QStringList{"Ctrl+2"};
    }
    void AFallbackNeverTakesAKeyAskedFor() {
        QFETCH(QList<int>, Typed);
        QFETCH(QList<int>, Stored);
        QFETCH(QStringList, Warned);
        TRig R;
        R.Cfg.WriteIni(Keys123);
        R.Fake.HotKeys->Taken.push_back({platform::ModControl, '9'});
        R.Create();
        Dialogs::TDialogScript Script;
        R.Page->Load();
        THotKeyEdit *const Edits[] = {R.Page->HotKey1(), R.Page->HotKey3(), R.Page->HotKey4()};
        for (int I = 0; I < 3; ++I)
            Edits[I]->SetHotKey(uint16_t(Typed[I]));
        R.Page->Button2Click();
        QStringList Shown;
        for (const Dialogs::TShown &S : Script.Shown())
            Shown << S.Text.section(' ', 0, 0);
        QCOMPARE(Shown, Warned);
        const auto Now = TVozedaRiru::StoredHotKeys();
        QCOMPARE((QList<int>{Now[0], Now[1], Now[2]}), Stored);
        // What the fields show and what the keyboard holds is what was stored.
        QList<uint32_t> Held;
        for (const auto &H : R.Fake.HotKeys->Held)
            Held << (H.VirtualKey | HotKeyCtrl |
                     ((H.Modifiers & platform::ModAlt) ? uint32_t(HotKeyAlt) : 0u));
        for (int I = 0; I < 3; ++I) {
            QCOMPARE(int(Edits[I]->HotKey()), Stored[I]);
            QCOMPARE(Held.count(uint32_t(Stored[I])), Stored[I] ? 1 : 0);
        }
        QCOMPARE(Held.size(), 1 + int(Stored.size() - Stored.count(0)));
    }

    // A desktop without system-wide hotkeys: what was typed is stored and stays in the fields,
    // without a box per key (the notice at start said it once).
    void NoHotKeyServiceStoresWhatWasTyped() {
        TRig R;
        R.Cfg.WriteIni(Keys123 + "[Sys]\nNoHotKeysNoticed=1\n");
        R.Fake.HotKeys->Offered = false;
        R.Create();
        Dialogs::TDialogScript Script;
        R.Page->Load();
        QVERIFY(!R.Page->CheckBox3()->isVisibleTo(&R.Tab)); // no GNOME settings in this rig
        // Unchanged first, then a new key and a cleared one.
        QTest::mouseClick(R.Page->Button2(), Qt::LeftButton);
        R.Page->Load();
        R.Page->HotKey1()->SetHotKey(16441);
        R.Page->HotKey4()->SetHotKey(0);
        QTest::mouseClick(R.Page->Button2(), Qt::LeftButton);
        QVERIFY2(Script.Shown().isEmpty(), qPrintable(Script.Shown().value(0).Text));
        QCOMPARE(Config().SKey_ShowOrHideIE(), uint16_t(16441));
        QCOMPARE(Config().SKey_ScreenShot(), uint16_t(16434));
        QCOMPARE(Config().SKey_Chat(), uint16_t(0));
        QCOMPARE(R.Page->HotKey1()->text(), QString("Ctrl+9"));
        QCOMPARE(R.Log.last(), QString("close AutoRun=0 CPUMonitor=0"));
    }

    void AutoRunThatCannotBeSetIsShownAsItIs() {
        for (const bool On : {true, false}) {
            TRig R;
            R.Cfg.WriteIni(Keys123 + (On ? "" : "[Sys]\nAutoRun=1\n"));
            R.Create();
            Dialogs::TDialogScript Script;
            R.Page->Load();
            QCOMPARE(R.Page->CheckBox1()->isChecked(), !On);
            R.Cfg.AutoRun->Refuse = true;
            R.Page->CheckBox1()->setChecked(On);
            R.Log.clear();
            QTest::mouseClick(R.Page->Button2(), Qt::LeftButton);
            QCOMPARE(Script.Shown().size(), 1);
            QCOMPARE(Script.Shown()[0].Kind, QString("error"));
            QCOMPARE(Script.Shown()[0].Text, QString("Unable to write to /fake/qingchuan.desktop"));
            // Nothing changed: the box, the file and the next load all say what will happen.
            QCOMPARE(R.Page->CheckBox1()->isChecked(), !On);
            QCOMPARE(Config().AutoRun(), !On);
            R.Page->Load();
            QCOMPARE(R.Page->CheckBox1()->isChecked(), !On);
            QVERIFY(R.Log.isEmpty() || !R.Log.last().startsWith("close"));
        }
    }

    void AFailedWriteStopsTheSaveAndKeepsTheWindow() {
        TRig R;
        R.Cfg.WriteIni(Keys123);
        R.Create();
        Dialogs::TDialogScript Script;
        R.Page->Load();
        // cfg.ini becomes a folder: the first store fails with the standard error box.
        QFile::remove(R.Cfg.IniPath());
        QDir().mkpath(R.Cfg.IniPath());
        R.Log.clear();
        QTest::mouseClick(R.Page->Button2(), Qt::LeftButton);
        // (The folder reads as no values, so nothing was let go of and the three registrations
        // warn first.)
        QCOMPARE(Script.Shown().size(), 4);
        QCOMPARE(Script.Shown()[2].Kind, QString("warning"));
        QCOMPARE(Script.Shown()[3].Kind, QString("error"));
        QVERIFY(!R.Log.isEmpty());
        QVERIFY(!R.Log.last().startsWith("close"));
        QVERIFY(R.Cfg.AutoRun->Calls.empty());
    }
};

QTEST_MAIN(tst_SettingsPage)
#include "tst_settingspage.moc"
