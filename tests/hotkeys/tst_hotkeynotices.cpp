// What the user is told when the desktop does not give system-wide hotkeys: a refusal that
// arrives after registration, and a desktop with none at all.
#include <QtTest>

#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/HotKeyNotices.h"

namespace {

// A desktop that answers registrations later, or offers no hotkeys at all.
class TDesktopHotKeys : public TFakeHotKeys {
public:
    void SetOnRefused(TOnRefused Handler) override { OnRefused = std::move(Handler); }
    bool Available() override { return Offered; }
    TOnRefused OnRefused;
    bool Offered = true;
};

} // namespace

class tst_HotKeyNotices : public QObject {
    Q_OBJECT

private slots:
    // A combination the desktop refuses or drops later gets the same warning as one that
    // another program holds; a combination nobody registered here is not mentioned.
    void refusalWarnsLikeTakenKey() {
        TTestConfig Cfg;
        Dialogs::TDialogScript Script;
        auto HotKeys = std::make_shared<TDesktopHotKeys>();
        THotKeyManager Manager(HotKeys);
        const uint16_t Portal = Manager.AddHotKey(49233);
        const uint16_t Ie = Manager.AddHotKey(16433);
        QVERIFY(Portal != 0 && Ie != 0);
        HotKeyNotices::WarnOnRefusal(*HotKeys, Manager);

        HotKeys->OnRefused(Portal);
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("warning"));
        QCOMPARE(Script.Shown()[0].Text, QString("Ctrl+Alt+Q couldn't be assigned to a hotkey."));
        QCOMPARE(HotKeyNotices::TakenWarning(16434),
                 QString("Ctrl+2 couldn't be assigned to a hotkey."));

        Manager.RemoveHotKey(16433);
        HotKeys->OnRefused(Ie);
        QCOMPARE(Script.Shown().size(), 1);

        HotKeyNotices::StopWarning(*HotKeys);
        QVERIFY(!HotKeys->OnRefused);
    }

    // The notice comes at the first start on a desktop without hotkeys, not at every start, and
    // never where the desktop offers them.
    void noHotKeysNoticeOnce() {
        TTestConfig Cfg;
        Cfg.WriteIni("[Sys]\nCPUMonitor=1\n");
        Dialogs::TDialogScript Script;
        TDesktopHotKeys HotKeys;
        QVERIFY(HotKeyNotices::CheckAvailable(HotKeys));
        QVERIFY(Script.Shown().isEmpty());
        QCOMPARE(Cfg.ReadIni(), QByteArray("[Sys]\nCPUMonitor=1\n"));

        HotKeys.Offered = false;
        QVERIFY(!HotKeyNotices::CheckAvailable(HotKeys));
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Kind, QString("message"));
        QCOMPARE(Script.Shown()[0].Text, HotKeyNotices::NoHotKeysNotice());
        QVERIFY(Cfg.ReadIni().contains("NoHotKeysNoticed=1"));
        QVERIFY(Cfg.ReadIni().contains("CPUMonitor=1"));

        // The next start: remembered.
        QVERIFY(!HotKeyNotices::CheckAvailable(HotKeys));
        QCOMPARE(Script.Shown().size(), 1);
    }
};

QTEST_MAIN(tst_HotKeyNotices)
#include "tst_hotkeynotices.moc"
