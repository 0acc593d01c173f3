#include "TaskPages.h"

#include <QAction>
#include <QPushButton>
#include <QToolBar>

#include "TaskEditorPage.h"
#include "TaskListPage.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"

TTaskPages::TTaskPages(QWidget *ListPage, QWidget *EditorPage, const TActionLookup &Actions,
                       std::shared_ptr<const TClock> Clock, QObject *Parent)
    : QObject(Parent), FDataSet(new TTaskDataSet(this)),
      FList(new TTaskListPage(ListPage, FDataSet, this)),
      FEditor(new TTaskEditorPage(EditorPage, FDataSet, std::move(Clock), this)) {
    setObjectName("TaskPages");
    FDataSet->OnRowChanged = [this] {
        FEditor->ShowCurrentRow();
        FList->ShowCurrentRow();
        FEditor->LoadPickers();
        FEditor->UpdateReadOnly();
    };
    FDataSet->OnActiveChanged = [this](bool Active) {
        FEditor->SetActive(Active);
        FEditor->UpdateReadOnly();
    };
    FDataSet->OnWriteRow = [this](int Row) { FEditor->WriteRow(Row); };
    FDataSet->OnAskUnsaved = [] {
        return Dialogs::Question("数据未保存，是否继续?", Dialogs::AppTitle());
    };
    if (Actions)
        ConnectActions(Actions);
    FEditor->SetActive(false);
    FEditor->UpdateReadOnly();
    FList->UpdateScrollBars();
    FEditor->SetPickersToNow();
}

TTaskPages::~TTaskPages() = default;

void TTaskPages::ConnectActions(const TActionLookup &Actions) {
    const struct {
        const char *Name;
        void (TTaskPages::*Handler)();
    } Handlers[] = {
        {"First", &TTaskPages::FirstExecute},     {"Prior", &TTaskPages::PriorExecute},
        {"Next", &TTaskPages::NextExecute},       {"Last", &TTaskPages::LastExecute},
        {"AddTask", &TTaskPages::AddTaskExecute}, {"DelTask", &TTaskPages::DelTaskExecute},
        {"EdtTask", &TTaskPages::EdtTaskExecute}, {"Refresh", &TTaskPages::RefreshExecute},
        {"Post", &TTaskPages::PostExecute},       {"Cancel", &TTaskPages::CancelExecute}};
    for (const auto &H : Handlers) {
        QAction *A = Actions(H.Name);
        if (!A)
            continue;
        A->setEnabled(true);
        connect(A, &QAction::triggered, this,
                Dialogs::Guarded([this, Handler = H.Handler] { (this->*Handler)(); }));
    }

    // The toolbar: navigation, a gap, then the record actions.
    QToolBar *Toolbar = FList->Toolbar();
    const auto Add = [&](const char *Name, const char *ButtonName) {
        QAction *A = Actions(Name);
        if (!A)
            return;
        Toolbar->addAction(A);
        if (QWidget *W = Toolbar->widgetForAction(A))
            W->setObjectName(ButtonName);
    };
    Add("First", "BtnFirstRecord");
    Add("Prior", "BtnPreviousRecord");
    Add("Next", "BtnNextRecord");
    Add("Last", "BtnLastRecord");
    auto *Spacer = new QWidget(Toolbar);
    Spacer->setObjectName("rzspcr1");
    Spacer->setFixedWidth(12);
    Toolbar->addWidget(Spacer);
    Add("AddTask", "BtnInsertRecord");
    Add("DelTask", "BtnDeleteRecord");
    Add("EdtTask", "BtnEditRecord");
    Add("Refresh", "BtnRefresh");

    QWidget *Panel2 = FEditor->Panel();
    for (const auto &[Name, ButtonName] : {std::pair{"Cancel", "Button15"}, {"Post", "Button16"}}) {
        QAction *A = Actions(Name);
        auto *B = Panel2->findChild<QPushButton *>(ButtonName);
        if (!A || !B)
            continue;
        // A push button takes caption, hint and enabled state from its action.
        B->setText(A->text());
        B->setToolTip(A->toolTip());
        B->setEnabled(A->isEnabled());
        connect(B, &QPushButton::clicked, A, &QAction::trigger);
        connect(A, &QAction::changed, B, [A, B] {
            B->setText(A->text());
            B->setEnabled(A->isEnabled());
        });
    }
}

void TTaskPages::SetTable(QSqlTableModel *Table) {
    FList->SetModel(Table);
    FEditor->SetModel(Table);
    FDataSet->SetTable(Table);
    FList->UpdateScrollBars();
}

void TTaskPages::ShowPage(TPage Page) {
    // These moves between the list and the editor have dealt with the row themselves (stored,
    // discarded, or put into editing on purpose) and set the pickers as they need them.
    if (OnShowPage)
        OnShowPage(Page);
}

void TTaskPages::FirstExecute() {
    FDataSet->First();
}

void TTaskPages::PriorExecute() {
    FDataSet->Prior();
}

void TTaskPages::NextExecute() {
    FDataSet->Next();
}

void TTaskPages::LastExecute() {
    FDataSet->Last();
}

void TTaskPages::AddTaskExecute() {
    ShowPage(TPage::Editor);
    FDataSet->Insert();
    FEditor->StartNewRow();
}

void TTaskPages::DelTaskExecute() {
    FDataSet->Delete();
}

void TTaskPages::EdtTaskExecute() {
    FDataSet->CheckActive();
    if (FDataSet->State() == TState::Browse && FDataSet->CurrentRow() >= 0) {
        FDataSet->Edit();
        FEditor->LoadPickers();
    }
    ShowPage(TPage::Editor);
}

void TTaskPages::RefreshExecute() {
    if (!FDataSet->Table()) {
        QSqlTableModel *Table = OnOpenTable ? OnOpenTable() : nullptr;
        if (!Table)
            FDataSet->CheckActive(); // raises: there is still no table
        SetTable(Table);
        return;
    }
    FDataSet->Refresh();
}

void TTaskPages::PostExecute() {
    if (FDataSet->Editing())
        FDataSet->Post();
    ShowPage(TPage::List);
}

void TTaskPages::CancelExecute() {
    FDataSet->Cancel();
    ShowPage(TPage::List);
}

bool TTaskPages::PageControl1Changing() {
    if (!FDataSet->Editing())
        return true;
    try {
        if (!FDataSet->SaveBeforeLeaving())
            return false;
    } catch (const EError &E) {
        // Not stored: the user stays with the row still in editing.
        Dialogs::ShowError(E.Text());
        return false;
    }
    ShowPage(TPage::List);
    return true;
}

void TTaskPages::EditorTabSelected() {
    // The pickers hold the row's own date and time, or what the user is entering; only an empty
    // table starts them at the current moment.
    if (FDataSet->Editing())
        return;
    if (FDataSet->CurrentRow() < 0)
        FEditor->SetPickersToNow();
    else
        FEditor->LoadPickers();
}
