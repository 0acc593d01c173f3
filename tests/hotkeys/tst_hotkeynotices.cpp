// What the user is told when the desktop does not give system-wide hotkeys: a refusal that
// arrives after registration, and a desktop with none at all.
#include <QtTest>

#include "TestSupport.h"
#include "config/IniFile.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/HotKeyNotices.h"

namespace {

// A desktop that answers registrations later.
class TDesktopHotKeys : public TFakeHotKeys {
public:
    void SetOnRefused(TOnRefused Handler) override { OnRefused = std::move(Handler); }
    TOnRefused OnRefused;
};

using TLines = platform::IDesktopShortcuts::TLines;

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

    // The notice names only what the desktop has: the tray menu where an icon is shown, the
    // settings page's GNOME box where the keys can be entered there, the lines to add on sway.
    void noticePerDesktop_data() {
        QTest::addColumn<bool>("CanEnter");
        QTest::addColumn<int>("Kind");
        QTest::addColumn<QStringList>("Lines");
        QTest::addColumn<bool>("Tray");
        QTest::addColumn<QStringList>("Says");
        QTest::addColumn<QStringList>("Never");
        const QStringList Sway = {"bindsym Ctrl+1 exec qingchuan --hide-browsers",
                                  "bindsym Ctrl+Alt+q exec qingchuan --portal"};
        QTest::newRow("tray only")
            << false << int(TLines::Commands) << QStringList() << true
            << QStringList{"当前桌面不支持全局热键,请通过托盘图标的菜单使用各项功能"}
            << QStringList{"GNOME", "主窗体"};
        QTest::newRow("GNOME, no icon")
            << true << int(TLines::Commands) << QStringList() << false
            << QStringList{"当前桌面不支持全局热键", "“登记为GNOME自定义快捷键”", "主窗体",
                           "启动器"}
            << QStringList{"托盘"};
        QTest::newRow("sway with waybar")
            << false << int(TLines::SwayConfig) << Sway << true
            << (QStringList{"sway的配置文件", "托盘图标的菜单"} + Sway) << QStringList{"GNOME"};
        QTest::newRow("other, no icon")
            << false << int(TLines::Commands) << QStringList{"Ctrl+2: qingchuan --capture"} << false
            << QStringList{"键盘快捷键设置", "\nCtrl+2: qingchuan --capture\n", "主窗体", "启动器"}
            << QStringList{"托盘", "sway", "GNOME"};
    }
    void noticePerDesktop() {
        QFETCH(bool, CanEnter);
        QFETCH(int, Kind);
        QFETCH(QStringList, Lines);
        QFETCH(bool, Tray);
        QFETCH(QStringList, Says);
        QFETCH(QStringList, Never);
        HotKeyNotices::TDesktop D;
        D.CanEnter = CanEnter;
        D.LinesKind = TLines(Kind);
        D.Lines = Lines;
        D.Tray = Tray;
        const QString Text = HotKeyNotices::NoHotKeysNotice(D);
        for (const QString &S : Says)
            QVERIFY2(Text.contains(S), qPrintable(Text + " lacks " + S));
        for (const QString &N : Never)
            QVERIFY2(!Text.contains(N), qPrintable(Text + " has " + N));
    }

    // The notice comes at the first start on a desktop without hotkeys, not at every start. A
    // settings file that cannot be written is reported once more and stops nothing.
    void noticeOnce_data() {
        QTest::addColumn<bool>("Writable");
        QTest::newRow("cfg.ini") << true;
        QTest::newRow("cfg.ini too large") << false;
    }
    void noticeOnce() {
        QFETCH(bool, Writable);
        TTestConfig Cfg;
        const QByteArray Text = Writable ? QByteArray("[Sys]\nCPUMonitor=1\n")
                                         : QByteArray(TIniFile::MaxFileSize + 1, ';');
        Cfg.WriteIni(Text);
        Dialogs::TDialogScript Script;
        HotKeyNotices::NoticeOnce("N");
        QCOMPARE(Script.Shown().size(), Writable ? 1 : 2);
        QCOMPARE(Script.Shown()[0].Kind, QString("message"));
        QCOMPARE(Script.Shown()[0].Text, QString("N"));
        if (Writable) {
            QVERIFY(Cfg.ReadIni().contains("NoHotKeysNoticed=1"));
            QVERIFY(Cfg.ReadIni().contains("CPUMonitor=1"));
        } else {
            QCOMPARE(Script.Shown()[1].Kind, QString("error"));
            QVERIFY(Script.Shown()[1].Text.startsWith("Unable to write to " + Cfg.IniPath()));
            QCOMPARE(Cfg.ReadIni(), Text);
        }
        // The next start: remembered where it could be.
        HotKeyNotices::NoticeOnce("N");
        QCOMPARE(Script.Shown().size(), Writable ? 1 : 4);
        // The settings file's own report of its size comes from the event loop: answered here.
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(tst_HotKeyNotices)
#include "tst_hotkeynotices.moc"
