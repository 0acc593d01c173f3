#pragma once

#include <QObject>
#include <memory>

#include "tasks/Clock.h"

class QDataWidgetMapper;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSqlTableModel;
class QTimeEdit;
class TDBRadioGroup;
class TTaskDataSet;

// The editor of one task: the task set's current row in bound controls, its start date and time
// in two pickers. Typing into a control puts the row into editing.
class TTaskEditorPage : public QObject {
    Q_OBJECT
public:
    // Builds the page's controls into Page.
    TTaskEditorPage(QWidget *Page, TTaskDataSet *DataSet, std::shared_ptr<const TClock> Clock,
                    QObject *Parent = nullptr);

    QWidget *Panel() const { return FPanel; }
    // Binds the controls to the table's columns (none: nothing is bound).
    void SetModel(QSqlTableModel *Table);
    // Shows the task set's current row; without one the controls are empty and read-only.
    void ShowCurrentRow();
    // The controls are usable while the task set is active.
    void SetActive(bool Value);
    // Writes what the user entered into the model's row Row, before it is stored.
    void WriteRow(int Row);
    // A new row: the first choices, the pickers at the current moment.
    void StartNewRow();
    // The pickers hold the current row's date and time (the current moment for a new row or
    // none).
    void LoadPickers();
    void SetPickersToNow();
    void UpdateReadOnly();

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void Edit();
    // Picks the target to open with a file dialog.
    void Button1Click();
    void PickerEdited();
    void RzDBRadioGroup1Change();
    void RzDBRadioGroup2Change();

    QWidget *FPanel = nullptr;
    TTaskDataSet *FDataSet;
    std::shared_ptr<const TClock> FClock;
    QDataWidgetMapper *FMapper;
    bool FLoadingPickers = false; // the pickers are being set from code

    QLineEdit *FDBEdit1 = nullptr;
    TDBRadioGroup *FRzDBRadioGroup1 = nullptr;
    QLabel *FLabel2 = nullptr;
    QDateEdit *FRzDateTimePicker1 = nullptr;
    QLabel *FLabel3 = nullptr;
    QTimeEdit *FRzDateTimePicker2 = nullptr;
    TDBRadioGroup *FRzDBRadioGroup2 = nullptr;
    QPlainTextEdit *FRzDBMemo1 = nullptr;
    QLineEdit *FRzDBEdit2 = nullptr;
    QPushButton *FButton1 = nullptr;
};
