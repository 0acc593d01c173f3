#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QtTest>

#include "TestSupport.h"
#include "app/Main.h"
#include "app/MainTabs.h"
#include "app/PageControl.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"

class tst_MainFrame : public QObject {
    Q_OBJECT
private slots:
    void FrameAndTabs();
    void ActionsAndImages();
    void TrayMenuInOrder();
    void CloseOnlyHides();
    void ShowAndHideFromTheMenu();
    void ALaterStartBringsTheWindowWhereNoTrayReachesIt_data();
    void ALaterStartBringsTheWindowWhereNoTrayReachesIt();
    void FormCreateOpensTheTaskTable();
    void DeferredPagesAreBuiltBeforeTheWindowIsSeen();
    void DatabaseFailuresCarryTheDatabaseText_data();
    void DatabaseFailuresCarryTheDatabaseText();
};

namespace {

// The menu as text: entries by caption, "-" for separators, submenus indented.
void Flatten(const QMenu *Menu, QStringList &Out, const QString &Indent = QString()) {
    for (QAction *A : Menu->actions()) {
        if (A->isSeparator())
            Out << Indent + "-";
        else {
            Out << Indent + A->text();
            if (A->menu())
                Flatten(A->menu(), Out, Indent + "  ");
        }
    }
}

} // namespace

void tst_MainFrame::FrameAndTabs() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    QCOMPARE(M.windowTitle(), QString("晴川助手(简易版)"));
    QCOMPARE(M.minimumSize(), M.maximumSize()); // the user cannot resize it
    QVERIFY(!(M.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(M.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(M.windowFlags() & Qt::WindowCloseButtonHint);
    TPageControl *Pages = M.PageControl1();
    QStringList Captions;
    for (int I = 0; I < Pages->count(); ++I)
        Captions << Pages->tabText(I);
    QCOMPARE(Captions, QStringList({"常用功能", "任务列表", "任务信息", "系统设置", "文件加密"}));
    QCOMPARE(Pages->currentIndex(), CommonTab);
    QCOMPARE(M.findChild<QWidget *>("Label6")->property("text").toString(),
             QString("CPU使用率:   0.0"));
    QVERIFY(M.findChild<QWidget *>("ProgressBar1"));
    QVERIFY(M.findChild<QWidget *>("QQ"));
}

void tst_MainFrame::ActionsAndImages() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    // A command runs as soon as its feature is there; the task commands wait for the task pages
    // of a window whose pages are built, and show their glyphs.
    for (const char *Name : {"actShowMainForm", "HideIE", "actSubArea", "actChat", "actLogin"})
        QVERIFY2(M.Action(Name)->isEnabled(), Name);
    QAction *Add = M.Action("AddTask");
    QCOMPARE(Add->toolTip(), QString("添加任务"));
    QCOMPARE(Add->icon().pixmap(16, 16).toImage(), M.ImageList1().at(0).pixmap(16, 16).toImage());
    QCOMPARE(M.ImageList1().size(), 40);
    // The images are drawn when first asked for: a glyph at its own 16 pixels, never enlarged,
    // its greyed twin and its disabled look unlike it; the program's icon at the size asked.
    const QIcon Glyph = M.ImageList1().at(0);
    const QImage AddImage = Glyph.pixmap(16, 16).toImage();
    QCOMPARE(Glyph.pixmap(32, 32).size(), QSize(16, 16));
    QCOMPARE(Glyph.pixmap(8, 8).size(), QSize(8, 8));
    QVERIFY(AddImage != QImage(16, 16, AddImage.format()));
    QVERIFY(M.ImageList1().at(1).pixmap(16, 16).toImage() != AddImage);
    QVERIFY(Glyph.pixmap(16, 16, QIcon::Disabled).toImage() != AddImage);
    for (int Side : {16, 22, 48}) {
        const QImage Icon = M.TrayIcon1()->icon().pixmap(Side, Side).toImage();
        QCOMPARE(Icon.size(), QSize(Side, Side));
        QVERIFY(Icon.pixelColor(Side / 2, Side / 4).alpha() == 255); // the sky, opaque
    }
    int Portal = 0;
    for (QAction *A : M.findChildren<QAction *>())
        Portal += A->property("Category").toString() == "QSJH" && A->objectName() != "actLogin";
    QCOMPARE(Portal, 6);
    // The buttons of the first tab take caption and handler from their actions.
    auto *Button = M.findChild<QToolButton *>("btnSubArea");
    QCOMPARE(Button->defaultAction(), M.Action("actSubArea"));
    QCOMPARE(Button->text(), QString("截取区域"));
}

void tst_MainFrame::TrayMenuInOrder() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    QCOMPARE(M.TrayIcon1()->contextMenu(), M.PopupMenu1());
    QCOMPARE(M.TrayIcon1()->toolTip(), Dialogs::AppTitle());
    QVERIFY(M.TrayIcon1()->isVisible());
    QStringList Menu;
    Flatten(M.PopupMenu1(), Menu);
    const QStringList Expected = {
        "显示主窗体", "隐藏主窗体", "-",          "常用功能",     "  隐藏/显示IE",
        "  更改主页", "  -",        "  任务列表", "  任务信息",   "  -",
        "  截取区域", "  悬停截图", "  拖动截图", "  -",          "  注册表",
        "  组策略",   "  闯荡江湖", "  -",        "  QQ强制聊天", "  文件夹加密",
        "  -",        "  系统设置", "网络游戏",   "  闯荡江湖",   "  -"};
    QCOMPARE(Menu.mid(0, Expected.size()), Expected);
    // Six portal sections, then the small games, help, about and exit.
    const QStringList Tail = Menu.mid(Expected.size() + 6);
    QCOMPARE(Tail.size(), 12);
    QCOMPARE(Tail.at(0), QString("小游戏"));
    QCOMPARE(Tail.at(6), QString("  更多小游戏"));
    QCOMPARE(Tail.mid(7), QStringList({"-", "帮助", "关于", "-", "退出程序"}));
}

void tst_MainFrame::CloseOnlyHides() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    M.show();
    QVERIFY(!M.close());
    QVERIFY(!M.isVisible());
}

void tst_MainFrame::ShowAndHideFromTheMenu() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    M.Action("actShowMainForm")->trigger();
    QVERIFY(M.isVisible());
    M.Action("actHideMainForm")->trigger();
    QVERIFY(!M.isVisible());
    // A double click on the icon shows the window too.
    emit M.TrayIcon1()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(M.isVisible());
}

void tst_MainFrame::ALaterStartBringsTheWindowWhereNoTrayReachesIt_data() {
    QTest::addColumn<bool>("Tray");
    QTest::addColumn<bool>("Minimised");
    QTest::addColumn<bool>("Shown");
    // With an icon to reach it by, a hidden program stays in the notification area.
    QTest::newRow("tray, hidden") << true << false << false;
    QTest::newRow("tray, minimised") << true << true << true;
    // Without one, a later start is the only way back: the window comes, hidden or minimised.
    QTest::newRow("no tray, hidden") << false << false << true;
    QTest::newRow("no tray, minimised") << false << true << true;
}

void tst_MainFrame::ALaterStartBringsTheWindowWhereNoTrayReachesIt() {
    QFETCH(bool, Tray);
    QFETCH(bool, Minimised);
    QFETCH(bool, Shown);
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    M.SetTrayAvailable([Tray] { return Tray; });
    if (Minimised) {
        M.show();
        M.setWindowState(Qt::WindowMinimized);
        QVERIFY(M.isMinimized());
    }
    M.InstanceMessage();
    QCOMPARE(M.isVisible() && !M.isMinimized(), Shown);
}

void tst_MainFrame::FormCreateOpensTheTaskTable() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    M.show();
    M.FormCreate();
    QVERIFY(!M.isVisible());
    QVERIFY(M.Gen());
    QSqlTableModel *Table = M.ADOTable1();
    QVERIFY(Table);
    QStringList Columns;
    for (int I = 0; I < Table->record().count(); ++I)
        Columns << Table->record().fieldName(I);
    QCOMPARE(Columns, QStringList({"ID", "任务名称", "开始日期", "开始时间", "任务类型", "内容",
                                   "执行目标", "执行方式"}));
}

void tst_MainFrame::DeferredPagesAreBuiltBeforeTheWindowIsSeen() {
    TTestConfig T(true);
    TFakePlatform P;
    TFrm_Main M(P.Platform(), nullptr, true);
    QVERIFY(!M.PageControl1());
    QVERIFY(M.TrayIcon1()->isVisible());
    // What the window learns before its pages exist is not lost.
    M.FormCreate();
    M.CpuMonitorMonitor(12.34);
    M.Action("actShowMainForm")->trigger();
    QVERIFY(M.isVisible());
    QVERIFY(M.PageControl1());
    QCOMPARE(M.findChild<QLabel *>("Label6")->text(), QString("CPU使用率:12.3%"));
    QCOMPARE(M.PageControl1()->count(), 5);
}

void tst_MainFrame::DatabaseFailuresCarryTheDatabaseText_data() {
    QTest::addColumn<QByteArray>("Ini");
    QTest::addColumn<QByteArray>("Db"); // empty: no file
    QTest::addColumn<QString>("Text");
    const QByteArray Conn = "[DB]\nConnStr=Provider=SQLite;Data Source=DB.mdb\n";
    QTest::newRow("missing") << Conn << QByteArray() << "Could not find file '%1DB.mdb'.";
    QTest::newRow("not a database") << Conn << QByteArray(4096, 'x') << "file is not a database";
    QTest::newRow("no connection string") << QByteArray() << QByteArray() << "connection string";
}

void tst_MainFrame::DatabaseFailuresCarryTheDatabaseText() {
    QFETCH(QByteArray, Ini);
    QFETCH(QByteArray, Db);
    QFETCH(QString, Text);
    TTestConfig T;
    T.WriteIni(Ini);
    if (!Db.isEmpty()) {
        QFile F(T.Dir() + "DB.mdb");
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write(Db);
    }
    TFakePlatform P;
    TFrm_Main M(P.Platform());
    try {
        M.FormCreate();
        QFAIL("opening must fail");
    } catch (const EError &E) {
        if (Text.contains("%1"))
            Text = Text.arg(T.Dir());
        QVERIFY2(E.Text().contains(Text), qPrintable(E.Text()));
    }
    // The steps before the database ran; the database file was not created.
    QVERIFY(M.Gen());
    QVERIFY(!M.ADOTable1());
    QCOMPARE(QFile::exists(T.Dir() + "DB.mdb"), !Db.isEmpty());
}

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
