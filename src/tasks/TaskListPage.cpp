#include "TaskListPage.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSqlTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "OleDate.h"
#include "TaskDataSet.h"
#include "TaskKinds.h"
#include "dialogs/Dialogs.h"

namespace {

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

TTaskListPage::TTaskListPage(QWidget *Page, TTaskDataSet *DataSet, QObject *Parent)
    : QObject(Parent), FDataSet(DataSet) {
    setObjectName("TaskListPage");
    auto *PageLayout = new QVBoxLayout(Page);
    PageLayout->setContentsMargins(0, 0, 0, 0);
    auto *Panel1 = new QWidget(Page);
    Panel1->setObjectName("Panel1");
    PageLayout->addWidget(Panel1);
    auto *Layout = new QVBoxLayout(Panel1);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);

    FToolbar = new QToolBar(Panel1);
    FToolbar->setObjectName("RzToolbar1");
    FToolbar->setFixedHeight(29);
    FToolbar->setIconSize(QSize(16, 16));
    FToolbar->setStyleSheet("QToolBar#RzToolbar1 { border-top: 2px groove palette(mid); "
                            "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                            "stop:0 palette(light), stop:1 palette(button)); }");
    Layout->addWidget(FToolbar);

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

void TTaskListPage::SetModel(QSqlTableModel *Table) {
    FDBGrid1->setModel(Table);
    if (!Table) {
        UpdateScrollBars();
        return;
    }
    const auto Column = [Table](const char *Name) { return Table->fieldIndex(Name); };
    QHeaderView *Header = FDBGrid1->horizontalHeader();
    FDBGrid1->setColumnHidden(Column(TaskColumns::ID), true);
    // 执行方式 is shown after 任务类型, before 内容.
    Header->moveSection(Header->visualIndex(Column(TaskColumns::ExecType)),
                        Header->visualIndex(Column(TaskColumns::Msg)));
    FDBGrid1->setColumnWidth(Column(TaskColumns::Name), 51);
    FDBGrid1->setColumnWidth(Column(TaskColumns::StartDate), std::max(52, DateColumnWidth(false)));
    FDBGrid1->setColumnWidth(Column(TaskColumns::StartTime), std::max(50, DateColumnWidth(true)));
    FDBGrid1->setColumnWidth(Column(TaskColumns::ExecTarget), 55);
    FDBGrid1->setItemDelegateForColumn(Column(TaskColumns::StartDate),
                                       new TOleDelegate(false, FDBGrid1));
    FDBGrid1->setItemDelegateForColumn(Column(TaskColumns::StartTime),
                                       new TOleDelegate(true, FDBGrid1));
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
        QSqlTableModel *Current = FDataSet->Table();
        if (Current && Current->columnCount() > 0 && !FGridState.isEmpty())
            FDBGrid1->horizontalHeader()->restoreState(FGridState);
    });
    connect(FDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Dialogs::Guarded([this](const QModelIndex &Current, const QModelIndex &) {
                GridRowSelected(Current.row());
            }));
    UpdateScrollBars();
}

int TTaskListPage::DateColumnWidth(bool Time) const {
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

void TTaskListPage::UpdateScrollBars() {
    // An empty list has nothing to scroll sideways to.
    QSqlTableModel *Table = FDataSet->Table();
    FDBGrid1->setHorizontalScrollBarPolicy(Table && Table->rowCount() > 0 ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
}

void TTaskListPage::SelectRow(int Row) {
    const bool WasSyncing = FSyncing;
    FSyncing = true;
    if (Row >= 0)
        FDBGrid1->selectionModel()->setCurrentIndex(
            FDataSet->Table()->index(Row, FDataSet->Column(TaskColumns::Name)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        FDBGrid1->selectionModel()->clear();
    FSyncing = WasSyncing;
}

void TTaskListPage::ShowCurrentRow() {
    SelectRow(FDataSet->CurrentRow());
}

void TTaskListPage::GridRowSelected(int Row) {
    // While the model changes under the grid (rows stored, removed, read again), the grid's own
    // current-row signals are not the user's choice of a row.
    if (FSyncing || FDataSet->ChangingModel() || !FDataSet->Table())
        return;
    // Moving to another row stores the row being edited first, as the toolbar's moves do.
    try {
        FDataSet->MoveTo(Row);
    } catch (...) {
        SelectRow(FDataSet->CurrentRow());
        throw;
    }
}
