#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSqlTableModel>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "About.h"
#include "AppWindows.h"
#include "BringToFront.h"
#include "Help.h"
#include "Images.h"
#include "PageControl.h"
#include "Portal.h"
#include "TaskRemind.h"
#include "Web.h"
#include "WebView.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "hotkeys/SettingsPage.h"
#include "hotkeys/VozedaRiru.h"
#include "tasks/Pop.h"
#include "tasks/TaskManager.h"
#include "tasks/TaskPages.h"
#include "tools/Chat.h"
#include "tools/CpuMonitor.h"
#include "tools/EncryptPage.h"
#include "tools/IECtrl.h"
#include "tools/Runner.h"
#include "tools/ScreenShot.h"

TFrm_Main::TFrm_Main(platform::TPlatform Platform, QWidget *Parent, bool DeferControls)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FPlatform(std::move(Platform)), FClock(std::make_shared<TSystemClock>()),
      FTaskTable(std::make_unique<TTaskConnection>("ADOConnection1")) {
    setObjectName("Frm_Main");
    setWindowTitle("晴川助手(简易版)");
    setWindowIcon(ProgramIcon());
    setFont(QFont("Tahoma", 8));
    setFixedSize(372, 373);

    FImageList1 = CreateImageList();
    CreateActions();

    // The top strip carries the portal's advertisement over a thin panel.
    Fpnl1 = new QWidget(this);
    Fpnl1->setObjectName("pnl1");
    Fpnl1->setGeometry(0, 0, 372, 56);
    auto *pnl2 = new QWidget(Fpnl1);
    pnl2->setObjectName("pnl2");
    pnl2->setAutoFillBackground(true);
    pnl2->setGeometry(0, 52, 372, 4);

    CreatePopupMenu();
    BindPortalEntries();
    FTrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
    FTrayIcon1->setObjectName("TrayIcon1");
    FTrayIcon1->setToolTip(Dialogs::AppTitle());
    FTrayIcon1->setContextMenu(FPopupMenu1);
    connect(FTrayIcon1, &QSystemTrayIcon::activated, this,
            Dialogs::Guarded([this](QSystemTrayIcon::ActivationReason Reason) {
                if (Reason == QSystemTrayIcon::DoubleClick)
                    actShowMainFormExecute();
            }));
    FTrayIcon1->show();
    if (!DeferControls)
        EnsureControls();
}

void TFrm_Main::EnsureControls() {
    if (FPageControl1)
        return;
    FPageControl1 = new TPageControl(this);
    FPageControl1->setObjectName("PageControl1");
    FPageControl1->setGeometry(0, 56, 372, 317);
    const struct {
        const char *Name;
        const char *Caption;
    } Tabs[] = {{"TabSheet1", "常用功能"},
                {"TabSheet2", "任务列表"},
                {"TabSheet3", "任务信息"},
                {"TabSheet4", "系统设置"},
                {"ts1", "文件加密"}};
    for (const auto &Tab : Tabs) {
        auto *Page = new QWidget;
        Page->setObjectName(Tab.Name);
        FPageControl1->addTab(Page, Tab.Caption);
    }
    CreateCommonPage(FPageControl1->widget(0));
    FEncryptPage =
        new TEncryptPage(FPageControl1->widget(4), FPlatform.Shell, Action("actEncrypt"));
    FTaskPages = new TTaskPages(
        FPageControl1->widget(TaskListTab), FPageControl1->widget(TaskEditorTab),
        [this](const QString &Name) { return Action(Name); }, FClock, this);
    FTaskPages->OnShowPage = [this](TTaskPages::TPage Page) {
        FPageControl1->setCurrentIndex(Page == TTaskPages::TPage::List ? TaskListTab
                                                                       : TaskEditorTab);
    };
    // "刷新" after the database failed at start opens it now, with the connection string of
    // this moment.
    FTaskPages->OnOpenTable = [this] {
        if (!ADOTable1())
            OpenTable();
        return ADOTable1();
    };
    FPageControl1->OnChanging = [this] { return FTaskPages->PageControl1Changing(); };
    FSettingsPage = new TSettingsPage(
        FPageControl1->widget(3), [this] { return FGen.get(); }, [this] { close(); });
    FPageControl1->setCurrentIndex(0);
    FPageControl1->OnChange = [this] { PageControl1Change(); };
    // What arrived before the pages existed.
    if (ADOTable1())
        FTaskPages->SetTable(ADOTable1());
    if (FHasUsage)
        CpuMonitorMonitor(FLastUsage);
}

void TFrm_Main::setVisible(bool Visible) {
    // The pages are built before the window is first seen, however it is shown.
    if (Visible)
        EnsureControls();
    QWidget::setVisible(Visible);
}

TFrm_Main::~TFrm_Main() {
    // The dispatcher lets go of its hotkeys and timers before the window's children go.
    FGen.reset();
    FTaskTable.reset();
}

QAction *TFrm_Main::AddAction(const QString &Name, const QString &Category, const QString &Caption,
                              const QString &Hint, int ImageIndex) {
    auto *A = new QAction(Caption, this);
    A->setObjectName(Name);
    A->setProperty("Category", Category);
    if (!Hint.isEmpty()) {
        A->setToolTip(Hint);
        A->setStatusTip(Hint);
    }
    if (ImageIndex >= 0)
        A->setIcon(FImageList1.value(ImageIndex));
    // A command whose feature is not part of the program yet stays visible but disabled.
    A->setEnabled(false);
    FActions.insert(Name, A);
    return A;
}

void TFrm_Main::CreateActions() {
    AddAction("AddTask", "DB", "AddTask", "添加任务", 0);
    AddAction("DelTask", "DB", "DelTask", "删除任务", 2);
    AddAction("Post", "DB", "提交", "提交", 4);
    AddAction("Refresh", "DB", "Refresh", "刷新", 8);
    AddAction("Cancel", "DB", "取消", "取消更改", 6);
    AddAction("EdtTask", "DB", "EdtTask", "编辑任务", 22);
    AddAction("First", "DB", "First", "第一条", 10);
    AddAction("Last", "DB", "Last", "最后一条", 16);
    AddAction("Prior", "DB", "Prior", "前一条", 12);
    AddAction("Next", "DB", "Next", "后一条", 14);
    AddAction("HideIE", "IE", "隐藏IE");
    AddAction("ShowIE", "IE", "显示IE");
    AddAction("HideOrShowIE", "IE", "隐藏/显示IE");
    AddAction("ChangeMainPage", "IE", "更改主页");
    AddAction("actSubArea", "ScreenShot", "截取区域");
    AddAction("actCameraWindow", "ScreenShot", "悬停截图");
    AddAction("actCameraWindowLikeSpy", "ScreenShot", "拖动截图");
    AddAction("actReg", "Run", "注册表");
    AddAction("actGpedit", "Run", "组策略");
    AddAction("actChat", "Chat", "QQ强制聊天");
    AddAction("actEncrypt", "Encrypt", "文件夹加密");
    AddAction("actShowMainForm", "Sys", "显示主窗体");
    AddAction("actHideMainForm", "Sys", "隐藏主窗体");
    AddAction("actExit", "Sys", "退出程序");
    AddAction("actsysconfig", "Sys", "系统设置");
    AddAction("actAbout", "Sys", "关于");
    AddAction("actTaskList", "Task", "actTaskList");
    AddAction("actTaskInfo", "Task", "任务信息");
    AddAction("actLogin", "QSJH", "闯荡江湖");
    const char *Sections[] = {"江湖快讯", "门派总览", "武学秘籍", "英雄榜", "江湖论坛", "新手指南"};
    for (int I = 0; I < 6; ++I)
        AddAction(QString("actPortal%1").arg(I + 1), "QSJH", Sections[I]);

    const auto Bind = [this](const char *Name, void (TFrm_Main::*Handler)()) {
        QAction *A = Action(Name);
        A->setEnabled(true);
        connect(A, &QAction::triggered, this,
                Dialogs::Guarded([this, Handler] { (this->*Handler)(); }));
    };
    Bind("actShowMainForm", &TFrm_Main::actShowMainFormExecute);
    Bind("actHideMainForm", &TFrm_Main::actHideMainFormExecute);
    Bind("actExit", &TFrm_Main::actExitExecute);
    Bind("actChat", &TFrm_Main::actChatExecute);
    Bind("actReg", &TFrm_Main::actRegExecute);
    Bind("actGpedit", &TFrm_Main::actGpeditExecute);
    Bind("actEncrypt", &TFrm_Main::actEncryptExecute);
    Bind("HideIE", &TFrm_Main::HideIEExecute);
    Bind("ShowIE", &TFrm_Main::ShowIEExecute);
    Bind("HideOrShowIE", &TFrm_Main::HideOrShowIEExecute);
    Bind("ChangeMainPage", &TFrm_Main::ChangeMainPageExecute);
    Bind("actSubArea", &TFrm_Main::actSubAreaExecute);
    Bind("actCameraWindow", &TFrm_Main::actCameraWindowExecute);
    Bind("actCameraWindowLikeSpy", &TFrm_Main::actCameraWindowLikeSpyExecute);
    Bind("actTaskList", &TFrm_Main::actTaskListExecute);
    Bind("actTaskInfo", &TFrm_Main::actTaskInfoExecute);
    Bind("actsysconfig", &TFrm_Main::actsysconfigExecute);
}

QToolButton *TFrm_Main::ActionButton(QWidget *Parent, const QString &Name, QAction *A,
                                     const QRect &Geometry) {
    auto *Button = new QToolButton(Parent);
    Button->setObjectName(Name);
    Button->setDefaultAction(A);
    Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Button->setGeometry(Geometry);
    return Button;
}

void TFrm_Main::CreateCommonPage(QWidget *Page) {
    const auto Group = [Page](const char *Caption, const QRect &Geometry) {
        auto *G = new QGroupBox(Caption, Page);
        G->setGeometry(Geometry);
        return G;
    };
    QGroupBox *IE = Group("IE", QRect(3, 3, 257, 57));
    ActionButton(IE, "Button6", Action("HideIE"), QRect(8, 22, 75, 25));
    ActionButton(IE, "Button5", Action("ShowIE"), QRect(90, 22, 75, 25));
    ActionButton(IE, "btnChangeMainPage", Action("ChangeMainPage"), QRect(172, 22, 75, 25));

    QGroupBox *Shot = Group("截屏", QRect(3, 64, 257, 57));
    ActionButton(Shot, "btnSubArea", Action("actSubArea"), QRect(8, 22, 75, 25));
    ActionButton(Shot, "btnCameraWindow", Action("actCameraWindow"), QRect(90, 22, 75, 25));
    ActionButton(Shot, "btnCameraWindowLikeSpy", Action("actCameraWindowLikeSpy"),
                 QRect(172, 22, 75, 25));

    QGroupBox *Cpu = Group("CPU", QRect(3, 127, 257, 50));
    FLabel6 = new QLabel("CPU使用率:   0.0", Cpu);
    FLabel6->setObjectName("Label6");
    // Below the group's title, which under a Chinese locale is drawn with the taller CJK font
    // like the label itself.
    FLabel6->setGeometry(8, 19, 241, 16);
    FProgressBar1 = new QProgressBar(Cpu);
    FProgressBar1->setObjectName("ProgressBar1");
    FProgressBar1->setGeometry(8, 35, 241, 12);
    FProgressBar1->setRange(0, 100);
    FProgressBar1->setValue(0);
    FProgressBar1->setTextVisible(false);

    QGroupBox *Chat = Group("QQ强制聊天", QRect(3, 183, 257, 66));
    auto *QQLabel = new QLabel("QQ号", Chat);
    QQLabel->setGeometry(8, 22, 30, 17);
    FQQ = new QLineEdit(Chat);
    FQQ->setObjectName("QQ");
    FQQ->setGeometry(40, 20, 125, 21);
    auto *Button13 = new QPushButton("开聊", Chat);
    Button13->setObjectName("Button13");
    QQLabel->setBuddy(FQQ);
    // Clear of the group's title.
    Button13->setGeometry(172, 19, 75, 24);
    connect(Button13, &QPushButton::clicked, this, Dialogs::Guarded([this] { Button13Click(); }));
    auto *lbl1 = new QLabel("备注：使用此功能，建议使用QQ2008版本", Chat);
    lbl1->setObjectName("lbl1");
    lbl1->setGeometry(8, 45, 241, 16);
    lbl1->setStyleSheet("color: red");

    QGroupBox *Run = Group("运行", QRect(266, 3, 95, 118));
    ActionButton(Run, "btnReg", Action("actReg"), QRect(10, 22, 75, 25));
    ActionButton(Run, "btnGpedit", Action("actGpedit"), QRect(10, 54, 75, 25));
    ActionButton(Run, "btn1QSJH", Action("actLogin"), QRect(10, 86, 75, 25));
}

void TFrm_Main::CreatePopupMenu() {
    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName("PopupMenu1");
    QMenu *M = FPopupMenu1;
    M->addAction(Action("actShowMainForm"));
    M->addAction(Action("actHideMainForm"));
    M->addSeparator();

    QMenu *Common = M->addMenu("常用功能");
    Common->setObjectName("mnuCommon");
    Common->addAction(Action("HideOrShowIE"));
    Common->addAction(Action("ChangeMainPage"));
    Common->addSeparator();
    // The menu shows its own caption for the task list rather than the action's.
    QAction *TaskList = Common->addAction("任务列表");
    TaskList->setObjectName("mnuTaskList");
    TaskList->setEnabled(Action("actTaskList")->isEnabled());
    connect(Action("actTaskList"), &QAction::changed, TaskList,
            [TaskList, A = Action("actTaskList")] { TaskList->setEnabled(A->isEnabled()); });
    connect(TaskList, &QAction::triggered, Action("actTaskList"), &QAction::trigger);
    Common->addAction(Action("actTaskInfo"));
    Common->addSeparator();
    connect(Common, &QMenu::aboutToHide, this, [this] { FMenuClosed.start(); });
    Common->addAction(Action("actSubArea"));
    Common->addAction(Action("actCameraWindow"));
    Common->addAction(Action("actCameraWindowLikeSpy"));
    Common->addSeparator();
    Common->addAction(Action("actReg"));
    Common->addAction(Action("actGpedit"));
    Common->addAction(Action("actLogin"));
    Common->addSeparator();
    Common->addAction(Action("actChat"));
    Common->addAction(Action("actEncrypt"));
    Common->addSeparator();
    Common->addAction(Action("actsysconfig"));

    QMenu *Games = M->addMenu("网络游戏");
    Games->setObjectName("mnuNetGames");
    QAction *Login = Games->addAction("闯荡江湖");
    Login->setObjectName("mnuLogin");
    Login->setEnabled(false);
    Games->addSeparator();
    for (int I = 1; I <= 6; ++I)
        Games->addAction(Action(QString("actPortal%1").arg(I)));

    QMenu *Small = M->addMenu("小游戏");
    Small->setObjectName("mnuSmallGames");
    const char *SmallGames[] = {"2048", "贪吃蛇", "扫雷", "五子棋", "俄罗斯方块"};
    for (int I = 0; I < 5; ++I) {
        QAction *Game = Small->addAction(SmallGames[I]);
        Game->setObjectName(QString("mnuGame%1").arg(I + 1));
        Game->setToolTip(SmallGames[I]);
        Game->setEnabled(false);
    }
    QAction *More = Small->addAction("更多小游戏");
    More->setObjectName("mnuMoreGames");
    More->setEnabled(false);

    M->addSeparator();
    QAction *Help = M->addAction("帮助");
    Help->setObjectName("N35");
    Help->setEnabled(false);
    M->addAction(Action("actAbout"));
    M->addSeparator();
    M->addAction(Action("actExit"));
}

void TFrm_Main::FormCreate() {
    // Every window of the program carries its icon, the shared reminder window and the boxes
    // included, not only those that set one themselves.
    QApplication::setWindowIcon(ProgramIcon());
    // The advertisement waits until start-up is over: the web engine's start must not hold up
    // the icon.
    WebView::AfterStartUp(this, [this] {
        Fwb1 = WebView::Create(Fpnl1);
        if (!Fwb1)
            return;
        Fwb1->setObjectName("wb1");
        Fwb1->setGeometry(0, 0, 372, 52);
        Fwb1->show();
        WebView::Load(Fwb1, Portal::AdvertPage());
    });
    ShowApplicationWindow(false);
    hide();

    TVozedaRiru::TContext Context;
    Context.Platform = FPlatform;
    Context.TogglePortalWindow = [] {
        if (Frm_WB)
            Frm_WB->setVisible(!Frm_WB->isVisible());
    };
    Context.Clock = FClock;
    // Bound before the dispatcher starts the scheduler, so that no task falls due unheard while
    // a hotkey warning holds up the creation.
    SetRemindPlatform(FPlatform);
    Context.OnRemind = &TaskManagerRemind;
    Context.OnMonitor = [this](double Usage) { CpuMonitorMonitor(Usage); };
    Context.OnAlarm = [this](double Usage) { CpuMonitorAlarm(Usage); };
    FGen = std::make_unique<TVozedaRiru>(std::move(Context));

    // An unusable database ends the creation here; the error box shows the database's own text
    // and the program runs on without task data.
    try {
        OpenTable();
    } catch (const EError &) {
        // One box for one fault: the scheduler's next polls would only repeat it.
        FGen->TaskManager()->FaultShown();
        throw;
    }
    if (FTaskPages)
        FTaskPages->SetTable(ADOTable1());
}

void TFrm_Main::OpenTable() {
    FTaskTable->Open(Config().ConnStr(), this);
}

void TFrm_Main::ShowApplicationWindow(bool) {
    // On X11 the main window carries its own taskbar button, so the hidden owner window of the
    // original design has nothing left to do: showing or hiding the main window is enough.
}

void TFrm_Main::showEvent(QShowEvent *Event) {
    if (!FCentred) {
        FCentred = true;
        if (QScreen *Screen = QGuiApplication::primaryScreen())
            move(Screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(Event);
}

void TFrm_Main::closeEvent(QCloseEvent *Event) {
    // Closing only hides: the program ends through "退出程序" alone.
    ShowApplicationWindow(false);
    hide();
    Event->ignore();
}

void TFrm_Main::actShowMainFormExecute() {
    ShowApplicationWindow(true);
    BringToFront(this);
}

void TFrm_Main::actHideMainFormExecute() {
    ShowApplicationWindow(false);
    hide();
}

void TFrm_Main::actExitExecute() {
    QCoreApplication::exit(0);
}

void TFrm_Main::RunCapture(int32_t (TScreenShot::*Manner)()) {
    if (!FGen)
        return;
    // Taken from the menu, the screen would be frozen before the windows under the menu have
    // painted themselves again: give them a moment first.
    if (FMenuClosed.isValid() && FMenuClosed.elapsed() < 500) {
        FMenuClosed.invalidate();
        QTimer::singleShot(300, this, Dialogs::Guarded([this, Manner] { RunCapture(Manner); }));
        return;
    }
    (FGen->ScreenShot()->*Manner)();
}

void TFrm_Main::actSubAreaExecute() {
    RunCapture(&TScreenShot::CameraSubArea);
}

void TFrm_Main::actCameraWindowExecute() {
    RunCapture(&TScreenShot::CameraWindow);
}

void TFrm_Main::actCameraWindowLikeSpyExecute() {
    RunCapture(&TScreenShot::CameraWindowLikeSpy);
}

void TFrm_Main::BindPortalEntries() {
    const auto Bind = [this](QAction *A, std::function<void()> Handler) {
        A->setEnabled(true);
        connect(A, &QAction::triggered, this, Dialogs::Guarded(std::move(Handler)));
    };
    const auto Entry = [this](const char *Name) { return FPopupMenu1->findChild<QAction *>(Name); };
    const auto Show = [](const QString &Url) {
        return [Url] {
            if (Frm_WB)
                Frm_WB->NV(Url);
        };
    };
    Bind(Action("actLogin"), [this] { actLoginExecute(); });
    Bind(Entry("mnuLogin"), [this] { actLoginExecute(); });
    for (int I = 1; I <= 6; ++I)
        Bind(Action(QString("actPortal%1").arg(I)), Show(Portal::SectionPage(I)));
    for (int I = 1; I <= 5; ++I)
        Bind(Entry(qPrintable(QString("mnuGame%1").arg(I))), Show(Portal::GamePage(I)));
    Bind(Entry("mnuMoreGames"), [this] { OpenWeb(Portal::MoreGamesPage()); });
    Bind(Entry("N35"), [this] { N35Click(); });
    Bind(Action("actAbout"), [this] { actAboutExecute(); });
}

void TFrm_Main::actLoginExecute() {
    Dialogs::ShowMessage("按Ctrl+Alt+Q可快速隐藏该窗口", Dialogs::AppTitle());
    if (Frm_WB)
        Frm_WB->NV(Portal::HomePage());
}

void TFrm_Main::actAboutExecute() {
    BringToFront(Frm_About);
}

void TFrm_Main::N35Click() {
    BringToFront(Frm_Help);
}

void TFrm_Main::OpenWeb(const QString &Url) {
    // A missing browser or network is not reported: the launch's result is not examined.
    if (FPlatform.Shell)
        FPlatform.Shell->Open(Url.toStdString());
}

void TFrm_Main::InstanceMessage() {
    // Only a minimised program comes back; one sitting in the notification area stays there.
    if (isMinimized())
        showNormal();
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TFrm_Main::PageControl1Change() {
    switch (FPageControl1->currentIndex()) {
    case TaskEditorTab:
        FTaskPages->EditorTabSelected();
        break;
    case 3:
        FSettingsPage->Load();
        break;
    case 4:
        FEncryptPage->Load();
        break;
    }
}

void TFrm_Main::actChatExecute() {
    QString QQID;
    Dialogs::InputQuery("聊天", "QQ号码", QQID);
    if (!QQID.isEmpty() && FGen)
        FGen->Chat()->Chat(QQID);
}

void TFrm_Main::Button13Click() {
    // The box is passed as it is, empty too: the chat window then simply asks for a number.
    if (FGen)
        FGen->Chat()->Chat(FQQ->text());
}

void TFrm_Main::actRegExecute() {
    if (FGen)
        FGen->Runner()->RunRegedit();
}

void TFrm_Main::actGpeditExecute() {
    if (FGen)
        FGen->Runner()->RunGpeidt();
}

void TFrm_Main::actEncryptExecute() {
    EnsureControls();
    FEncryptPage->actEncryptExecute();
}

void TFrm_Main::CpuMonitorMonitor(double Usage) {
    FLastUsage = Usage;
    FHasUsage = true;
    if (!FLabel6)
        return; // shown once the pages exist
    FLabel6->setText(QString("CPU使用率:%1%").arg(Usage, 0, 'f', 1));
    // The label keeps the value as computed; the bar cannot show more than full or less than
    // empty.
    FProgressBar1->setValue(static_cast<int>(std::clamp(Usage, 0.0, 100.0)));
}

void TFrm_Main::CpuMonitorAlarm(double) {
    // The one reminder window made at start-up serves this alert; task reminders have their own.
    if (!Frm_Pop)
        return;
    Frm_Pop->Label1()->setText("CPU使用率超过设定值");
    Frm_Pop->Pop();
}

void TFrm_Main::HideIEExecute() {
    if (FGen)
        FGen->IECtrl()->HideIE();
}

void TFrm_Main::ShowIEExecute() {
    if (FGen)
        FGen->IECtrl()->ShowIE();
}

void TFrm_Main::HideOrShowIEExecute() {
    if (FGen)
        FGen->IECtrl()->HideOrShowIE();
}

void TFrm_Main::ChangeMainPageExecute() {
    if (!FGen)
        return;
    QString MainPage;
    Dialogs::InputQuery("请输入网址", "主页地址", MainPage);
    if (!MainPage.isEmpty())
        FGen->IECtrl()->ChangeMainPage(MainPage);
}

// The menu's commands change tab as the user's own switch does: leaving a row unsaved asks
// first, and the tab's arrival work runs.
void TFrm_Main::actTaskListExecute() {
    actShowMainFormExecute();
    FPageControl1->SelectPage(TaskListTab);
}

void TFrm_Main::actTaskInfoExecute() {
    actShowMainFormExecute();
    FPageControl1->SelectPage(TaskEditorTab);
}

void TFrm_Main::actsysconfigExecute() {
    actShowMainFormExecute();
    // Arriving on the tab loads the page; on it already, the command shows the stored values
    // again.
    if (FPageControl1->currentIndex() == 3)
        FSettingsPage->Load();
    else
        FPageControl1->SelectPage(3);
}
