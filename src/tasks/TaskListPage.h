#pragma once

#include <QByteArray>
#include <QObject>

class QSqlTableModel;
class QTableView;
class QToolBar;
class QWidget;
class TTaskDataSet;

// The list of tasks: a toolbar over a grid of table Task whose selected row is the task set's
// current row.
class TTaskListPage : public QObject {
    Q_OBJECT
public:
    // Builds the page's controls into Page.
    TTaskListPage(QWidget *Page, TTaskDataSet *DataSet, QObject *Parent = nullptr);

    QToolBar *Toolbar() const { return FToolbar; }
    QTableView *Grid() const { return FDBGrid1; }
    // Shows the table (none: an empty grid), with the columns laid out as the list has them.
    void SetModel(QSqlTableModel *Table);
    // Selects the task set's current row in the grid.
    void ShowCurrentRow();
    void UpdateScrollBars();

private:
    // The user selected Row in the grid.
    void GridRowSelected(int Row);
    void SelectRow(int Row);
    int DateColumnWidth(bool Time) const;

    TTaskDataSet *FDataSet;
    QToolBar *FToolbar = nullptr;
    QTableView *FDBGrid1 = nullptr;
    bool FSyncing = false; // the grid follows the current row
    QByteArray FGridState;
};
