// The task set's browsing and editing on a real DB.mdb, without any widget: the moves, new rows,
// storing, cancelling and deleting that the task pages are built on.
#include <QCoreApplication>
#include <QSqlTableModel>
#include <QTest>

#include "TaskTestSupport.h"
#include "TestSupport.h"
#include "dialogs/Error.h"
#include "tasks/TaskConnection.h"
#include "tasks/TaskDataSet.h"
#include "tasks/TaskKinds.h"

using TState = TTaskDataSet::TState;

class tst_TaskDataSet : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestConfig> FConfig;
    std::unique_ptr<TTaskTable> FRows;
    std::unique_ptr<TTaskConnection> FConnection;
    std::unique_ptr<TTaskDataSet> FSet;
    int FRowChanges = 0;
    // What the editor would write into the row before it is stored.
    QString FNameToWrite;

    QString DbFile() const { return FConfig->Dir() + "DB.mdb"; }
    QString ConnStr() const { return "Provider=SQLite;Data Source=" + DbFile(); }
    void Open() { FSet->SetTable(FConnection->Open(ConnStr(), nullptr)); }
    QStringList Names() {
        QStringList Result;
        QSqlQuery Q(FRows->Db());
        Q.exec("SELECT 任务名称 FROM Task ORDER BY ID");
        while (Q.next())
            Result << Q.value(0).toString();
        return Result;
    }
    QString CurrentName() const { return FSet->Value(TaskColumns::Name).toString(); }
    void InsertRows(const QStringList &Names) {
        for (const QString &Name : Names)
            QVERIFY(!FRows->Insert(Name, {2024, 1, 1}, QTime(8, 0)).isEmpty());
    }
    template <class F> QString Raised(F Fn) {
        try {
            Fn();
        } catch (const EError &E) {
            return E.Text();
        }
        return {};
    }

private slots:
    void init() {
        FConfig = std::make_unique<TTestConfig>(true);
        FRows = std::make_unique<TTaskTable>(DbFile());
        FConnection = std::make_unique<TTaskConnection>("dataset.table");
        FSet = std::make_unique<TTaskDataSet>();
        FRowChanges = 0;
        FNameToWrite.clear();
        FSet->OnRowChanged = [this] { ++FRowChanges; };
        FSet->OnWriteRow = [this](int Row) {
            if (!FNameToWrite.isNull())
                FSet->Table()->setData(FSet->Table()->index(Row, FSet->Column(TaskColumns::Name)),
                                       FNameToWrite);
        };
    }
    void cleanup() {
        FSet.reset();
        FConnection.reset();
        FRows.reset();
        FConfig.reset();
    }

    void withoutTableEveryMoveIsRefused() {
        QCOMPARE(FSet->State(), TState::Inactive);
        QCOMPARE(FSet->CurrentRow(), -1);
        QVERIFY(FSet->Value(TaskColumns::Name).isNull());
        for (auto Move : {&TTaskDataSet::First, &TTaskDataSet::Prior, &TTaskDataSet::Next,
                          &TTaskDataSet::Last, &TTaskDataSet::Insert, &TTaskDataSet::Delete,
                          &TTaskDataSet::Post, &TTaskDataSet::Refresh})
            QVERIFY(Raised([&] { (FSet.get()->*Move)(); }).contains("closed"));
        // Nothing to edit, nothing to leave.
        FSet->Edit();
        QCOMPARE(FSet->State(), TState::Inactive);
        QVERIFY(FSet->SaveBeforeLeaving());
        QCOMPARE(FRowChanges, 0);
    }

    void opensOnTheFirstRowAndClosesAgain() {
        InsertRows({"a", "b"});
        bool Active = false;
        FSet->OnActiveChanged = [&](bool Value) { Active = Value; };
        Open();
        QVERIFY(Active);
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), 0);
        QCOMPARE(CurrentName(), QString("a"));
        QCOMPARE(FRowChanges, 1);
        FSet->SetTable(nullptr);
        QVERIFY(!Active);
        QCOMPARE(FSet->State(), TState::Inactive);
        QCOMPARE(FSet->CurrentRow(), -1);
    }

    void emptyTableHasNoCurrentRow() {
        Open();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), -1);
        FSet->Last();
        FSet->Next();
        QCOMPARE(FSet->CurrentRow(), -1);
        // No row to edit or delete.
        FSet->Edit();
        QCOMPARE(FSet->State(), TState::Browse);
        FSet->Delete();
        QCOMPARE(FSet->CurrentRow(), -1);
    }

    void movesStayWithinTheRows() {
        InsertRows({"a", "b", "c"});
        Open();
        FSet->Prior();
        QCOMPARE(FSet->CurrentRow(), 0);
        FSet->Next();
        QCOMPARE(FSet->CurrentRow(), 1);
        FSet->Next();
        FSet->Next();
        QCOMPARE(FSet->CurrentRow(), 2);
        FSet->First();
        QCOMPARE(FSet->CurrentRow(), 0);
        FSet->Last();
        QCOMPARE(FSet->CurrentRow(), 2);
        FSet->Prior();
        QCOMPARE(FSet->CurrentRow(), 1);
        FSet->SetCurrentRow(-4);
        QCOMPARE(FSet->CurrentRow(), 0);
        FSet->SetCurrentRow(99);
        QCOMPARE(FSet->CurrentRow(), 2);
        QCOMPARE(CurrentName(), QString("c"));
    }

    void newRowIsStoredAndStaysCurrent() {
        InsertRows({"a", "b"});
        Open();
        FSet->Insert();
        QCOMPARE(FSet->State(), TState::Insert);
        QVERIFY(FSet->Editing());
        QCOMPARE(FSet->CurrentRow(), 2);
        FNameToWrite = "new";
        FSet->Post();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(Names(), QStringList({"a", "b", "new"}));
        QCOMPARE(CurrentName(), QString("new"));
        // Storing it again does nothing.
        FSet->Post();
        QCOMPARE(Names().size(), 3);
    }

    void cancellingANewRowGoesBackToTheRowBefore() {
        InsertRows({"a", "b", "c"});
        Open();
        FSet->SetCurrentRow(1);
        FSet->Insert();
        FSet->Cancel();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), 1);
        QCOMPARE(FSet->Table()->rowCount(), 3);
        // Deleting a new row is cancelling it: nothing stored is deleted.
        FSet->SetCurrentRow(2);
        FSet->Insert();
        FSet->Delete();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), 2);
        QCOMPARE(Names(), QStringList({"a", "b", "c"}));
    }

    void editingStoresOrDropsTheChange() {
        InsertRows({"a", "b"});
        Open();
        FSet->Next();
        FSet->Edit();
        QCOMPARE(FSet->State(), TState::Edit);
        FSet->Table()->setData(FSet->Table()->index(1, FSet->Column(TaskColumns::Name)), "typed");
        FSet->Cancel();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), 1);
        QCOMPARE(CurrentName(), QString("b"));
        FSet->Edit();
        FNameToWrite = "changed";
        // A move stores the row being edited first.
        FSet->First();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->CurrentRow(), 0);
        QCOMPARE(Names(), QStringList({"a", "changed"}));
    }

    void failedStoreKeepsTheRowInEditing() {
        InsertRows({"a"});
        Open();
        FSet->Insert();
        // Longer than the column allows: the database refuses it.
        FNameToWrite = QString(51, 'x');
        const QString Text = Raised([&] { FSet->Post(); });
        QVERIFY2(!Text.isEmpty(), "storing did not fail");
        QCOMPARE(FSet->State(), TState::Insert);
        QCOMPARE(FSet->CurrentRow(), 1);
        QCOMPARE(Names(), QStringList({"a"}));
        // A move does not leave it either.
        QVERIFY(!Raised([&] { FSet->First(); }).isEmpty());
        QCOMPARE(FSet->CurrentRow(), 1);
        QVERIFY(!Raised([&] { FSet->MoveTo(0); }).isEmpty());
        QCOMPARE(FSet->CurrentRow(), 1);
        FNameToWrite = "fits";
        FSet->MoveTo(0);
        QCOMPARE(FSet->CurrentRow(), 0);
        QCOMPARE(Names(), QStringList({"a", "fits"}));
    }

    void deletingKeepsThePlace() {
        InsertRows({"a", "b", "c"});
        Open();
        FSet->SetCurrentRow(1);
        FSet->Delete();
        QCOMPARE(Names(), QStringList({"a", "c"}));
        QCOMPARE(FSet->CurrentRow(), 1);
        QCOMPARE(CurrentName(), QString("c"));
        // The last row gone: its predecessor is current.
        FSet->Delete();
        QCOMPARE(FSet->CurrentRow(), 0);
        FSet->Delete();
        QCOMPARE(FSet->CurrentRow(), -1);
        QVERIFY(Names().isEmpty());
    }

    void leavingAnEditedRowAsksFirst() {
        InsertRows({"a"});
        Open();
        int Asked = 0;
        bool Answer = false;
        // Not editing: nothing to ask.
        FSet->OnAskUnsaved = [&] {
            ++Asked;
            return Answer;
        };
        QVERIFY(FSet->SaveBeforeLeaving());
        QCOMPARE(Asked, 0);
        FSet->Edit();
        FNameToWrite = "kept";
        QVERIFY(!FSet->SaveBeforeLeaving());
        QCOMPARE(Asked, 1);
        QCOMPARE(FSet->State(), TState::Edit);
        QCOMPARE(Names(), QStringList({"a"}));
        Answer = true;
        QVERIFY(FSet->SaveBeforeLeaving());
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(Names(), QStringList({"kept"}));
        // With nobody to ask, the row stays as it is.
        FSet->OnAskUnsaved = nullptr;
        FSet->Edit();
        QVERIFY(!FSet->SaveBeforeLeaving());
        QCOMPARE(FSet->State(), TState::Edit);
    }

    void refreshReadsRowsAddedElsewhere() {
        InsertRows({"a"});
        Open();
        FSet->Edit();
        InsertRows({"b"});
        FSet->Refresh();
        QCOMPARE(FSet->State(), TState::Browse);
        QCOMPARE(FSet->Table()->rowCount(), 2);
        QCOMPARE(FSet->CurrentRow(), 0);
        // A table that is gone cannot be read; the set is left inactive.
        QVERIFY(FRows->Exec("DROP TABLE Task"));
        QVERIFY(!Raised([&] { FSet->Refresh(); }).isEmpty());
        QCOMPARE(FSet->State(), TState::Inactive);
    }

    // The model's changes made by the set itself are marked, so that a grid following the model
    // can tell them from the user's choice.
    void marksItsOwnChangesToTheModel() {
        InsertRows({"a"});
        Open();
        QList<bool> Marked;
        connect(FSet->Table(), &QAbstractItemModel::modelReset, this,
                [&] { Marked << FSet->ChangingModel(); });
        FSet->Edit();
        FNameToWrite = "b";
        FSet->Post();
        FSet->Refresh();
        QVERIFY(Marked.size() >= 2);
        QVERIFY(!Marked.contains(false));
        QVERIFY(!FSet->ChangingModel());
    }

    void connectionOpensAndClosesTheTable() {
        InsertRows({"a"});
        QVERIFY(Raised([&] {
                    FConnection->Open(
                        "Provider=SQLite;Data Source=" + FConfig->Dir() + "missing.mdb", nullptr);
                }).contains("missing.mdb"));
        QVERIFY(!FConnection->Model());
        QSqlTableModel *Model = FConnection->Open(ConnStr(), nullptr);
        QCOMPARE(FConnection->Model(), Model);
        QCOMPARE(Model->rowCount(), 1);
        QCOMPARE(Model->editStrategy(), QSqlTableModel::OnManualSubmit);
        QPointer<QSqlTableModel> Watched = Model;
        FConnection.reset();
        QVERIFY(Watched.isNull());
        QVERIFY(!QSqlDatabase::contains("dataset.table"));
    }

    void kindsAreTheStoredWords() {
        // Rows written by earlier versions hold these words; they must not change.
        QCOMPARE(TaskKinds::ExecTypes(),
                 QStringList({"每天", "每星期", "每月", "每年", "指定日期"}));
        QCOMPARE(TaskKinds::TaskTypes(), QStringList({"定时提醒", "定时执行", "定时关机"}));
    }
};

QTEST_GUILESS_MAIN(tst_TaskDataSet)
#include "tst_taskdataset.moc"
