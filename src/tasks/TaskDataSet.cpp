#include "TaskDataSet.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "TaskDb.h"
#include "TaskKinds.h"
#include "dialogs/Error.h"

namespace {
const char *const ClosedTableText = "Cannot perform this operation on a closed dataset.";
} // namespace

class TTaskDataSet::TModelChange {
public:
    explicit TModelChange(TTaskDataSet *Set) : FSet(Set), FWas(Set->FChangingModel) {
        Set->FChangingModel = true;
    }
    ~TModelChange() { FSet->FChangingModel = FWas; }

private:
    TTaskDataSet *FSet;
    bool FWas;
};

TTaskDataSet::TTaskDataSet(QObject *Parent) : QObject(Parent) {
    setObjectName("TaskDataSet");
}

void TTaskDataSet::SetTable(QSqlTableModel *Table) {
    FTable = Table;
    FCurrent = QPersistentModelIndex();
    if (!Table) {
        SetActive(false);
        return;
    }
    SetActive(true);
    SetCurrentRow(0);
}

void TTaskDataSet::SetActive(bool Value) {
    FState = Value ? TState::Browse : TState::Inactive;
    if (OnActiveChanged)
        OnActiveChanged(Value);
}

void TTaskDataSet::CheckActive() const {
    if (!FTable || FState == TState::Inactive)
        throw EError(ClosedTableText);
}

int TTaskDataSet::CurrentRow() const {
    if (!FTable || FState == TState::Inactive || !FCurrent.isValid())
        return -1;
    return FCurrent.row();
}

int TTaskDataSet::Column(const char *Name) const {
    return FTable ? FTable->fieldIndex(Name) : -1;
}

QVariant TTaskDataSet::Value(const char *Name) const {
    const int Row = CurrentRow();
    return Row < 0 ? QVariant() : FTable->data(FTable->index(Row, Column(Name)));
}

void TTaskDataSet::FetchAll() {
    while (FTable && FTable->canFetchMore())
        FTable->fetchMore();
}

void TTaskDataSet::SetCurrentRow(int Row) {
    if (!FTable || FState == TState::Inactive)
        return;
    while (Row >= FTable->rowCount() && FTable->canFetchMore())
        FTable->fetchMore();
    Row = std::min(Row, FTable->rowCount() - 1);
    if (Row < 0 && FTable->rowCount() > 0)
        Row = 0;
    FCurrent = Row >= 0 ? QPersistentModelIndex(FTable->index(Row, 0)) : QPersistentModelIndex();
    if (OnRowChanged)
        OnRowChanged();
}

int TTaskDataSet::RowOfID(const QVariant &ID) {
    if (!FTable || ID.isNull())
        return -1;
    const int IDColumn = Column(TaskColumns::ID);
    for (int Row = 0;; ++Row) {
        if (Row >= FTable->rowCount()) {
            if (!FTable->canFetchMore())
                return -1;
            FTable->fetchMore();
            if (Row >= FTable->rowCount())
                return -1;
        }
        if (FTable->data(FTable->index(Row, IDColumn)) == ID)
            return Row;
    }
}

void TTaskDataSet::MoveTo(int Row) {
    if (!FTable || Row < 0 || Row == CurrentRow())
        return;
    const QVariant ID = FTable->data(FTable->index(Row, Column(TaskColumns::ID)));
    CheckBrowseMode();
    const int Target = RowOfID(ID);
    SetCurrentRow(Target >= 0 ? Target : Row);
}

void TTaskDataSet::First() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(0);
}

void TTaskDataSet::Prior() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(std::max(0, CurrentRow() - 1));
}

void TTaskDataSet::Next() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(CurrentRow() + 1);
}

void TTaskDataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    FetchAll();
    SetCurrentRow(FTable->rowCount() - 1);
}

void TTaskDataSet::Insert() {
    CheckActive();
    CheckBrowseMode();
    FetchAll();
    FRowBeforeInsert = CurrentRow();
    const int Row = FTable->rowCount();
    TModelChange Change(this);
    if (!FTable->insertRow(Row))
        throw EError(FTable->lastError().text());
    FState = TState::Insert;
    SetCurrentRow(Row);
}

void TTaskDataSet::Edit() {
    if (FState == TState::Browse && CurrentRow() >= 0)
        FState = TState::Edit;
}

void TTaskDataSet::CheckBrowseMode() {
    if (Editing())
        Post();
}

void TTaskDataSet::Post() {
    CheckActive();
    if (!Editing())
        return;
    const int Row = CurrentRow();
    if (OnWriteRow)
        OnWriteRow(Row);
    QVariant ID = FTable->data(FTable->index(Row, Column(TaskColumns::ID)));
    TModelChange Change(this);
    if (!FTable->submitAll()) {
        // The row stays in editing with everything the user entered.
        throw EError(TaskDb::ErrorText(FTable->lastError(), "The task could not be stored."));
    }
    if (FState == TState::Insert) {
        QSqlQuery Last(FTable->database());
        if (Last.exec("SELECT last_insert_rowid()") && Last.next())
            ID = Last.value(0);
    }
    FState = TState::Browse;
    const int Target = RowOfID(ID);
    SetCurrentRow(Target >= 0 ? Target : Row);
}

void TTaskDataSet::DiscardEdits() {
    if (FState != TState::Inactive)
        FState = TState::Browse;
    if (FTable) {
        TModelChange Change(this);
        FTable->revertAll();
    }
}

void TTaskDataSet::Cancel() {
    if (!Editing())
        return;
    const int Row = FState == TState::Insert ? FRowBeforeInsert : CurrentRow();
    DiscardEdits();
    SetCurrentRow(Row);
}

void TTaskDataSet::Delete() {
    CheckActive();
    if (FState == TState::Insert) {
        // The new row has never been stored: deleting it is cancelling it.
        DiscardEdits();
        SetCurrentRow(FRowBeforeInsert);
        return;
    }
    const int Row = CurrentRow();
    if (FTable->rowCount() == 0 || Row < 0)
        return;
    DiscardEdits();
    TModelChange Change(this);
    FTable->removeRow(Row);
    if (!FTable->submitAll()) {
        const QString Text = FTable->lastError().text();
        FTable->revertAll();
        SetCurrentRow(Row);
        throw EError(Text);
    }
    SetCurrentRow(std::min(Row, FTable->rowCount() - 1));
}

void TTaskDataSet::Refresh() {
    if (!FTable)
        throw EError(ClosedTableText);
    DiscardEdits();
    SetActive(false);
    TModelChange Change(this);
    // Read the columns again too: a failed read leaves the model without them.
    FTable->setTable(FTable->tableName());
    if (!FTable->select())
        throw EError(TaskDb::ReadErrorText(FTable->lastError()));
    SetActive(true);
    SetCurrentRow(0);
}

bool TTaskDataSet::SaveBeforeLeaving() {
    if (!Editing())
        return true;
    if (!OnAskUnsaved || !OnAskUnsaved())
        return false;
    Post();
    return true;
}
