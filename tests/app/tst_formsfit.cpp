// Every window of the program at the fonts it really gets: no text is cut, no cell is elided,
// no control leaves its frame, and every label sits level with its field.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlTableModel>
#include <QStyleOptionGroupBox>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include "../tasks/TaskTestSupport.h"
#include "TestSupport.h"
#include "app/About.h"
#include "app/Help.h"
#include "app/LineLabel.h"
#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "dialogs/Dialogs.h"
#include "dialogs/InputBox.h"
#include "tasks/Pop.h"

namespace {

QString Name(const QWidget *W) {
    QStringList Path;
    for (const QWidget *P = W; P; P = P->parentWidget())
        Path.prepend(P->objectName().isEmpty() ? QString(P->metaObject()->className())
                                               : P->objectName());
    return Path.join('/');
}

QRect TextRect(const QWidget *W, const QString &Text, int Width = 0, int Flags = 0) {
    const QFontMetrics Fm(W->font());
    return Fm.boundingRect(QRect(0, 0, Width > 0 ? Width : 100000, 100000),
                           Qt::AlignLeft | Qt::AlignTop | Flags, Text);
}

bool IsField(const QWidget *W) {
    return qobject_cast<const QLineEdit *>(W) || qobject_cast<const QAbstractSpinBox *>(W) ||
           qobject_cast<const QPlainTextEdit *>(W);
}

// A label's field: its buddy, else the nearest field to its right on the same line.
QWidget *FieldOf(const QLabel *Label) {
    if (Label->buddy())
        return Label->buddy();
    QWidget *Best = nullptr;
    for (QWidget *S : Label->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!IsField(S) || !S->isVisibleTo(Label->parentWidget()))
            continue;
        const QRect F = S->geometry(), L = Label->geometry();
        if (F.left() < L.left() + TextRect(Label, Label->text()).width() - 1 ||
            F.top() > L.bottom() || F.bottom() < L.top())
            continue;
        if (!Best || F.left() < Best->x())
            Best = S;
    }
    return Best;
}

void CheckLabel(const QLabel *L, QStringList &Out) {
    QString Text = L->text();
    if (qobject_cast<const TLineLabel *>(L))
        Text = TLineLabel::DisplayText(Text);
    // Empty lines at the end draw nothing.
    while (Text.endsWith('\n') || Text.endsWith(' '))
        Text.chop(1);
    if (Text.isEmpty())
        return;
    const QRect Room =
        L->contentsRect().adjusted(L->margin(), L->margin(), -L->margin(), -L->margin());
    const QRect Need =
        TextRect(L, Text, L->wordWrap() ? Room.width() : 0, L->wordWrap() ? Qt::TextWordWrap : 0);
    if (Need.width() > Room.width() || Need.height() > Room.height())
        Out << QString("%1 \"%2\" needs %3x%4, has %5x%6")
                   .arg(Name(L), L->text().left(20))
                   .arg(Need.width())
                   .arg(Need.height())
                   .arg(Room.width())
                   .arg(Room.height());
    if (QWidget *F = FieldOf(L)) {
        const QRect Lr = L->geometry(), Fr = F->geometry();
        if (Fr.left() > Lr.left()) { // beside its field: level with it, and clear of it
            if (qAbs((Lr.top() + Lr.bottom()) - (Fr.top() + Fr.bottom())) > 2)
                Out << QString("%1 sits %2 px below the middle of %3")
                           .arg(Name(L))
                           .arg(((Lr.top() + Lr.bottom()) - (Fr.top() + Fr.bottom())) / 2.0)
                           .arg(F->objectName());
            if (Lr.left() + Need.width() > Fr.left())
                Out << QString("%1 runs into %2").arg(Name(L), F->objectName());
        }
    }
}

void CheckButton(const QAbstractButton *B, QStringList &Out) {
    const QString Text = QString(B->text()).remove('&');
    if (Text.isEmpty())
        return;
    QSize Need;
    if (qobject_cast<const QCheckBox *>(B) || qobject_cast<const QRadioButton *>(B)) {
        // Indicator, spacing and text side by side; the text's own height.
        Need = QSize(B->sizeHint().width(), TextRect(B, Text).height());
    } else {
        const int Margin = B->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, B);
        const QRect T = TextRect(B, Text);
        Need = QSize(T.width() + 2 * Margin, T.height());
        if (auto *Tool = qobject_cast<const QToolButton *>(B);
            Tool && Tool->toolButtonStyle() != Qt::ToolButtonTextOnly)
            return; // icon buttons show no text
    }
    if (Need.width() > B->width() || Need.height() > B->height())
        Out << QString("%1 \"%2\" needs %3x%4, has %5x%6")
                   .arg(Name(B), Text)
                   .arg(Need.width())
                   .arg(Need.height())
                   .arg(B->width())
                   .arg(B->height());
}

void CheckGroup(const QGroupBox *G, QStringList &Out) {
    QStyleOptionGroupBox Opt;
    Opt.initFrom(G);
    Opt.text = G->title();
    Opt.lineWidth = 1;
    Opt.textAlignment = G->alignment();
    Opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect Label =
        G->style()->subControlRect(QStyle::CC_GroupBox, &Opt, QStyle::SC_GroupBoxLabel, G);
    if (!G->rect().contains(Label))
        Out << QString("%1 title \"%2\" is cut").arg(Name(G), G->title());
    const QRect Frame =
        G->style()->subControlRect(QStyle::CC_GroupBox, &Opt, QStyle::SC_GroupBoxFrame, G);
    // Inside the frame: below the title's line and within the border.
    const QRect Inside = Frame.adjusted(1, 0, -1, -1)
                             .intersected(QRect(0, Label.bottom() + 1, G->width(), G->height()));
    for (QWidget *C : G->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (C->isVisibleTo(G) && !Inside.contains(C->geometry()))
            Out << QString("%1 leaves its frame %2: %3")
                       .arg(Name(C))
                       .arg(QDebug::toString(Inside), QDebug::toString(C->geometry()));
}

void CheckTabs(const QTabBar *Bar, QStringList &Out) {
    const int Space = Bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, Bar);
    for (int I = 0; I < Bar->count(); ++I) {
        const int Need = TextRect(Bar, Bar->tabText(I)).width() + Space / 2;
        if (Bar->tabRect(I).width() < Need || Bar->tabRect(I).right() >= Bar->width())
            Out << QString("%1 tab \"%2\" is cut").arg(Name(Bar), Bar->tabText(I));
    }
}

void CheckView(QTableView *View, QStringList &Out) {
    QAbstractItemModel *Model = View->model();
    if (!Model)
        return;
    QHeaderView *H = View->horizontalHeader();
    for (int C = 0; C < Model->columnCount(); ++C) {
        if (View->isColumnHidden(C))
            continue;
        QStyleOptionHeader Opt;
        Opt.initFrom(H);
        Opt.text = Model->headerData(C, Qt::Horizontal).toString();
        Opt.section = C;
        const QSize Need = H->style()->sizeFromContents(QStyle::CT_HeaderSection, &Opt, QSize(), H);
        if (Need.width() > H->sectionSize(C))
            Out << QString("%1 header \"%2\" needs %3, has %4")
                       .arg(Name(View), Opt.text)
                       .arg(Need.width())
                       .arg(H->sectionSize(C));
        const int Cells = static_cast<QAbstractItemView *>(View)->sizeHintForColumn(C);
        if (Cells > View->columnWidth(C))
            Out << QString("%1 cells of \"%2\" need %3, have %4")
                       .arg(Name(View), Opt.text)
                       .arg(Cells)
                       .arg(View->columnWidth(C));
    }
    // Rows may be wider than the list; an empty list has nothing to scroll to.
    if (Model->rowCount() == 0 && View->horizontalScrollBar()->isVisible())
        Out << QString("%1 scrolls sideways while empty").arg(Name(View));
}

// Everything shown in Root as it is now.
QStringList Misfits(QWidget *Root) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList Out;
    QList<QWidget *> All = Root->findChildren<QWidget *>();
    All.prepend(Root);
    for (QWidget *W : All) {
        if (!W->isVisible())
            continue;
        if (auto *L = qobject_cast<QLabel *>(W))
            CheckLabel(L, Out);
        else if (auto *B = qobject_cast<QAbstractButton *>(W))
            CheckButton(B, Out);
        else if (auto *G = qobject_cast<QGroupBox *>(W))
            CheckGroup(G, Out);
        else if (auto *T = qobject_cast<QTabBar *>(W))
            CheckTabs(T, Out);
        else if (auto *V = qobject_cast<QTableView *>(W))
            CheckView(V, Out);
        if (auto *G = qobject_cast<QGroupBox *>(W); G && W != Root)
            CheckGroup(G, Out);
    }
    // Fields in a column: labels that start at the same place on different lines have their
    // fields start at the same place too.
    for (QLabel *A : Root->findChildren<QLabel *>())
        for (QLabel *B : Root->findChildren<QLabel *>()) {
            if (A == B || !A->isVisible() || !B->isVisible() ||
                A->parentWidget() != B->parentWidget() || A->x() != B->x() || A->y() >= B->y())
                continue;
            QWidget *Fa = FieldOf(A), *Fb = FieldOf(B);
            if (Fa && Fb && Fa->x() > A->x() && Fb->x() > B->x() && Fa->x() != Fb->x())
                Out << QString("%1 starts %2 px from %3 below it")
                           .arg(Name(Fa))
                           .arg(Fa->x() - Fb->x())
                           .arg(Fb->objectName());
        }
    Out.removeDuplicates();
    return Out;
}

// The messages of a failure are cut short: each misfit goes to the log on a line of its own.
QString Report(const QStringList &Misfits) {
    for (const QString &Misfit : Misfits)
        qWarning("%s", qPrintable(Misfit));
    return QString(" %1 misfits, listed above").arg(Misfits.size());
}

} // namespace

class tst_FormsFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The fonts the forms ask for are not on the machine: say which ones stand in.
        const QFont Asked("Tahoma", 8);
        qInfo("platform %s, \"Tahoma\" 8 pt is drawn with %s at %d px",
              qPrintable(QGuiApplication::platformName()), qPrintable(QFontInfo(Asked).family()),
              QFontInfo(Asked).pixelSize());
    }

    void MainWindowWithEveryTab() {
        TTestConfig Cfg(true);
        TFakePlatform Fake;
        Dialogs::TDialogScript Script;
        {
            TTaskTable Rows(Cfg.Dir() + "DB.mdb");
            // The widest dates of the year and times of the day, short names and texts.
            Rows.Insert("开会", QDate(2026, 12, 28), QTime(23, 59, 58), "指定日期", "定时提醒",
                        "带上报告");
            Rows.Insert("备份", QDate(2026, 9, 30), QTime(15, 29, 0), "每星期", "定时执行", "",
                        "/bin/ls");
        }
        TFrm_Main Main(Fake.Platform());
        Main.FormCreate();
        Main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Main));
        TPageControl *Pages = Main.PageControl1();
        QStringList Found;
        for (int I = 0; I < Pages->count(); ++I) {
            Pages->setCurrentIndex(I);
            for (const QString &Misfit : Misfits(&Main))
                Found << Pages->tabText(I) + ": " + Misfit;
        }
        // The empty list has nothing to scroll to.
        Main.Action("DelTask")->trigger();
        Main.Action("DelTask")->trigger();
        QCOMPARE(Main.ADOTable1()->rowCount(), 0);
        Pages->setCurrentIndex(TaskListTab);
        for (const QString &Misfit : Misfits(&Main))
            Found << "empty list: " + Misfit;
        Found.removeDuplicates();
        QVERIFY2(Found.isEmpty(), qPrintable(Report(Found)));
    }

    void AboutHelpAndInputBox() {
        TTestConfig Cfg(true);
        TFrm_About About(nullptr);
        TFrm_Help Help;
        TInputBox Input("请输入网址", "主页地址", QString());
        for (QWidget *W : {static_cast<QWidget *>(&About), static_cast<QWidget *>(&Help),
                           static_cast<QWidget *>(&Input)}) {
            W->show();
            QVERIFY(QTest::qWaitForWindowExposed(W));
            const QStringList Found = Misfits(W);
            QVERIFY2(Found.isEmpty(), qPrintable(W->objectName() + Report(Found)));
            W->hide();
        }
    }

    void ReminderWindow() {
        TTestConfig Cfg(true);
        TFrm_Pop Pop;
        Pop.SetTaskName("整理本周的会议记录");
        Pop.SetStartDate(OleDate::FromDate(QDate(2026, 12, 28)));
        Pop.SetStartTime(OleDate::FromTime(QTime(23, 59, 58)));
        Pop.SetTaskMsg("带上报告");
        Pop.SetExecTarget("/bin/ls");
        Pop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Pop));
        const QStringList Found = Misfits(&Pop);
        QVERIFY2(Found.isEmpty(), qPrintable("Frm_Pop" + Report(Found)));
    }
};

QTEST_MAIN(tst_FormsFit)
#include "tst_formsfit.moc"
