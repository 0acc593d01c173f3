#include "TaskPages.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDataWidgetMapper>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "OleDate.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"

namespace {

// The column sizes of table Task: longer input is refused by the editor, not by the database.
constexpr int NameSize = 50;
constexpr int TextSize = 255;

const char *const ClosedTableText = "Cannot perform this operation on a closed dataset.";

// Shows a stored date as the locale's short date, a stored time as hh:nn:ss.
class TOleDelegate : public QStyledItemDelegate {
public:
    TOleDelegate(bool Time, QObject *Parent) : QStyledItemDelegate(Parent), FTime(Time) {}
    QString displayText(const QVariant &Value, const QLocale &) const override {
        if (Value.isNull())
            return {};
        bool Ok = false;
        const double D = Value.toDouble(&Ok);
        if (!Ok)
            return Value.toString();
        return FTime ? OleDate::ToTime(D).toString("HH:mm:ss")
                     : OleDate::ShortDateText(OleDate::ToDate(D));
    }

private:
    bool FTime;
};

} // namespace

// ---- TDBRadioGroup ----

TDBRadioGroup::TDBRadioGroup(const QString &Caption, const QStringList &Items, int Columns,
                             QWidget *Parent)
    : QGroupBox(Caption, Parent), FItems(Items), FButtons(new QButtonGroup(this)) {
    // The frame and highlight colours of the original choice groups.
    setStyleSheet("TDBRadioGroup { border: 1px solid #1C5280; margin-top: 7px; }"
                  "TDBRadioGroup::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
                  "QRadioButton:hover { color: #21A121; }");
    FButtons->setExclusive(true);
    FColumns = std::max(1, Columns);
    for (int I = 0; I < Items.size(); ++I) {
        auto *Button = new QRadioButton(Items[I], this);
        Button->setObjectName(QString("Item%1").arg(I));
        FButtons->addButton(Button, I);
    }
    LayoutItems();
    connect(FButtons, &QButtonGroup::idClicked, this, [this](int Id) {
        if (FReadOnly) {
            ShowValue();
            return;
        }
        if (FItems.value(Id) == FValue)
            return;
        FValue = FItems.value(Id);
        emit Changed();
        emit UserChanged();
    });
}

void TDBRadioGroup::resizeEvent(QResizeEvent *Event) {
    QGroupBox::resizeEvent(Event);
    LayoutItems();
}

void TDBRadioGroup::LayoutItems() {
    // Columns of equal width as long as every caption fits in one; otherwise each column is as
    // wide as its widest caption and the room left over is shared out, so that no caption is
    // cut.
    const QList<QAbstractButton *> Buttons = FButtons->buttons();
    const int Room = width() - 16;
    QList<int> Widths(FColumns, Room / FColumns);
    if (Room > 0) {
        QList<int> Need(FColumns, 0);
        for (int I = 0; I < Buttons.size(); ++I)
            Need[I % FColumns] = std::max(Need[I % FColumns], Buttons[I]->sizeHint().width());
        bool Equal = true;
        int Total = 0;
        for (int W : Need) {
            Equal = Equal && W <= Room / FColumns;
            Total += W;
        }
        if (!Equal)
            for (int C = 0; C < FColumns; ++C)
                Widths[C] = Need[C] + std::max(0, Room - Total) / FColumns;
    }
    for (int I = 0; I < Buttons.size(); ++I) {
        const int Column = I % FColumns;
        int X = 8;
        for (int C = 0; C < Column; ++C)
            X += Widths[C];
        Buttons[I]->setGeometry(X, 16 + (I / FColumns) * 20, Widths[Column], 18);
    }
}

void TDBRadioGroup::SetValue(const QString &Value) {
    if (Value == FValue && (ItemIndex() < 0 || FButtons->checkedId() == ItemIndex()))
        return;
    FValue = Value;
    ShowValue();
    emit Changed();
}

void TDBRadioGroup::SetItemIndex(int Index) {
    SetValue(FItems.value(Index));
}

QAbstractButton *TDBRadioGroup::Button(int Index) const {
    return FButtons->button(Index);
}

void TDBRadioGroup::SetReadOnly(bool Value) {
    FReadOnly = Value;
}

void TDBRadioGroup::ShowValue() {
    const int Index = ItemIndex();
    if (Index >= 0) {
        FButtons->button(Index)->setChecked(true);
        return;
    }
    FButtons->setExclusive(false);
    for (QAbstractButton *B : FButtons->buttons())
        B->setChecked(false);
    FButtons->setExclusive(true);
}

// ---- TTaskPages ----

// While the model changes under the grid (rows stored, removed, read again), the grid's own
// current-row signals are not the user's choice of a row.
class TTaskPages::TModelChange {
public:
    explicit TModelChange(TTaskPages *Pages) : FPages(Pages), FWas(Pages->FSyncing) {
        Pages->FSyncing = true;
    }
    ~TModelChange() { FPages->FSyncing = FWas; }

private:
    TTaskPages *FPages;
    bool FWas;
};

TTaskPages::TTaskPages(QTabWidget *PageControl, const TActionLookup &Actions,
                       std::shared_ptr<const TClock> Clock, QObject *Parent)
    : QObject(Parent), FPageControl(PageControl),
      FClock(Clock ? std::move(Clock) : std::make_shared<TSystemClock>()),
      FMapper(new QDataWidgetMapper(this)) {
    setObjectName("TaskPages");
    FMapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    CreateListPage(PageControl->widget(ListTab));
    CreateEditorPage(PageControl->widget(EditorTab));
    if (Actions)
        ConnectActions(Actions);
    SetActive(false);
    UpdateReadOnly();
    UpdateScrollBars();
    SetPickersToNow();
}

TTaskPages::~TTaskPages() = default;

void TTaskPages::CreateListPage(QWidget *Page) {
    auto *PageLayout = new QVBoxLayout(Page);
    PageLayout->setContentsMargins(0, 0, 0, 0);
    auto *Panel1 = new QWidget(Page);
    Panel1->setObjectName("Panel1");
    PageLayout->addWidget(Panel1);
    auto *Layout = new QVBoxLayout(Panel1);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);

    auto *RzToolbar1 = new QToolBar(Panel1);
    RzToolbar1->setObjectName("RzToolbar1");
    RzToolbar1->setFixedHeight(29);
    RzToolbar1->setIconSize(QSize(16, 16));
    RzToolbar1->setStyleSheet("QToolBar#RzToolbar1 { border-top: 2px groove palette(mid); "
                              "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                              "stop:0 palette(light), stop:1 palette(button)); }");
    Layout->addWidget(RzToolbar1);

    FDBGrid1 = new QTableView(Panel1);
    FDBGrid1->setObjectName("DBGrid1");
    FDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    FDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    FDBGrid1->setShowGrid(true);
    FDBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    FDBGrid1->verticalHeader()->setDefaultSectionSize(18);
    Layout->addWidget(FDBGrid1, 1);
}

void TTaskPages::CreateEditorPage(QWidget *Page) {
    auto *PageLayout = new QVBoxLayout(Page);
    PageLayout->setContentsMargins(0, 0, 0, 0);
    auto *Panel2 = new QWidget(Page);
    Panel2->setObjectName("Panel2");
    PageLayout->addWidget(Panel2);

    const auto AddLabel = [](QWidget *Parent, const char *Name, const char *Text, int X, int Y) {
        auto *Label = new QLabel(Text, Parent);
        Label->setObjectName(Name);
        Label->move(X, Y);
        Label->adjustSize();
        return Label;
    };

    FDBEdit1 = new QLineEdit(Panel2);
    FDBEdit1->setObjectName("DBEdit1");
    FDBEdit1->setGeometry(57, 0, 304, 21);
    FDBEdit1->setMaxLength(NameSize);
    // Level with its field: the Chinese text is taller than the design font's.
    AddLabel(Panel2, "Label1", "任务名称", 3, 3)->setBuddy(FDBEdit1);

    FRzDBRadioGroup1 =
        new TDBRadioGroup("执行方式", {"每天", "每星期", "每月", "每年", "指定日期"}, 5, Panel2);
    FRzDBRadioGroup1->setObjectName("RzDBRadioGroup1");
    FRzDBRadioGroup1->setGeometry(3, 27, 358, 89);
    FLabel2 = AddLabel(FRzDBRadioGroup1, "Label2", "开始日期", 11, 37);
    FRzDateTimePicker1 = new QDateEdit(FRzDBRadioGroup1);
    FLabel2->setBuddy(FRzDateTimePicker1);
    FRzDateTimePicker1->setObjectName("RzDateTimePicker1");
    FRzDateTimePicker1->setGeometry(11, 56, 167, 21);
    FRzDateTimePicker1->setCalendarPopup(true);
    FRzDateTimePicker1->setMinimumDate(OleDate::Epoch());
    FLabel3 = AddLabel(FRzDBRadioGroup1, "Label3", "开始时间", 184, 37);
    FRzDateTimePicker2 = new QTimeEdit(FRzDBRadioGroup1);
    FLabel3->setBuddy(FRzDateTimePicker2);
    FRzDateTimePicker2->setObjectName("RzDateTimePicker2");
    FRzDateTimePicker2->setGeometry(184, 56, 167, 21);
    FRzDateTimePicker2->setDisplayFormat("HH:mm:ss");

    FRzDBRadioGroup2 =
        new TDBRadioGroup("任务类型", {"定时提醒", "定时执行", "定时关机"}, 3, Panel2);
    FRzDBRadioGroup2->setObjectName("RzDBRadioGroup2");
    FRzDBRadioGroup2->setGeometry(3, 122, 358, 42);

    AddLabel(Panel2, "Label4", "提醒内容", 3, 170);
    FRzDBMemo1 = new QPlainTextEdit(Panel2);
    FRzDBMemo1->setObjectName("RzDBMemo1");
    FRzDBMemo1->setGeometry(3, 185, 358, 43);

    QLabel *Label5 = AddLabel(Panel2, "Label5", "执行目标", 3, 237);
    FRzDBEdit2 = new QLineEdit(Panel2);
    FRzDBEdit2->setObjectName("RzDBEdit2");
    FRzDBEdit2->setGeometry(57, 234, 273, 21);
    FRzDBEdit2->setMaxLength(TextSize);
    Label5->setBuddy(FRzDBEdit2);
    FButton1 = new QPushButton("...", Panel2);
    FButton1->setObjectName("Button1");
    FButton1->setGeometry(336, 234, 25, 21);

    // Typing into a bound control, or changing a picker, puts the row into editing.
    connect(FDBEdit1, &QLineEdit::textEdited, this, Dialogs::Guarded([this] { Edit(); }));
    connect(FRzDBEdit2, &QLineEdit::textEdited, this, Dialogs::Guarded([this] { Edit(); }));
    connect(FRzDBMemo1, &QPlainTextEdit::textChanged, this, Dialogs::Guarded([this] {
                const QString Text = FRzDBMemo1->toPlainText();
                if (Text.size() > TextSize) {
                    FRzDBMemo1->setPlainText(Text.left(TextSize));
                    FRzDBMemo1->moveCursor(QTextCursor::End);
                    return;
                }
                const int Row = CurrentRow();
                if (Row >= 0 && Text != FTable->data(FTable->index(Row, Column("内容"))).toString())
                    Edit();
            }));
    for (TDBRadioGroup *Group : {FRzDBRadioGroup1, FRzDBRadioGroup2})
        connect(Group, &TDBRadioGroup::UserChanged, this, Dialogs::Guarded([this] { Edit(); }));
    connect(FRzDateTimePicker1, &QDateEdit::dateChanged, this,
            Dialogs::Guarded([this] { PickerEdited(); }));
    connect(FRzDateTimePicker2, &QTimeEdit::timeChanged, this,
            Dialogs::Guarded([this] { PickerEdited(); }));
    connect(FRzDBRadioGroup1, &TDBRadioGroup::Changed, this,
            Dialogs::Guarded([this] { RzDBRadioGroup1Change(); }));
    connect(FRzDBRadioGroup2, &TDBRadioGroup::Changed, this,
            Dialogs::Guarded([this] { RzDBRadioGroup2Change(); }));
    connect(FButton1, &QPushButton::clicked, this, Dialogs::Guarded([this] { Button1Click(); }));

    const auto Button = [this, Panel2](const char *Name, const QRect &Geometry) {
        auto *B = new QPushButton(Panel2);
        B->setObjectName(Name);
        B->setGeometry(Geometry);
        return B;
    };
    Button("Button15", QRect(205, 261, 75, 25));
    Button("Button16", QRect(286, 261, 75, 25));
}

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
    auto *Toolbar = FPageControl->widget(ListTab)->findChild<QToolBar *>("RzToolbar1");
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

    auto *Panel2 = FPageControl->widget(EditorTab)->findChild<QWidget *>("Panel2");
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

bool TTaskPages::eventFilter(QObject *Watched, QEvent *Event) {
    if (Event->type() == QEvent::KeyPress) {
        auto *Key = static_cast<QKeyEvent *>(Event);
        if ((Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) &&
            (Key->modifiers() & Qt::ControlModifier)) {
            QCoreApplication::sendEvent(FPageControl, Event);
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

int TTaskPages::Column(const char *Name) const {
    return FTable ? FTable->fieldIndex(Name) : -1;
}

void TTaskPages::SetTable(QSqlTableModel *Table) {
    FTable = Table;
    FDBGrid1->setModel(Table);
    FMapper->setModel(Table);
    if (!Table) {
        SetActive(false);
        UpdateReadOnly();
        UpdateScrollBars();
        return;
    }
    QHeaderView *Header = FDBGrid1->horizontalHeader();
    FDBGrid1->setColumnHidden(Column("ID"), true);
    // 执行方式 is shown after 任务类型, before 内容.
    Header->moveSection(Header->visualIndex(Column("执行方式")),
                        Header->visualIndex(Column("内容")));
    FDBGrid1->setColumnWidth(Column("任务名称"), 51);
    FDBGrid1->setColumnWidth(Column("开始日期"), std::max(52, DateColumnWidth(false)));
    FDBGrid1->setColumnWidth(Column("开始时间"), std::max(50, DateColumnWidth(true)));
    FDBGrid1->setColumnWidth(Column("执行目标"), 55);
    FDBGrid1->setItemDelegateForColumn(Column("开始日期"), new TOleDelegate(false, FDBGrid1));
    FDBGrid1->setItemDelegateForColumn(Column("开始时间"), new TOleDelegate(true, FDBGrid1));
    // Reading the table again resets the grid's columns: keep their order, widths and the hidden
    // ID across it.
    connect(Table, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (FDBGrid1->horizontalHeader()->count() > 0)
            FGridState = FDBGrid1->horizontalHeader()->saveState();
    });
    for (auto Signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(Table, Signal, this, [this] { UpdateScrollBars(); });
    connect(Table, &QAbstractItemModel::modelReset, this, [this] { UpdateScrollBars(); });
    connect(Table, &QAbstractItemModel::modelReset, this, [this] {
        if (FTable && FTable->columnCount() > 0 && !FGridState.isEmpty())
            FDBGrid1->horizontalHeader()->restoreState(FGridState);
    });
    connect(FDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Dialogs::Guarded([this](const QModelIndex &Current, const QModelIndex &) {
                GridRowSelected(Current.row());
            }));

    UpdateScrollBars();
    FMapper->clearMapping();
    FMapper->addMapping(FDBEdit1, Column("任务名称"));
    FMapper->addMapping(FRzDBRadioGroup1, Column("执行方式"), "Value");
    FMapper->addMapping(FRzDBRadioGroup2, Column("任务类型"), "Value");
    FMapper->addMapping(FRzDBMemo1, Column("内容"), "plainText");
    FMapper->addMapping(FRzDBEdit2, Column("执行目标"));
    // The mapper's delegate takes Tab in a bound control as "next field" whatever the modifiers,
    // so Ctrl+Tab would never reach the tabs from there: it is handed to them first.
    for (QWidget *Bound :
         {static_cast<QWidget *>(FDBEdit1), static_cast<QWidget *>(FRzDBRadioGroup1),
          static_cast<QWidget *>(FRzDBRadioGroup2), static_cast<QWidget *>(FRzDBMemo1),
          static_cast<QWidget *>(FRzDBEdit2)})
        Bound->installEventFilter(this);
    SetActive(true);
    SetCurrentRow(0);
}

int TTaskPages::DateColumnWidth(bool Time) const {
    // The widest date of the year in the locale's short format, or the widest time of day, with
    // the cell's margins and grid line: dates and times are never cut.
    const QFontMetrics Metrics(FDBGrid1->font());
    int Widest = 0;
    if (Time) {
        // Any digit in every place.
        for (int Digit = 0; Digit < 10; ++Digit)
            Widest =
                std::max(Widest, Metrics.horizontalAdvance(QString("%1%1:%1%1:%1%1").arg(Digit)));
    } else {
        for (int Month = 1; Month <= 12; ++Month)
            for (int Day : {1, 10, 22, 28})
                Widest = std::max(Widest, Metrics.horizontalAdvance(
                                              OleDate::ShortDateText(QDate(2088, Month, Day))));
    }
    const int Margin =
        FDBGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FDBGrid1) + 1;
    // One more for the rounding of the drawn text's width.
    return Widest + 1 + 2 * Margin + (FDBGrid1->showGrid() ? 1 : 0);
}

void TTaskPages::UpdateScrollBars() {
    // An empty list has nothing to scroll sideways to.
    FDBGrid1->setHorizontalScrollBarPolicy(
        FTable && FTable->rowCount() > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TTaskPages::SetActive(bool Value) {
    FState = Value ? TState::Browse : TState::Inactive;
    // A bound choice group is usable exactly while the table is open; the controls inside the
    // recurrence group follow it, keeping a state of their own set while it was disabled.
    FRzDBRadioGroup1->setEnabled(Value);
    FRzDBRadioGroup2->setEnabled(Value);
}

void TTaskPages::CheckActive() const {
    if (!FTable || FState == TState::Inactive)
        throw EError(ClosedTableText);
}

int TTaskPages::CurrentRow() const {
    if (!FTable || FState == TState::Inactive)
        return -1;
    return FMapper->currentIndex();
}

void TTaskPages::FetchAll() {
    while (FTable && FTable->canFetchMore())
        FTable->fetchMore();
}

void TTaskPages::SetCurrentRow(int Row) {
    if (!FTable || FState == TState::Inactive)
        return;
    while (Row >= FTable->rowCount() && FTable->canFetchMore())
        FTable->fetchMore();
    Row = std::min(Row, FTable->rowCount() - 1);
    if (Row < 0 && FTable->rowCount() > 0)
        Row = 0;
    if (Row >= 0) {
        FMapper->setCurrentIndex(Row);
        FMapper->revert();
    } else {
        // No row: the editor shows nothing and takes no input.
        FMapper->setCurrentModelIndex(QModelIndex());
        FDBEdit1->clear();
        FRzDBRadioGroup1->SetValue({});
        FRzDBRadioGroup2->SetValue({});
        FRzDBMemo1->clear();
        FRzDBEdit2->clear();
    }
    const bool WasSyncing = FSyncing;
    FSyncing = true;
    if (Row >= 0)
        FDBGrid1->selectionModel()->setCurrentIndex(FTable->index(Row, Column("任务名称")),
                                                    QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    else
        FDBGrid1->selectionModel()->clear();
    FSyncing = WasSyncing;
    CurrentRowChanged();
}

void TTaskPages::CurrentRowChanged() {
    LoadPickers();
    UpdateReadOnly();
}

int TTaskPages::RowOfID(const QVariant &ID) {
    if (!FTable || ID.isNull())
        return -1;
    const int IDColumn = Column("ID");
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

void TTaskPages::UpdateReadOnly() {
    const bool ReadOnly = CurrentRow() < 0;
    FDBEdit1->setReadOnly(ReadOnly);
    FRzDBMemo1->setReadOnly(ReadOnly);
    FRzDBEdit2->setReadOnly(ReadOnly);
    FRzDBRadioGroup1->SetReadOnly(ReadOnly);
    FRzDBRadioGroup2->SetReadOnly(ReadOnly);
}

void TTaskPages::LoadPickers() {
    const int Row = CurrentRow();
    if (Row < 0 || FState == TState::Insert) {
        SetPickersToNow();
        return;
    }
    const double Date = FTable->data(FTable->index(Row, Column("开始日期"))).toDouble();
    const double Time = FTable->data(FTable->index(Row, Column("开始时间"))).toDouble();
    FLoadingPickers = true;
    // A stored date out of range shows today, as a new row does; storing the row mends it.
    const QDate StoredDate = OleDate::ToDate(Date);
    FRzDateTimePicker1->setDate(StoredDate.isValid() ? StoredDate : FClock->Now().date());
    FRzDateTimePicker2->setTime(OleDate::ToTime(Time));
    FLoadingPickers = false;
}

void TTaskPages::SetPickersToNow() {
    const QDateTime Now = FClock->Now();
    FLoadingPickers = true;
    FRzDateTimePicker1->setDate(Now.date());
    FRzDateTimePicker2->setTime(QTime::fromMSecsSinceStartOfDay(
        Now.time().msecsSinceStartOfDay() / 1000 * 1000)); // to the whole second
    FLoadingPickers = false;
}

void TTaskPages::PickerEdited() {
    if (!FLoadingPickers)
        Edit();
}

void TTaskPages::Edit() {
    if (FState == TState::Browse && CurrentRow() >= 0)
        FState = TState::Edit;
}

void TTaskPages::GridRowSelected(int Row) {
    if (FSyncing || !FTable || Row == CurrentRow() || Row < 0)
        return;
    // Moving to another row stores the row being edited first, as the toolbar's moves do.
    const QVariant ID = FTable->data(FTable->index(Row, Column("ID")));
    try {
        CheckBrowseMode();
    } catch (...) {
        FSyncing = true;
        FDBGrid1->selectionModel()->setCurrentIndex(FTable->index(CurrentRow(), Column("任务名称")),
                                                    QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
        FSyncing = false;
        throw;
    }
    const int Target = RowOfID(ID);
    SetCurrentRow(Target >= 0 ? Target : Row);
}

void TTaskPages::CheckBrowseMode() {
    if (Editing())
        PostRecord();
}

void TTaskPages::PostRecord() {
    CheckActive();
    if (!Editing())
        return;
    const int Row = CurrentRow();
    FMapper->submit();
    FTable->setData(FTable->index(Row, Column("开始日期")),
                    OleDate::FromDate(FRzDateTimePicker1->date()));
    FTable->setData(FTable->index(Row, Column("开始时间")),
                    OleDate::FromTime(FRzDateTimePicker2->time()));
    QVariant ID = FTable->data(FTable->index(Row, Column("ID")));
    TModelChange Change(this);
    if (!FTable->submitAll()) {
        // The row stays in editing with everything the user entered.
        const QString Text = FTable->lastError().text();
        throw EError(Text.trimmed().isEmpty() ? QString("The task could not be stored.") : Text);
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

void TTaskPages::DiscardEdits() {
    if (FState != TState::Inactive)
        FState = TState::Browse;
    if (FTable) {
        TModelChange Change(this);
        FTable->revertAll();
    }
}

void TTaskPages::SelectTab(int Index) {
    // From code: neither the leave guard nor the tab-change handler runs. These moves between
    // the list and the editor have dealt with the row themselves (stored, discarded, or put into
    // editing on purpose) and set the pickers as they need them.
    FPageControl->setCurrentIndex(Index);
}

void TTaskPages::FirstExecute() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(0);
}

void TTaskPages::PriorExecute() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(std::max(0, CurrentRow() - 1));
}

void TTaskPages::NextExecute() {
    CheckActive();
    CheckBrowseMode();
    SetCurrentRow(CurrentRow() + 1);
}

void TTaskPages::LastExecute() {
    CheckActive();
    CheckBrowseMode();
    FetchAll();
    SetCurrentRow(FTable->rowCount() - 1);
}

void TTaskPages::AddTaskExecute() {
    SelectTab(EditorTab);
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
    FRzDBRadioGroup1->SetItemIndex(0);
    SetPickersToNow();
    FRzDateTimePicker1->setEnabled(false);
    FRzDBRadioGroup2->SetItemIndex(0);
    FRzDBEdit2->setEnabled(false);
    FButton1->setEnabled(false);
}

void TTaskPages::DelTaskExecute() {
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

void TTaskPages::EdtTaskExecute() {
    CheckActive();
    if (FState == TState::Browse && CurrentRow() >= 0) {
        Edit();
        LoadPickers();
    }
    SelectTab(EditorTab);
}

void TTaskPages::RefreshExecute() {
    if (!FTable) {
        if (!OnOpenTable)
            throw EError(ClosedTableText);
        QSqlTableModel *Table = OnOpenTable();
        if (!Table)
            throw EError(ClosedTableText);
        SetTable(Table);
        return;
    }
    DiscardEdits();
    SetActive(false);
    TModelChange Change(this);
    // Read the columns again too: a failed read leaves the model without them.
    FTable->setTable(FTable->tableName());
    if (!FTable->select()) {
        UpdateReadOnly();
        const QString Text = FTable->lastError().text();
        throw EError(Text.trimmed().isEmpty() ? QString("Cannot open table Task.") : Text);
    }
    SetActive(true);
    SetCurrentRow(0);
}

void TTaskPages::PostExecute() {
    if (Editing())
        PostRecord();
    SelectTab(ListTab);
}

void TTaskPages::CancelExecute() {
    if (Editing()) {
        const bool Inserting = FState == TState::Insert;
        const int Row = Inserting ? FRowBeforeInsert : CurrentRow();
        DiscardEdits();
        SetCurrentRow(Row);
    }
    SelectTab(ListTab);
}

void TTaskPages::Button1Click() {
    // Whatever goes wrong here is dropped without a message.
    try {
        if (CurrentRow() < 0)
            return;
        const QString FileName = Dialogs::OpenFileName(QString(), QString());
        if (FileName.isEmpty())
            return;
        FRzDBEdit2->setText(FileName.left(TextSize));
        Edit();
    } catch (...) {
    }
}

bool TTaskPages::PageControl1Changing() {
    if (!Editing())
        return true;
    if (!Dialogs::Question("数据未保存，是否继续?", Dialogs::AppTitle()))
        return false;
    try {
        PostExecute();
    } catch (const EError &E) {
        // Not stored: the user stays with the row still in editing.
        Dialogs::ShowError(E.Text());
        return false;
    }
    return true;
}

void TTaskPages::EditorTabSelected() {
    // The pickers hold the row's own date and time, or what the user is entering; only an empty
    // table starts them at the current moment.
    if (Editing())
        return;
    if (CurrentRow() < 0)
        SetPickersToNow();
    else
        LoadPickers();
}

void TTaskPages::RzDBRadioGroup1Change() {
    FRzDateTimePicker1->setEnabled(FRzDBRadioGroup1->ItemIndex() != 0);
}

void TTaskPages::RzDBRadioGroup2Change() {
    switch (FRzDBRadioGroup2->ItemIndex()) {
    case 0:
        FRzDBMemo1->setEnabled(true);
        FRzDBEdit2->setEnabled(false);
        FButton1->setEnabled(false);
        break;
    case 1:
        FRzDBMemo1->setEnabled(false);
        FRzDBEdit2->setEnabled(true);
        FButton1->setEnabled(true);
        break;
    case 2:
        FRzDBMemo1->setEnabled(false);
        FRzDBEdit2->setEnabled(false);
        FButton1->setEnabled(false);
        break;
    default:
        break;
    }
}
