#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSqlTableModel>
#include <QVariant>
#include <functional>

// The rows of table Task as the task pages browse and edit them: one current row, and a state
// that says whether that row is being edited or is a new one not stored yet. Edits go into the
// table model and reach the database only when the row is posted. Needs no widgets: whatever
// the user must see or answer is handed out through the On* events.
class TTaskDataSet : public QObject {
    Q_OBJECT
public:
    enum class TState { Inactive, Browse, Edit, Insert };

    explicit TTaskDataSet(QObject *Parent = nullptr);

    // The opened table, or none: with a table the set browses from its first row, without one it
    // is inactive and every move raises EError.
    void SetTable(QSqlTableModel *Table);
    QSqlTableModel *Table() const { return FTable; }
    TState State() const { return FState; }
    bool Editing() const { return FState == TState::Edit || FState == TState::Insert; }
    // The current row, -1 for none (an inactive set, an empty table).
    int CurrentRow() const;
    // The index of a column of table Task, -1 without a table.
    int Column(const char *Name) const;
    // The current row's value in a column; null without a current row.
    QVariant Value(const char *Name) const;
    // True while the set itself changes the model (rows stored, removed, read again): the
    // model's signals then say nothing about what the user chose.
    bool ChangingModel() const { return FChangingModel; }

    // Another row became current, or the current row was read again.
    std::function<void()> OnRowChanged;
    // The set became active (a table was opened) or inactive.
    std::function<void(bool Active)> OnActiveChanged;
    // Before a row is stored: whoever shows the row writes what the user entered into the model's
    // row Row.
    std::function<void(int Row)> OnWriteRow;
    // The row being edited is about to be left: true stores it and goes on, false stays with it.
    // Unset, the row stays.
    std::function<bool()> OnAskUnsaved;

    // Raises EError when no table is open.
    void CheckActive() const;
    // Makes Row current, within the rows there are (the first for a row before it, the last for
    // one after it); none when the table is empty.
    void SetCurrentRow(int Row);
    // Makes the row the user picked current: a row being edited is stored first (EError when it
    // cannot be, and the current row stays), and the move follows the picked row to wherever
    // storing has put it.
    void MoveTo(int Row);
    void First();
    void Prior();
    void Next();
    void Last();
    // Appends a new row and makes it current; posting stores it, cancelling drops it.
    void Insert();
    // The current row goes into editing; nothing happens without one or while already editing.
    void Edit();
    // Stores the row being edited; raises EError with the database's text, and the row stays in
    // editing with everything entered.
    void Post();
    // Drops what was entered: a new row goes, and the row current before it comes back.
    void Cancel();
    // Deletes the current row at once; a new row is only dropped.
    void Delete();
    // Reads the table again, dropping what was being entered.
    void Refresh();
    // Stores the row being edited when there is one.
    void CheckBrowseMode();
    // Before the user leaves the row being edited: asks OnAskUnsaved and stores the row. True
    // when nothing is left unsaved; false when the user chose to stay; raises EError when the row
    // could not be stored.
    bool SaveBeforeLeaving();

private:
    class TModelChange;
    void SetActive(bool Value);
    void FetchAll();
    int RowOfID(const QVariant &ID);
    void DiscardEdits();

    QPointer<QSqlTableModel> FTable;
    TState FState = TState::Inactive;
    // Follows its row as rows are stored or removed above it, and lets go when the row goes.
    QPersistentModelIndex FCurrent;
    int FRowBeforeInsert = -1;
    bool FChangingModel = false;
};
