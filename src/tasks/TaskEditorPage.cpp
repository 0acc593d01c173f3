#include "TaskEditorPage.h"

#include <QCoreApplication>
#include <QDataWidgetMapper>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlTableModel>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "DBRadioGroup.h"
#include "OleDate.h"
#include "TaskDataSet.h"
#include "TaskKinds.h"
#include "dialogs/Dialogs.h"

namespace {

// The column sizes of table Task: longer input is refused by the editor, not by the database.
constexpr int NameSize = 50;
constexpr int TextSize = 255;

} // namespace

TTaskEditorPage::TTaskEditorPage(QWidget *Page, TTaskDataSet *DataSet,
                                 std::shared_ptr<const TClock> Clock, QObject *Parent)
    : QObject(Parent), FDataSet(DataSet),
      FClock(Clock ? std::move(Clock) : std::make_shared<TSystemClock>()),
      FMapper(new QDataWidgetMapper(this)) {
    setObjectName("TaskEditorPage");
    FMapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    auto *PageLayout = new QVBoxLayout(Page);
    PageLayout->setContentsMargins(0, 0, 0, 0);
    auto *Panel2 = new QWidget(Page);
    FPanel = Panel2;
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

    FRzDBRadioGroup1 = new TDBRadioGroup("执行方式", TaskKinds::ExecTypes(), 5, Panel2);
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

    FRzDBRadioGroup2 = new TDBRadioGroup("任务类型", TaskKinds::TaskTypes(), 3, Panel2);
    FRzDBRadioGroup2->setObjectName("RzDBRadioGroup2");
    FRzDBRadioGroup2->setGeometry(3, 122, 358, 42);

    AddLabel(Panel2, "Label4", "提醒内容", 3, 170);
    FRzDBMemo1 = new QPlainTextEdit(Panel2);
    FRzDBMemo1->setObjectName("RzDBMemo1");
    FRzDBMemo1->setGeometry(3, 185, 358, 43);
    // Tab leads on to the target and the buttons: a reminder's text has no use for a tab
    // character, and a keyboard user would be caught in the memo.
    FRzDBMemo1->setTabChangesFocus(true);

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
                if (FDataSet->CurrentRow() >= 0 &&
                    Text != FDataSet->Value(TaskColumns::Msg).toString())
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

void TTaskEditorPage::SetModel(QSqlTableModel *Table) {
    FMapper->setModel(Table);
    if (!Table)
        return;
    FMapper->clearMapping();
    FMapper->addMapping(FDBEdit1, Table->fieldIndex(TaskColumns::Name));
    FMapper->addMapping(FRzDBRadioGroup1, Table->fieldIndex(TaskColumns::ExecType), "Value");
    FMapper->addMapping(FRzDBRadioGroup2, Table->fieldIndex(TaskColumns::TaskType), "Value");
    FMapper->addMapping(FRzDBMemo1, Table->fieldIndex(TaskColumns::Msg), "plainText");
    FMapper->addMapping(FRzDBEdit2, Table->fieldIndex(TaskColumns::ExecTarget));
    // The mapper's delegate takes Tab in a bound control as "next field" whatever the modifiers,
    // so Ctrl+Tab would never reach the tabs from there: it is handed to them first.
    for (QWidget *Bound :
         {static_cast<QWidget *>(FDBEdit1), static_cast<QWidget *>(FRzDBRadioGroup1),
          static_cast<QWidget *>(FRzDBRadioGroup2), static_cast<QWidget *>(FRzDBMemo1),
          static_cast<QWidget *>(FRzDBEdit2)})
        Bound->installEventFilter(this);
}

bool TTaskEditorPage::eventFilter(QObject *Watched, QEvent *Event) {
    if (Event->type() == QEvent::KeyPress) {
        auto *Key = static_cast<QKeyEvent *>(Event);
        if ((Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) &&
            (Key->modifiers() & Qt::ControlModifier)) {
            for (QWidget *W = FPanel->parentWidget(); W; W = W->parentWidget())
                if (auto *Tabs = qobject_cast<QTabWidget *>(W)) {
                    QCoreApplication::sendEvent(Tabs, Event);
                    return true;
                }
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void TTaskEditorPage::ShowCurrentRow() {
    const int Row = FDataSet->CurrentRow();
    if (Row >= 0) {
        FMapper->setCurrentIndex(Row);
        FMapper->revert();
    } else {
        // No row: the editor shows nothing and takes no input.
        FDBEdit1->clear();
        FRzDBRadioGroup1->SetValue({});
        FRzDBRadioGroup2->SetValue({});
        FRzDBMemo1->clear();
        FRzDBEdit2->clear();
    }
}

void TTaskEditorPage::SetActive(bool Value) {
    // A bound choice group is usable exactly while the table is open; the controls inside the
    // recurrence group follow it, keeping a state of their own set while it was disabled.
    FRzDBRadioGroup1->setEnabled(Value);
    FRzDBRadioGroup2->setEnabled(Value);
}

void TTaskEditorPage::WriteRow(int Row) {
    QSqlTableModel *Table = FDataSet->Table();
    FMapper->submit();
    Table->setData(Table->index(Row, FDataSet->Column(TaskColumns::StartDate)),
                   OleDate::FromDate(FRzDateTimePicker1->date()));
    Table->setData(Table->index(Row, FDataSet->Column(TaskColumns::StartTime)),
                   OleDate::FromTime(FRzDateTimePicker2->time()));
}

void TTaskEditorPage::StartNewRow() {
    FRzDBRadioGroup1->SetItemIndex(0);
    SetPickersToNow();
    FRzDateTimePicker1->setEnabled(false);
    FRzDBRadioGroup2->SetItemIndex(0);
    FRzDBEdit2->setEnabled(false);
    FButton1->setEnabled(false);
    // The user types the name first; the toolbar button that started the row is out of sight.
    FDBEdit1->setFocus(Qt::OtherFocusReason);
}

void TTaskEditorPage::UpdateReadOnly() {
    const bool ReadOnly = FDataSet->CurrentRow() < 0;
    FDBEdit1->setReadOnly(ReadOnly);
    FRzDBMemo1->setReadOnly(ReadOnly);
    FRzDBEdit2->setReadOnly(ReadOnly);
    FRzDBRadioGroup1->SetReadOnly(ReadOnly);
    FRzDBRadioGroup2->SetReadOnly(ReadOnly);
}

void TTaskEditorPage::LoadPickers() {
    if (FDataSet->CurrentRow() < 0 || FDataSet->State() == TTaskDataSet::TState::Insert) {
        SetPickersToNow();
        return;
    }
    const double Date = FDataSet->Value(TaskColumns::StartDate).toDouble();
    const double Time = FDataSet->Value(TaskColumns::StartTime).toDouble();
    FLoadingPickers = true;
    // A stored date out of range shows today, as a new row does; storing the row mends it.
    const QDate StoredDate = OleDate::ToDate(Date);
    FRzDateTimePicker1->setDate(StoredDate.isValid() ? StoredDate : FClock->Now().date());
    FRzDateTimePicker2->setTime(OleDate::ToTime(Time));
    FLoadingPickers = false;
}

void TTaskEditorPage::SetPickersToNow() {
    const QDateTime Now = FClock->Now();
    FLoadingPickers = true;
    FRzDateTimePicker1->setDate(Now.date());
    FRzDateTimePicker2->setTime(QTime::fromMSecsSinceStartOfDay(
        Now.time().msecsSinceStartOfDay() / 1000 * 1000)); // to the whole second
    FLoadingPickers = false;
}

void TTaskEditorPage::Edit() {
    FDataSet->Edit();
}

void TTaskEditorPage::PickerEdited() {
    if (!FLoadingPickers)
        Edit();
}

void TTaskEditorPage::Button1Click() {
    // Whatever goes wrong here is dropped without a message.
    try {
        if (FDataSet->CurrentRow() < 0)
            return;
        const QString FileName = Dialogs::OpenFileName(QString(), QString());
        if (FileName.isEmpty())
            return;
        // A path the column cannot hold is refused with a word, never cut: a cut path names
        // another file, or none.
        if (FileName.size() > TextSize) {
            Dialogs::ShowWarning(
                QString("所选文件的路径有%1个字符，执行目标最多%2个字符，"
                        "未填入。请选择路径较短的文件，或为它建一个路径较短的链接。")
                    .arg(FileName.size())
                    .arg(TextSize));
            return;
        }
        FRzDBEdit2->setText(FileName);
        Edit();
    } catch (...) {
    }
}

void TTaskEditorPage::RzDBRadioGroup1Change() {
    FRzDateTimePicker1->setEnabled(FRzDBRadioGroup1->ItemIndex() != 0);
}

void TTaskEditorPage::RzDBRadioGroup2Change() {
    // What a task of each kind needs: a text to show, or a target to open.
    const int Kind = FRzDBRadioGroup2->ItemIndex();
    if (Kind < 0)
        return;
    const QString Type = TaskKinds::TaskTypes().value(Kind);
    FRzDBMemo1->setEnabled(Type == TaskKinds::Remind);
    FRzDBEdit2->setEnabled(Type == TaskKinds::Execute);
    FButton1->setEnabled(Type == TaskKinds::Execute);
}
