#pragma once

#include <QObject>
#include <QSqlTableModel>
#include <functional>
#include <memory>

#include "tasks/Clock.h"
#include "tasks/TaskDataSet.h"

class QAction;
class TTaskEditorPage;
class TTaskListPage;

// The two task pages, the list and the editor, both on the one task set over table Task, so that
// they always show the same current row. Editing works on the table directly: a row is stored
// when the user submits it. Where the pages are shown is up to the owner: a page that wants to be
// seen asks through OnShowPage.
class TTaskPages : public QObject {
    Q_OBJECT
public:
    using TState = TTaskDataSet::TState;
    enum class TPage { List, Editor };
    using TActionLookup = std::function<QAction *(const QString &Name)>;

    // Builds the list into ListPage and the editor into EditorPage, and connects the task
    // actions.
    TTaskPages(QWidget *ListPage, QWidget *EditorPage, const TActionLookup &Actions,
               std::shared_ptr<const TClock> Clock, QObject *Parent = nullptr);
    ~TTaskPages() override;

    // The opened table; until then the pages show nothing and the choice groups stay disabled.
    void SetTable(QSqlTableModel *Table);
    // Opens the table when the pages have none (the database could not be opened at start), so
    // that "刷新" can recover once the database is back; raises EError with the database's
    // text.
    std::function<QSqlTableModel *()> OnOpenTable;
    // Shows a page: the pages move between the list and the editor themselves, without the
    // leave guard of a tab the user leaves.
    std::function<void(TPage Page)> OnShowPage;
    QSqlTableModel *Table() const { return FDataSet->Table(); }
    TState State() const { return FDataSet->State(); }
    bool Editing() const { return FDataSet->Editing(); }
    int CurrentRow() const { return FDataSet->CurrentRow(); }

    void FirstExecute();
    void PriorExecute();
    void NextExecute();
    void LastExecute();
    void AddTaskExecute();
    void DelTaskExecute();
    void EdtTaskExecute();
    void RefreshExecute();
    void PostExecute();
    void CancelExecute();
    // The guard before the user leaves any tab: false keeps the current tab.
    bool PageControl1Changing();
    // The user has selected the editor's tab.
    void EditorTabSelected();

private:
    void ConnectActions(const TActionLookup &Actions);
    void ShowPage(TPage Page);

    TTaskDataSet *FDataSet;
    TTaskListPage *FList;
    TTaskEditorPage *FEditor;
};
