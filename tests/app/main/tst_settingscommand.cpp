#include <QAction>
#include <QCheckBox>
#include <QTabBar>
#include <QtTest>

#include "TestSupport.h"
#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/SettingsPage.h"

// The settings page is loaded from the stored values both by the command "系统设置" and when the
// user selects its tab; the command also shows the window on that tab.
class tst_SettingsCommand : public QObject {
    Q_OBJECT
private slots:
    void CommandAndTabLoadThePage() {
        TTestConfig Cfg(true);
        Cfg.WriteIni("[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n[ShortCut]\n"
                     "ShowOrHideIE=16437\nScreenShot=0\nChat=16435\n[Sys]\nCPUMonitor=1\n");
        Dialogs::TDialogScript Script;
        TFakePlatform Fake;
        TFrm_Main Main(Fake.Platform());
        Main.FormCreate();
        QVERIFY(Script.Shown().isEmpty());
        TSettingsPage *Page = Main.SettingsPage();
        QCOMPARE(Page->HotKey1()->HotKey(), uint16_t(16433)); // not loaded yet
        QAction *Sys = Main.Action("actsysconfig");
        QVERIFY(Sys->isEnabled());
        Sys->trigger();
        QVERIFY(Main.isVisible());
        QCOMPARE(Main.PageControl1()->currentIndex(), SettingsTab);
        QCOMPARE(Page->HotKey1()->text(), QString("Ctrl+5"));
        QCOMPARE(Page->HotKey3()->HotKey(), uint16_t(0));
        QVERIFY(Page->CheckBox2()->isChecked());
        // Changes left unsaved are gone when the user comes back to the tab.
        Page->HotKey1()->SetHotKey(16440);
        QTabBar *Bar = Main.PageControl1()->tabBar();
        QTest::mouseClick(Bar, Qt::LeftButton, {}, Bar->tabRect(0).center());
        QCOMPARE(Main.PageControl1()->currentIndex(), CommonTab);
        QTest::mouseClick(Bar, Qt::LeftButton, {}, Bar->tabRect(3).center());
        QCOMPARE(Main.PageControl1()->currentIndex(), SettingsTab);
        QCOMPARE(Page->HotKey1()->HotKey(), uint16_t(16437));
        // "确定" stores and hides the window.
        Page->HotKey3()->SetHotKey(16440);
        Page->Button2Click();
        QVERIFY(!Main.isVisible());
        QCOMPARE(Config().SKey_ScreenShot(), uint16_t(16440));
        QVERIFY(Script.Shown().isEmpty());
    }
};

QTEST_MAIN(tst_SettingsCommand)
#include "tst_settingscommand.moc"
