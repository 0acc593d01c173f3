#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSqlTableModel>
#include <QSystemTrayIcon>

#include "BringToFront.h"
#include "CommonPage.h"
#include "Images.h"
#include "MainActions.h"
#include "MainTabs.h"
#include "PageControl.h"
#include "Portal.h"
#include "TaskRemind.h"
#include "TrayHost.h"
#include "TrayMenu.h"
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
#include "tools/EncryptPage.h"

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
    Fpnl2 = new QWidget(Fpnl1);
    Fpnl2->setObjectName("pnl2");
    Fpnl2->setAutoFillBackground(true);
    Fpnl2->setGeometry(0, 52, 372, 4);

    CreateTrayIcon();
    if (!DeferControls)
        EnsureControls();
}

void TFrm_Main::CreateTrayIcon() {
    TTrayMenu::THandlers Handlers;
    Handlers.Login = [this] { actLoginExecute(); };
    Handlers.Game = [this](int Index) {
        if (FWindows.WB)
            FWindows.WB->NV(Portal::GamePage(Index));
    };
    Handlers.MoreGames = [this] { OpenWeb(Portal::MoreGamesPage()); };
    Handlers.Help = [this] { N35Click(); };
    FPopupMenu1 =
        new TTrayMenu([this](const QString &Name) { return Action(Name); }, Handlers, this);
    FTrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
    FTrayIcon1->setObjectName("TrayIcon1");
    FTrayIcon1->setToolTip(Dialogs::AppTitle());
    FTrayIcon1->setContextMenu(FPopupMenu1);
    connect(FTrayIcon1, &QSystemTrayIcon::activated, this,
            Dialogs::Guarded([this](QSystemTrayIcon::ActivationReason Reason) {
                // Asked at each activation: Qt picks the kind of tray when the icon is shown
                // and again when a tray comes or goes.
                if (TrayHost::OpensMainWindow(Reason, TrayHost::SendsDoubleClicks()))
                    actShowMainFormExecute();
            }));
    FTrayIcon1->show();
}

QMenu *TFrm_Main::PopupMenu1() const {
    return FPopupMenu1;
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
    } Tabs[MainTabCount] = {{"TabSheet1", "常用功能"},
                            {"TabSheet2", "任务列表"},
                            {"TabSheet3", "任务信息"},
                            {"TabSheet4", "系统设置"},
                            {"ts1", "文件加密"}};
    // Made inside the window, so that its controls are made with the window's font (the styled
    // note would otherwise keep the application's).
    FCommonPage =
        new TCommonPage([this](const QString &Name) { return Action(Name); }, FPageControl1);
    FCommonPage->OnChat = [this] { Button13Click(); };
    for (int Tab = CommonTab; Tab < MainTabCount; ++Tab) {
        QWidget *Page = Tab == CommonTab ? FCommonPage : new QWidget;
        Page->setObjectName(Tabs[Tab].Name);
        FPageControl1->addTab(Page, Tabs[Tab].Caption);
    }
    FEncryptPage =
        new TEncryptPage(FPageControl1->widget(EncryptTab), FPlatform.Shell, Action("actEncrypt"));
    FTaskPages = new TTaskPages(
        FPageControl1->widget(TaskListTab), FPageControl1->widget(TaskInfoTab),
        [this](const QString &Name) { return Action(Name); }, FClock, this);
    FTaskPages->OnShowPage = [this](TTaskPages::TPage Page) {
        FPageControl1->setCurrentIndex(Page == TTaskPages::TPage::List ? TaskListTab : TaskInfoTab);
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
        FPageControl1->widget(SettingsTab), [this] { return FGen.get(); }, [this] { close(); });
    FPageControl1->setCurrentIndex(CommonTab);
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
    // So is the strip: the engine's view draws through OpenGL, and added to a window already on
    // screen it makes Qt replace the window's native window (a flicker, and a new window for
    // the window manager).
    if (Visible && FStripWanted) {
        FStripWanted = false;
        Dialogs::Guard([this] { CreateAdvertStrip(); });
    }
    QWidget::setVisible(Visible);
}

TFrm_Main::~TFrm_Main() {
    // The dispatcher lets go of its hotkeys and timers before the window's children go.
    FGen.reset();
    FTaskTable.reset();
}

void TFrm_Main::CreateActions() {
    for (const TMainAction &Row : MainActions()) {
        auto *A = new QAction(Row.Caption, this);
        A->setObjectName(Row.Name);
        A->setProperty("Category", Row.Category);
        if (*Row.Hint) {
            A->setToolTip(Row.Hint);
            A->setStatusTip(Row.Hint);
        }
        if (Row.Image >= 0)
            A->setIcon(FImageList1.value(Row.Image));
        // A command whose feature is not part of the program yet stays visible but disabled.
        A->setEnabled(Row.Handler != nullptr);
        if (const auto Handler = Row.Handler)
            connect(A, &QAction::triggered, this,
                    Dialogs::Guarded([this, Handler] { Handler(*this); }));
        FActions.insert(Row.Name, A);
    }
}

void TFrm_Main::FormCreate() {
    // Every window of the program carries its icon, the shared reminder window and the boxes
    // included, not only those that set one themselves.
    QApplication::setWindowIcon(ProgramIcon());
    // The advertisement is made and loaded when the window is first shown: the web engine costs
    // several processes and hundreds of megabytes, which a program waiting in the tray should
    // not hold.
    FStripWanted = true;
    hide();

    TVozedaRiru::TContext Context;
    Context.Platform = FPlatform;
    Context.TogglePortalWindow = [this] {
        if (FWindows.WB)
            FWindows.WB->setVisible(!FWindows.WB->isVisible());
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

void TFrm_Main::showEvent(QShowEvent *Event) {
    if (!FCentred) {
        FCentred = true;
        if (QScreen *Screen = QGuiApplication::primaryScreen())
            move(Screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(Event);
}

void TFrm_Main::CreateAdvertStrip() {
    Fwb1 = WebView::Create(Fpnl1);
    if (!Fwb1)
        return;
    Fwb1->setObjectName("wb1");
    // The advertisement holds nothing of the user's: hidden for a minute, it lets its page go,
    // and with it the engine's page process unless the portal window has a page; it loads again
    // at the next showing.
    Fwb1->setProperty("discardAfterMs", 60000);
    Fwb1->setGeometry(0, 0, 372, 52);
    Fwb1->show();
    // A page draws no focus frame of its own around itself: while the keyboard is in the strip
    // the thin panel under it takes the highlight colour, so the user sees where Tab went.
    // The focus moves while the window is being taken down too: the handler holds only what
    // outlives it, never the window itself.
    connect(qApp, &QApplication::focusChanged, Fpnl2,
            [Panel = Fpnl2, Strip = QPointer<QWidget>(Fwb1)](QWidget *, QWidget *Now) {
                const bool InStrip = Now && Strip && (Now == Strip || Strip->isAncestorOf(Now));
                Panel->setBackgroundRole(InStrip ? QPalette::Highlight : QPalette::Window);
            });
    WebView::Load(Fwb1, Portal::AdvertPage());
}

void TFrm_Main::keyPressEvent(QKeyEvent *Event) {
    // The tab keys reach the page control only from inside its pages. From the advertisement
    // strip (the page hands back the keys it does not use) or from no focused control at all,
    // they come here and are passed on, so Ctrl+Tab changes the tab wherever the keyboard is.
    const Qt::KeyboardModifiers Modifiers =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int Key = Event->key();
    const bool TabKey =
        (Modifiers & ~Qt::ShiftModifier) == Qt::ControlModifier &&
        (Key == Qt::Key_Tab || Key == Qt::Key_Backtab ||
         (Modifiers == Qt::ControlModifier && (Key == Qt::Key_PageDown || Key == Qt::Key_PageUp)));
    if (TabKey && FPageControl1 && !FPassingTabKey) {
        // The page control's parent is this window: an event it left would come back here.
        FPassingTabKey = true;
        QCoreApplication::sendEvent(FPageControl1, Event);
        FPassingTabKey = false;
        Event->accept();
        return;
    }
    QWidget::keyPressEvent(Event);
}

void TFrm_Main::closeEvent(QCloseEvent *Event) {
    // Closing only hides: the program ends through "退出程序" alone.
    hide();
    Event->ignore();
}

void TFrm_Main::InstanceMessage(CommandLine::TAction Action) {
    using CommandLine::TAction;
    switch (Action) {
    case TAction::None:
        break;
    case TAction::Show:
        actShowMainFormExecute();
        return;
    // The same code the hotkeys run, so a desktop's own shortcut does what ours would.
    case TAction::Portal:
    case TAction::Capture:
    case TAction::HideBrowsers:
    case TAction::Chat:
        if (FGen)
            FGen->Run(Action == TAction::Portal    ? TVozedaRiru::TFeature::PortalWindow
                      : Action == TAction::Capture ? TVozedaRiru::TFeature::CaptureArea
                      : Action == TAction::Chat    ? TVozedaRiru::TFeature::Chat
                                                   : TVozedaRiru::TFeature::ShowOrHideIE);
        return;
    }
    // Where there is no notification area, the main window is the only way in: starting the
    // program again (from the launcher, say) brings it back, hidden or minimised.
    if (!FTrayAvailable()) {
        BringToFront(this);
        return;
    }
    // With an icon to reach it by, only a minimised program comes back; one sitting in the
    // notification area stays there.
    if (isMinimized())
        showNormal();
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TFrm_Main::PageControl1Change() {
    switch (FPageControl1->currentIndex()) {
    case TaskInfoTab:
        FTaskPages->EditorTabSelected();
        break;
    case SettingsTab:
        FSettingsPage->Load();
        break;
    case EncryptTab:
        FEncryptPage->Load();
        break;
    }
}

void TFrm_Main::CpuMonitorMonitor(double Usage) {
    FLastUsage = Usage;
    FHasUsage = true;
    if (FCommonPage) // otherwise shown once the pages exist
        FCommonPage->ShowUsage(Usage);
}

void TFrm_Main::CpuMonitorAlarm(double) {
    // The one reminder window made at start-up serves this alert; task reminders have their own.
    if (!FWindows.Pop)
        return;
    FWindows.Pop->Label1()->setText("CPU使用率超过设定值");
    FWindows.Pop->Pop();
}
