// The task list and editor pages on a real DB.mdb: the flows a user goes through.
#include <QAction>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlTableModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QToolBar>

#include "TaskTestSupport.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Keyboard.h"
#include "tasks/DBRadioGroup.h"
#include "tasks/TaskDb.h"
#include "tasks/TaskPages.h"

class tst_TaskPages : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<TTaskTable> FRows;
    std::shared_ptr<TFixedClock> FClock;
    std::unique_ptr<QTabWidget> FTabs;
    QMap<QString, QAction *> FActions;
    QSqlTableModel *FModel = nullptr;
    TTaskPages *FPages = nullptr;
    std::unique_ptr<Dialogs::TDialogScript> FScript;

    template <class T> T *W(const char *Name) {
        T *Found = FTabs->findChild<T *>(Name);
        if (!Found)
            qFatal("no control %s", Name);
        return Found;
    }
    TDBRadioGroup *Group1() { return W<TDBRadioGroup>("RzDBRadioGroup1"); }
    TDBRadioGroup *Group2() { return W<TDBRadioGroup>("RzDBRadioGroup2"); }
    QDateEdit *DatePicker() { return W<QDateEdit>("RzDateTimePicker1"); }
    QTimeEdit *TimePicker() { return W<QTimeEdit>("RzDateTimePicker2"); }
    QPlainTextEdit *Memo() { return W<QPlainTextEdit>("RzDBMemo1"); }
    QLineEdit *Target() { return W<QLineEdit>("RzDBEdit2"); }
    QPushButton *Browse() { return W<QPushButton>("Button1"); }
    QLineEdit *NameEdit() { return W<QLineEdit>("DBEdit1"); }
    void Trigger(const char *Name) { FActions.value(Name)->trigger(); }
    QVariant Stored(const QString &Column, const QString &ID) {
        return FRows->Value(QString("SELECT %1 FROM Task WHERE ID = %2").arg(Column, ID));
    }
    int Count() { return FRows->Value("SELECT count(*) FROM Task").toInt(); }
    void Open() {
        QSqlDatabase Db = TaskDb::Open(Config().ConnStr(), "pages.table");
        FModel = new QSqlTableModel(FTabs.get(), Db);
        FModel->setTable("Task");
        FModel->setEditStrategy(QSqlTableModel::OnManualSubmit);
        QVERIFY(FModel->select());
        FPages->SetTable(FModel);
    }

private slots:
    void init() {
        FConfig = std::make_unique<TTestConfig>(true);
        FRows = std::make_unique<TTaskTable>(FConfig->Dir() + "DB.mdb");
        FClock = std::make_shared<TFixedClock>(QDateTime(QDate(2024, 6, 5), QTime(9, 30, 15, 700)));
        FTabs = std::make_unique<QTabWidget>();
        for (const char *Tab : {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "ts1"}) {
            auto *Page = new QWidget;
            Page->setObjectName(Tab);
            FTabs->addTab(Page, Tab);
        }
        FActions.clear();
        for (const char *Name : {"AddTask", "DelTask", "Post", "Refresh", "Cancel", "EdtTask",
                                 "First", "Last", "Prior", "Next"}) {
            auto *A = new QAction(Name, FTabs.get());
            A->setEnabled(false);
            FActions.insert(Name, A);
        }
        FPages = new TTaskPages(
            FTabs->widget(1), FTabs->widget(2),
            [this](const QString &Name) { return FActions.value(Name); }, FClock, FTabs.get());
        FPages->OnShowPage = [this](TTaskPages::TPage Page) {
            FTabs->setCurrentIndex(Page == TTaskPages::TPage::List ? 1 : 2);
        };
        FScript = std::make_unique<Dialogs::TDialogScript>();
    }
    void cleanup() {
        FScript.reset();
        FTabs.reset();
        FModel = nullptr;
        if (QSqlDatabase::contains("pages.table")) {
            QSqlDatabase::database("pages.table", false).close();
            QSqlDatabase::removeDatabase("pages.table");
        }
        FRows.reset();
        FConfig.reset();
    }

    void closedTable() {
        // Before the table is open the choice groups and the pickers inside are disabled, and
        // the record actions report the closed table.
        QVERIFY(FActions.value("AddTask")->isEnabled());
        QVERIFY(!Group1()->isEnabled());
        QVERIFY(!Group2()->isEnabled());
        QVERIFY(!DatePicker()->isEnabled());
        QVERIFY(!TimePicker()->isEnabled());
        Trigger("First");
        Trigger("DelTask");
        QCOMPARE(FScript->Shown().size(), 2);
        QVERIFY(FScript->Shown()[0].Text.contains("closed"));
        Open();
        QVERIFY(Group1()->isEnabled());
        QVERIFY(DatePicker()->isEnabled());
        QVERIFY(TimePicker()->isEnabled());
    }

    void listPage() {
        FRows->Insert("morning", {2024, 6, 1}, QTime(7, 5, 9));
        Open();
        auto *Grid = W<QTableView>("DBGrid1");
        QVERIFY(Grid->isColumnHidden(FModel->fieldIndex("ID")));
        QCOMPARE(Grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QModelIndex Time = FModel->index(0, FModel->fieldIndex("开始时间"));
        auto *Delegate = qobject_cast<QStyledItemDelegate *>(
            Grid->itemDelegateForColumn(FModel->fieldIndex("开始时间")));
        QVERIFY(Delegate);
        QCOMPARE(Delegate->displayText(FModel->data(Time), QLocale()), QString("07:05:09"));
        // 执行方式 comes right after 任务类型, also after the table has been read again.
        QHeaderView *H = Grid->horizontalHeader();
        for (int Pass = 0; Pass < 2; ++Pass) {
            QCOMPARE(H->visualIndex(FModel->fieldIndex("执行方式")),
                     H->visualIndex(FModel->fieldIndex("任务类型")) + 1);
            QVERIFY(Grid->isColumnHidden(FModel->fieldIndex("ID")));
            // The design's width, or more where the font needs it: times and dates are never
            // cut.
            for (const char *Column : {"开始日期", "开始时间"}) {
                const int C = FModel->fieldIndex(Column);
                QVERIFY(Grid->columnWidth(C) >= 50);
                QVERIFY2(static_cast<QAbstractItemView *>(Grid)->sizeHintForColumn(C) <=
                             Grid->columnWidth(C),
                         Column);
            }
            Trigger("Refresh");
        }
        auto *Toolbar = W<QToolBar>("RzToolbar1");
        for (const char *B :
             {"BtnFirstRecord", "BtnPreviousRecord", "BtnNextRecord", "BtnLastRecord",
              "BtnInsertRecord", "BtnDeleteRecord", "BtnEditRecord", "BtnRefresh"})
            QVERIFY2(Toolbar->findChild<QWidget *>(B), B);
    }

    void addWithDefaultsAndSubmit() {
        Open();
        Trigger("AddTask");
        QCOMPARE(FTabs->currentIndex(), 2);
        QCOMPARE(FPages->State(), TTaskPages::TState::Insert);
        QCOMPARE(Group1()->Value(), QString("每天"));
        QCOMPARE(Group2()->Value(), QString("定时提醒"));
        QCOMPARE(DatePicker()->date(), QDate(2024, 6, 5));
        QCOMPARE(TimePicker()->time(), QTime(9, 30, 15));
        QVERIFY(!DatePicker()->isEnabled());
        QVERIFY(!Target()->isEnabled());
        QVERIFY(!Browse()->isEnabled());
        QVERIFY(Memo()->isEnabled());
        QTest::keyClicks(NameEdit(), "meeting");
        Memo()->setPlainText("带上报告");
        Trigger("Post");
        QVERIFY(FScript->Shown().isEmpty());
        QCOMPARE(FTabs->currentIndex(), 1);
        QCOMPARE(FPages->State(), TTaskPages::TState::Browse);
        QCOMPARE(Count(), 1);
        const QString ID = FRows->Value("SELECT max(ID) FROM Task").toString();
        QCOMPARE(Stored("任务名称", ID).toString(), QString("meeting"));
        QCOMPARE(Stored("执行方式", ID).toString(), QString("每天"));
        QCOMPARE(Stored("任务类型", ID).toString(), QString("定时提醒"));
        QCOMPARE(Stored("内容", ID).toString(), QString("带上报告"));
        QCOMPARE(Stored("开始日期", ID).toDouble(), OleDate::FromDate({2024, 6, 5}));
        QCOMPARE(Stored("开始时间", ID).toDouble(), OleDate::FromTime({9, 30, 15}));
        QCOMPARE(FPages->CurrentRow(), 0);
        // Submitting with nothing in editing only returns to the list.
        FTabs->setCurrentIndex(2);
        Trigger("Post");
        QCOMPARE(FTabs->currentIndex(), 1);
        QCOMPARE(Count(), 1);
    }

    void cancelDiscards() {
        FRows->Insert("keep", {2024, 1, 1}, QTime(1, 0));
        Open();
        Trigger("AddTask");
        QTest::keyClicks(NameEdit(), "drop me");
        Trigger("Cancel");
        QCOMPARE(FTabs->currentIndex(), 1);
        QCOMPARE(FPages->State(), TTaskPages::TState::Browse);
        QCOMPARE(FModel->rowCount(), 1);
        QCOMPARE(Count(), 1);
        QCOMPARE(NameEdit()->text(), QString("keep"));
        // An edit of an existing row is discarded too.
        Trigger("EdtTask");
        NameEdit()->selectAll();
        QTest::keyClicks(NameEdit(), "changed");
        Trigger("Cancel");
        QCOMPARE(NameEdit()->text(), QString("keep"));
        QCOMPARE(Stored("任务名称", "1").toString(), QString("keep"));
    }

    void aDateOutOfRangeShowsToday() {
        // Rows from a DB.mdb made elsewhere: start dates no date can hold.
        FRows->Insert("good", {2020, 3, 4}, QTime(8, 9, 10));
        const QString Huge = FRows->Insert("huge", {2021, 1, 1}, QTime(1, 2, 3));
        const QString Far = FRows->Insert("far", {2021, 1, 1}, QTime(1, 2, 3));
        // (Such a file has no CHECK of whole days, or the values would not go in.)
        QVERIFY(FRows->Exec("PRAGMA ignore_check_constraints = ON"));
        QVERIFY(FRows->Exec("UPDATE Task SET 开始日期 = 9.3e18 WHERE ID = " + Huge));
        QVERIFY(FRows->Exec("UPDATE Task SET 开始日期 = -1e300 WHERE ID = " + Far));
        Open();
        QCOMPARE(DatePicker()->date(), QDate(2020, 3, 4));
        for (int Row = 1; Row <= 2; ++Row) {
            // Not the previous row's date: today, as for a new row.
            Trigger("Next");
            QCOMPARE(FPages->CurrentRow(), Row);
            QCOMPARE(DatePicker()->date(), QDate(2024, 6, 5));
            QCOMPARE(TimePicker()->time(), QTime(1, 2, 3));
        }
    }

    void editKeepsDateAndTime() {
        const QString ID = FRows->Insert("old", {2020, 3, 4}, QTime(8, 9, 10), "每星期", "定时执行",
                                         "", "/bin/ls");
        FRows->Insert("other", {2021, 1, 1}, QTime(1, 2, 3));
        Open();
        QCOMPARE(DatePicker()->date(), QDate(2020, 3, 4));
        QCOMPARE(TimePicker()->time(), QTime(8, 9, 10));
        Trigger("Next");
        QCOMPARE(DatePicker()->date(), QDate(2021, 1, 1));
        Trigger("First");
        Trigger("EdtTask");
        QCOMPARE(FTabs->currentIndex(), 2);
        QCOMPARE(FPages->State(), TTaskPages::TState::Edit);
        QCOMPARE(DatePicker()->date(), QDate(2020, 3, 4));
        QCOMPARE(TimePicker()->time(), QTime(8, 9, 10));
        // Selecting the editor's tab by hand keeps them as well.
        FPages->EditorTabSelected();
        QCOMPARE(TimePicker()->time(), QTime(8, 9, 10));
        Trigger("Post");
        QCOMPARE(Stored("开始日期", ID).toDouble(), OleDate::FromDate({2020, 3, 4}));
        QCOMPARE(Stored("开始时间", ID).toDouble(), OleDate::FromTime({8, 9, 10}));
        QCOMPARE(Stored("执行方式", ID).toString(), QString("每星期"));
        QCOMPARE(Stored("执行目标", ID).toString(), QString("/bin/ls"));
        QCOMPARE(FPages->CurrentRow(), 0);
    }

    void changingAPickerPutsTheRowIntoEditing() {
        const QString ID = FRows->Insert("t", {2024, 1, 1}, QTime(8, 0, 0), "每月");
        Open();
        QCOMPARE(FPages->State(), TTaskPages::TState::Browse);
        TimePicker()->setTime(QTime(8, 30, 0));
        QCOMPARE(FPages->State(), TTaskPages::TState::Edit);
        Trigger("Post");
        QCOMPARE(Stored("开始时间", ID).toDouble(), OleDate::FromTime({8, 30, 0}));
    }

    void deleteRows() {
        Open();
        Trigger("DelTask"); // empty table: nothing, and no message
        QVERIFY(FScript->Shown().isEmpty());
        FRows->Insert("a", {2024, 1, 1}, QTime(1, 0));
        FRows->Insert("b", {2024, 1, 1}, QTime(2, 0));
        FRows->Insert("c", {2024, 1, 1}, QTime(3, 0));
        Trigger("Refresh");
        Trigger("Next");
        Trigger("DelTask");
        QVERIFY(FScript->Shown().isEmpty()); // no question
        QCOMPARE(Count(), 2);
        QCOMPARE(FRows->Value("SELECT group_concat(任务名称) FROM Task").toString(),
                 QString("a,c"));
        QCOMPARE(NameEdit()->text(), QString("c"));
        Trigger("DelTask");
        Trigger("DelTask");
        QCOMPARE(Count(), 0);
        QCOMPARE(FPages->CurrentRow(), -1);
        QVERIFY(NameEdit()->text().isEmpty());
        QVERIFY(NameEdit()->isReadOnly());
    }

    void leavingWhileEditingAsks() {
        Open();
        Trigger("AddTask");
        QTest::keyClicks(NameEdit(), "x");
        FScript->Answer(false);
        QVERIFY(!FPages->PageControl1Changing());
        QCOMPARE(FScript->Shown().size(), 1);
        QCOMPARE(FScript->Shown()[0].Kind, QString("question"));
        QCOMPARE(FScript->Shown()[0].Text, QString("数据未保存，是否继续?"));
        QCOMPARE(FPages->State(), TTaskPages::TState::Insert);
        QCOMPARE(Count(), 0);
        FScript->Answer(true);
        QVERIFY(FPages->PageControl1Changing());
        QCOMPARE(FPages->State(), TTaskPages::TState::Browse);
        QCOMPARE(Count(), 1);
        // Not editing: no question.
        FScript->Clear();
        QVERIFY(FPages->PageControl1Changing());
        QVERIFY(FScript->Shown().isEmpty());
    }

    void storeFailureKeepsEditing() {
        Open();
        Trigger("AddTask");
        QTest::keyClicks(NameEdit(), "lost?");
        QVERIFY(FRows->Exec("DROP TABLE Task"));
        Trigger("Post");
        QCOMPARE(FScript->Shown().size(), 1);
        QCOMPARE(FScript->Shown()[0].Kind, QString("error"));
        QCOMPARE(FPages->State(), TTaskPages::TState::Insert);
        QCOMPARE(FTabs->currentIndex(), 2);
        QCOMPARE(NameEdit()->text(), QString("lost?"));
        // Leaving by the tabs with Yes: the store fails, so the user stays.
        FScript->Answer(true);
        QVERIFY(!FPages->PageControl1Changing());
        QCOMPARE(FPages->State(), TTaskPages::TState::Insert);
    }

    void enablingRules() {
        FRows->Insert("odd", {2024, 1, 1}, QTime(1, 0), "每两天", "定时吃饭");
        Open();
        // Values outside the choices: none selected, the date picker usable.
        QCOMPARE(Group1()->ItemIndex(), -1);
        QCOMPARE(Group2()->ItemIndex(), -1);
        QVERIFY(DatePicker()->isEnabled());
        Group2()->Button(1)->click(); // 定时执行
        QCOMPARE(FPages->State(), TTaskPages::TState::Edit);
        QVERIFY(!Memo()->isEnabled());
        QVERIFY(Target()->isEnabled());
        QVERIFY(Browse()->isEnabled());
        Group2()->Button(2)->click(); // 定时关机
        QVERIFY(!Memo()->isEnabled());
        QVERIFY(!Target()->isEnabled());
        QVERIFY(!Browse()->isEnabled());
        Group2()->Button(0)->click(); // 定时提醒
        QVERIFY(Memo()->isEnabled());
        QVERIFY(!Target()->isEnabled());
        Group1()->Button(0)->click(); // 每天
        QVERIFY(!DatePicker()->isEnabled());
        Group1()->Button(4)->click(); // 指定日期
        QVERIFY(DatePicker()->isEnabled());
        Group1()->Button(0)->click();
        Trigger("Post");
        QCOMPARE(Stored("执行方式", "1").toString(), QString("每天"));
        QCOMPARE(Stored("任务类型", "1").toString(), QString("定时提醒"));
        // A disabled picker inside the recurrence group stays disabled across a close and open.
        QVERIFY(!DatePicker()->isEnabled());
        QVERIFY(FRows->Exec("ALTER TABLE Task RENAME TO Kept"));
        Trigger("Refresh");
        QCOMPARE(FScript->Shown().size(), 1);
        QVERIFY(!Group1()->isEnabled());
        QVERIFY(!TimePicker()->isEnabled());
        QVERIFY(FRows->Exec("ALTER TABLE Kept RENAME TO Task"));
        FScript->Clear();
        Trigger("Refresh");
        QVERIFY2(FScript->Shown().isEmpty(), qPrintable(FScript->Shown().value(0).Text));
        QVERIFY(Group1()->isEnabled());
        QVERIFY(TimePicker()->isEnabled());
    }

    void inputIsLimitedToTheColumnSizes() {
        FRows->Insert("t", {2024, 1, 1}, QTime(1, 0), "每天", "定时执行");
        Open();
        QCOMPARE(NameEdit()->maxLength(), 50);
        QCOMPARE(Target()->maxLength(), 255);
        Memo()->setPlainText(QString(300, QChar(u'字')));
        QCOMPARE(Memo()->toPlainText().size(), 255);
        QCOMPARE(FPages->State(), TTaskPages::TState::Edit);
        Trigger("Post");
        QVERIFY(FScript->Shown().isEmpty());
        QCOMPARE(Stored("length(内容)", "1").toInt(), 255);
    }

    void browseForTheTarget_data() {
        QTest::addColumn<QString>("Path");
        QTest::addColumn<bool>("Taken");
        QTest::newRow("short") << "/opt/tool/run.sh" << true;
        QTest::newRow("255 characters, the column's size")
            << "/" + QString(254, QChar('a')) << true;
        QTest::newRow("256 characters") << "/" + QString(255, QChar('a')) << false;
        QTest::newRow("300 Chinese characters") << "/" + QString(299, QChar(u'路')) << false;
    }
    void browseForTheTarget() {
        QFETCH(QString, Path);
        QFETCH(bool, Taken);
        const QString ID =
            FRows->Insert("t", {2024, 1, 1}, QTime(1, 0), "每天", "定时执行", "", "/before");
        Open();
        QCOMPARE(Target()->text(), QString("/before"));
        FScript->Answer(Path);
        Browse()->click();
        // A path the column cannot hold whole is refused with a word, never cut to another
        // file's name.
        QCOMPARE(Target()->text(), Taken ? Path : QString("/before"));
        QCOMPARE(FScript->Shown().size(), Taken ? 1 : 2);
        if (!Taken) {
            QCOMPARE(FScript->Shown()[1].Kind, QString("warning"));
            QVERIFY2(FScript->Shown()[1].Text.contains(QString::number(Path.size())) &&
                         FScript->Shown()[1].Text.contains("255"),
                     qPrintable(FScript->Shown()[1].Text));
        }
        QCOMPARE(FPages->State(), Taken ? TTaskPages::TState::Edit : TTaskPages::TState::Browse);
        FScript->Answer(QVariant()); // cancelled: nothing changes
        Browse()->click();
        QCOMPARE(Target()->text(), Taken ? Path : QString("/before"));
        Trigger("Post");
        QCOMPARE(Stored("执行目标", ID).toString(), Taken ? Path : QString("/before"));
    }

    void aKeyboardUserAddsATask() {
        // As the program does at start-up: Enter presses a focused button.
        Keyboard::InstallButtonKeys(qApp);
        Open();
        FTabs->show();
        QVERIFY(QTest::qWaitForWindowActive(FTabs.get()));
        Trigger("AddTask");
        // The name comes first.
        QTRY_COMPARE(QApplication::focusWidget(), NameEdit());
        QTest::keyClicks(NameEdit(), "standup");
        // Tab from the name on: through the choices and pickers to the memo, where Tab leaves
        // again, and on to 取消 and 提交.
        // (A picker takes Tab through its sections first, then lets it go.)
        QList<QWidget *> Visited;
        while (QApplication::focusWidget() != W<QPushButton>("Button16") && Visited.size() < 30) {
            QWidget *Focus = QApplication::focusWidget();
            if (Focus == Memo())
                QTest::keyClicks(Memo(), "bring notes");
            QTest::keyClick(Focus, Qt::Key_Tab);
            if (Focus == Memo())
                QVERIFY2(QApplication::focusWidget() != Memo(), "Tab stayed in the memo");
            Visited << QApplication::focusWidget();
        }
        QVERIFY(Visited.contains(Memo()));
        QVERIFY(Visited.indexOf(W<QPushButton>("Button15")) > Visited.indexOf(Memo()));
        QCOMPARE(QApplication::focusWidget(), W<QPushButton>("Button16"));
        QCOMPARE(Memo()->toPlainText(), QString("bring notes"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(FPages->State(), TTaskPages::TState::Browse);
        QVERIFY(FScript->Shown().isEmpty());
        QCOMPARE(FTabs->currentIndex(), 1);
        const QString ID = FRows->Value("SELECT max(ID) FROM Task").toString();
        QCOMPARE(Stored("任务名称", ID).toString(), QString("standup"));
        QCOMPARE(Stored("内容", ID).toString(), QString("bring notes"));
    }

    void navigationStoresTheEditedRow() {
        FRows->Insert("a", {2024, 1, 1}, QTime(1, 0));
        FRows->Insert("b", {2024, 1, 1}, QTime(2, 0));
        Open();
        Trigger("Last");
        QCOMPARE(NameEdit()->text(), QString("b"));
        Trigger("EdtTask");
        NameEdit()->selectAll();
        QTest::keyClicks(NameEdit(), "B");
        Trigger("Prior");
        QCOMPARE(Stored("任务名称", "2").toString(), QString("B"));
        QCOMPARE(NameEdit()->text(), QString("a"));
        QCOMPARE(W<QTableView>("DBGrid1")->currentIndex().row(), 0);
        // Choosing a row in the grid makes it current in the editor.
        W<QTableView>("DBGrid1")->selectRow(1);
        QCOMPARE(FPages->CurrentRow(), 1);
        QCOMPARE(NameEdit()->text(), QString("B"));
    }
};

QTEST_MAIN(tst_TaskPages)
#include "tst_taskpages.moc"
