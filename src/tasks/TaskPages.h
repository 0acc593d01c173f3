#pragma once

#include <QGroupBox>
#include <QObject>
#include <QPointer>
#include <QSqlTableModel>
#include <QStringList>
#include <functional>
#include <memory>

#include "Clock.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QDataWidgetMapper;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class QTabWidget;
class QTableView;
class QTimeEdit;

// A choice group bound to one text column: each choice stores its caption. A stored value outside
// the choices selects none and is kept as it is.
class TDBRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QString Value READ Value WRITE SetValue NOTIFY Changed USER true)
public:
    TDBRadioGroup(const QString &Caption, const QStringList &Items, int Columns,
                  QWidget *Parent = nullptr);
    QString Value() const { return FValue; }
    void SetValue(const QString &Value);
    // The selected choice, -1 for none.
    int ItemIndex() const { return FItems.indexOf(FValue); }
    void SetItemIndex(int Index);
    QAbstractButton *Button(int Index) const;
    void SetReadOnly(bool Value);

protected:
    void resizeEvent(QResizeEvent *Event) override;

signals:
    // The value changed, by the user, by code, or because another row became current.
    void Changed();
    // The user picked a choice.
    void UserChanged();

private:
    void ShowValue();
    void LayoutItems();

    QStringList FItems;
    QString FValue;
    QButtonGroup *FButtons;
    bool FReadOnly = false;
    int FColumns = 1;
};

// The two task pages of the main window: the list (tab 1) and the editor (tab 2), both on the one
// table model of table Task, so that they always show the same current row. Editing works on the
// table directly: a row is stored when the user submits it.
class TTaskPages : public QObject {
    Q_OBJECT
public:
    enum class TState { Inactive, Browse, Edit, Insert };
    using TActionLookup = std::function<QAction *(const QString &Name)>;

    static constexpr int ListTab = 1;
    static constexpr int EditorTab = 2;

    // Builds the pages into tabs 1 and 2 of PageControl and connects the task actions.
    TTaskPages(QTabWidget *PageControl, const TActionLookup &Actions,
               std::shared_ptr<const TClock> Clock, QObject *Parent = nullptr);
    ~TTaskPages() override;

    // The opened table; until then the pages show nothing and the choice groups stay disabled.
    void SetTable(QSqlTableModel *Table);
    // Opens the table when the pages have none (the database could not be opened at start), so
    // that "刷新" can recover once the database is back; raises EError with the database's
    // text.
    std::function<QSqlTableModel *()> OnOpenTable;
    QSqlTableModel *Table() const { return FTable; }
    TState State() const { return FState; }
    bool Editing() const { return FState == TState::Edit || FState == TState::Insert; }
    int CurrentRow() const;

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
    void Button1Click();
    // The guard before the user leaves any tab: false keeps the current tab.
    bool PageControl1Changing();
    // The user has selected the editor's tab.
    void EditorTabSelected();

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    class TModelChange;
    void CreateListPage(QWidget *Page);
    void CreateEditorPage(QWidget *Page);
    void ConnectActions(const TActionLookup &Actions);
    void SelectTab(int Index);
    void CheckActive() const;
    void SetActive(bool Value);
    void SetCurrentRow(int Row);
    int RowOfID(const QVariant &ID);
    void FetchAll();
    void Edit();
    void CheckBrowseMode();
    void PostRecord();
    void DiscardEdits();
    void LoadPickers();
    void SetPickersToNow();
    void UpdateReadOnly();
    void CurrentRowChanged();
    void PickerEdited();
    void RzDBRadioGroup1Change();
    void RzDBRadioGroup2Change();
    void GridRowSelected(int Row);
    int Column(const char *Name) const;
    int DateColumnWidth(bool Time) const;
    void UpdateScrollBars();

    QTabWidget *FPageControl;
    std::shared_ptr<const TClock> FClock;
    QPointer<QSqlTableModel> FTable;
    QDataWidgetMapper *FMapper;
    TState FState = TState::Inactive;
    bool FSyncing = false;        // the grid follows the current row
    bool FLoadingPickers = false; // the pickers are being set from code
    int FRowBeforeInsert = -1;
    QByteArray FGridState;

    QTableView *FDBGrid1 = nullptr;
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
