// Every way the user has to change tab in the main window goes through the leave guard and the
// new tab's arrival work, driven here with the real keys, clicks and wheel turns.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSqlTableModel>
#include <QTabBar>
#include <QWheelEvent>
#include <QtTest>

#include "TestSupport.h"

#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/SettingsPage.h"
#include "tasks/TaskPages.h"

namespace {

const QByteArray Settings = "[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n[ShortCut]\n"
                            "ShowOrHideIE=16437\nScreenShot=16438\nChat=0\n"
                            "[Sys]\nAutoRun=1\nCPUMonitor=1\nEncyptPath=/srv/locked\n";

// One way of changing tab: how the input is made, and which tab it leads to from the editor.
enum class TInput {
    CtrlTab,
    CtrlShiftTab,
    CtrlBacktab,
    CtrlPageDown,
    CtrlPageUp,
    BarRight,
    BarLeft,
    WheelDown,
    WheelUp
};

void Wheel(QWidget *W, int Delta) {
    const QPointF Pos = W->rect().center();
    QWheelEvent Event(Pos, W->mapToGlobal(Pos), QPoint(), QPoint(0, Delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(W, &Event);
}

// Makes the input on the control where the user would: the keys with the task's name field (or
// whatever has the focus inside the pages), the arrows and the wheel on the tab bar.
void Press(TFrm_Main &Main, TInput Input) {
    QWidget *Focus = Main.findChild<QLineEdit *>("DBEdit1");
    if (Main.PageControl1()->currentIndex() != TaskInfoTab)
        Focus = Main.PageControl1()->currentWidget();
    QTabBar *Bar = Main.PageControl1()->tabBar();
    switch (Input) {
    case TInput::CtrlTab:
        QTest::keyClick(Focus, Qt::Key_Tab, Qt::ControlModifier);
        break;
    case TInput::CtrlShiftTab:
        QTest::keyClick(Focus, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        break;
    case TInput::CtrlBacktab:
        QTest::keyClick(Focus, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        break;
    case TInput::CtrlPageDown:
        QTest::keyClick(Focus, Qt::Key_PageDown, Qt::ControlModifier);
        break;
    case TInput::CtrlPageUp:
        QTest::keyClick(Focus, Qt::Key_PageUp, Qt::ControlModifier);
        break;
    case TInput::BarRight:
        QTest::keyClick(Bar, Qt::Key_Right);
        break;
    case TInput::BarLeft:
        QTest::keyClick(Bar, Qt::Key_Left);
        break;
    case TInput::WheelDown:
        Wheel(Bar, -120);
        break;
    case TInput::WheelUp:
        Wheel(Bar, 120);
        break;
    }
}

struct TRig {
    TTestConfig Cfg{true};
    TFakePlatform Fake;
    Dialogs::TDialogScript Script;
    std::unique_ptr<TFrm_Main> Main;
    TRig() {
        Cfg.WriteIni(Settings);
        Main = std::make_unique<TFrm_Main>(Fake.Platform());
        Main->FormCreate();
        Main->show();
    }
    TPageControl *Pages() const { return Main->PageControl1(); }
    QSqlTableModel *Table() const { return Main->ADOTable1(); }
    // A new task typed into the editor and not yet stored.
    void StartTask(const QString &Name) {
        Main->Action("AddTask")->trigger();
        QCOMPARE(Pages()->currentIndex(), TaskInfoTab);
        auto *Edit = Main->findChild<QLineEdit *>("DBEdit1");
        Edit->setFocus();
        QTest::keyClicks(Edit, Name);
        QVERIFY(Main->TaskPages()->Editing());
    }
    QString StoredName(int Row) const {
        return Table()->data(Table()->index(Row, Table()->fieldIndex("任务名称"))).toString();
    }
};

} // namespace

Q_DECLARE_METATYPE(TInput)

class tst_TabSwitch : public QObject {
    Q_OBJECT
private slots:
    void LeavingTheEditorAsksAndLandsWhereTheInputPointed_data() {
        QTest::addColumn<TInput>("Input");
        QTest::addColumn<int>("Target");
        QTest::newRow("Ctrl+Tab") << TInput::CtrlTab << 3;
        QTest::newRow("Ctrl+Shift+Tab") << TInput::CtrlShiftTab << 1;
        QTest::newRow("Ctrl+Shift+Backtab") << TInput::CtrlBacktab << 1;
        QTest::newRow("Ctrl+PgDn") << TInput::CtrlPageDown << 3;
        QTest::newRow("Ctrl+PgUp") << TInput::CtrlPageUp << 1;
        QTest::newRow("Right on the tabs") << TInput::BarRight << 3;
        QTest::newRow("Left on the tabs") << TInput::BarLeft << 1;
        QTest::newRow("wheel down on the tabs") << TInput::WheelDown << 3;
        QTest::newRow("wheel up on the tabs") << TInput::WheelUp << 1;
    }
    void LeavingTheEditorAsksAndLandsWhereTheInputPointed() {
        QFETCH(TInput, Input);
        QFETCH(int, Target);
        TRig R;
        R.StartTask("water the plants");

        // No: the user stays with the row in editing.
        R.Script.Answer(false);
        Press(*R.Main, Input);
        QCOMPARE(R.Script.Shown().size(), 1);
        QCOMPARE(R.Script.Shown()[0].Kind, QString("question"));
        QCOMPARE(R.Script.Shown()[0].Text, QString("数据未保存，是否继续?"));
        QCOMPARE(R.Pages()->currentIndex(), TaskInfoTab);
        QVERIFY(R.Main->TaskPages()->Editing());
        QCOMPARE(R.Table()->rowCount(), 1); // the unsaved new row

        // Yes: the row is stored and the user arrives where the input pointed from the editor,
        // not from the list that storing returns to.
        R.Script.Answer(true);
        Press(*R.Main, Input);
        QCOMPARE(R.Script.Shown().size(), 2);
        QVERIFY(!R.Main->TaskPages()->Editing());
        QCOMPARE(R.StoredName(0), QString("water the plants"));
        QCOMPARE(R.Pages()->currentIndex(), Target);
        QCOMPARE(R.Pages()->currentWidget(), R.Pages()->widget(Target));
        if (Target == 3) // arrived on the settings: they show the stored values
            QCOMPARE(R.Main->SettingsPage()->HotKey1()->HotKey(), uint16_t(16437));
    }

    void KeysThatGoNowhereAskNothing() {
        TRig R;
        R.StartTask("x");
        R.Pages()->tabBar()->setFocus();
        // Up and Down on a horizontal tab bar, and a key the tabs do not use, change nothing.
        for (Qt::Key Key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_A})
            QTest::keyClick(R.Pages()->tabBar(), Key);
        QVERIFY(R.Script.Shown().isEmpty());
        QCOMPARE(R.Pages()->currentIndex(), TaskInfoTab);
        QVERIFY(R.Main->TaskPages()->Editing());
    }

    void ArrivingByKeyLoadsTheSettingsAndTheLockFolder() {
        TRig R;
        TSettingsPage *Settings = R.Main->SettingsPage();
        QCOMPARE(Settings->HotKey1()->HotKey(), uint16_t(16433)); // not loaded yet
        R.Pages()->setCurrentIndex(TaskInfoTab);
        Press(*R.Main, TInput::CtrlTab);
        QCOMPARE(R.Pages()->currentIndex(), SettingsTab);
        QVERIFY(R.Script.Shown().isEmpty());
        // The stored values, not the design values: "确定" now would store what is stored.
        QCOMPARE(Settings->HotKey1()->HotKey(), uint16_t(16437));
        QCOMPARE(Settings->HotKey3()->HotKey(), uint16_t(16438));
        QCOMPARE(Settings->HotKey4()->HotKey(), uint16_t(0));
        QVERIFY(Settings->CheckBox1()->isChecked());
        QVERIFY(Settings->CheckBox2()->isChecked());

        // Changes left unsaved are gone when the user comes back by the keys.
        Settings->HotKey1()->SetHotKey(16440);
        Press(*R.Main, TInput::CtrlShiftTab);
        QCOMPARE(R.Pages()->currentIndex(), TaskInfoTab);
        Press(*R.Main, TInput::CtrlTab);
        QCOMPARE(Settings->HotKey1()->HotKey(), uint16_t(16437));

        auto *Path = R.Main->findChild<QLineEdit *>("edt1");
        QVERIFY(Path->text().isEmpty());
        Press(*R.Main, TInput::CtrlTab);
        QCOMPARE(R.Pages()->currentIndex(), EncryptTab);
        QCOMPARE(Path->text(), QString("/srv/locked"));
        // Ctrl+Tab goes round from the last tab to the first.
        Press(*R.Main, TInput::CtrlTab);
        QCOMPARE(R.Pages()->currentIndex(), CommonTab);
        // The wheel and the arrows on the tab bar arrive the same way.
        Path->clear();
        R.Pages()->tabBar()->setFocus();
        QTest::keyClick(R.Pages()->tabBar(), Qt::Key_Left); // nothing left of the first tab
        QCOMPARE(R.Pages()->currentIndex(), CommonTab);
        R.Pages()->setCurrentIndex(SettingsTab);
        QTest::keyClick(R.Pages()->tabBar(), Qt::Key_Right);
        QCOMPARE(R.Pages()->currentIndex(), EncryptTab);
        QCOMPARE(Path->text(), QString("/srv/locked"));
        Path->clear();
        R.Pages()->setCurrentIndex(SettingsTab);
        Wheel(R.Pages()->tabBar(), -120);
        QCOMPARE(R.Pages()->currentIndex(), EncryptTab);
        QCOMPARE(Path->text(), QString("/srv/locked"));
        QVERIFY(R.Script.Shown().isEmpty());
    }

    void MenuCommandsAskBeforeLeavingAnUnsavedRow() {
        TRig R;
        R.StartTask("from the menu");
        // "系统设置" from the menu: No keeps the row and the tab.
        R.Script.Answer(false);
        R.Main->Action("actsysconfig")->trigger();
        QCOMPARE(R.Script.Shown().size(), 1);
        QCOMPARE(R.Script.Shown()[0].Text, QString("数据未保存，是否继续?"));
        QCOMPARE(R.Pages()->currentIndex(), TaskInfoTab);
        QVERIFY(R.Main->TaskPages()->Editing());
        // "任务列表": Yes stores the row, then shows the list.
        R.Script.Answer(true);
        R.Main->Action("actTaskList")->trigger();
        QCOMPARE(R.Script.Shown().size(), 2);
        QCOMPARE(R.Pages()->currentIndex(), TaskListTab);
        QCOMPARE(R.StoredName(0), QString("from the menu"));
        // "系统设置" with nothing unsaved: no question, the page loaded.
        R.Main->Action("actsysconfig")->trigger();
        QCOMPARE(R.Script.Shown().size(), 2);
        QCOMPARE(R.Pages()->currentIndex(), SettingsTab);
        QCOMPARE(R.Main->SettingsPage()->HotKey1()->HotKey(), uint16_t(16437));
    }
};

QTEST_MAIN(tst_TabSwitch)
#include "tst_tabswitch.moc"
