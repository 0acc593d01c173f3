#pragma once

#include <QIcon>
#include <QList>
#include <QMap>
#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>
#include <memory>

#include "CommandLine.h"
#include "platform/Platform.h"
#include "tasks/TaskConnection.h"

class QAction;
class QMenu;
class QSqlTableModel;
class TCommonPage;
class TEncryptPage;
class TFrm_About;
class TFrm_Help;
class TFrm_Pop;
class TFrm_WB;
class TPageControl;
class TScreenShot;
class TClock;
class TTaskPages;
class TSettingsPage;
class TTrayMenu;
class TVozedaRiru;

// The hub of the program: a small fixed window with five tabs (TMainTab), the first of them
// TCommonPage, the notification-area icon with its TTrayMenu, and the one action list through
// which buttons and menu entries reach their handlers. The commands, the table that makes their
// actions and their handlers, are in MainActions. It starts hidden; closing it only hides it.
class TFrm_Main : public QWidget {
    Q_OBJECT
public:
    // The other windows of the program that the main window's commands show. Any may be missing
    // (its creation failed, or a test leaves it out): the command then does nothing.
    struct TWindows {
        TFrm_Pop *Pop = nullptr; // the CPU alert's reminder window
        TFrm_WB *WB = nullptr;   // the portal browser
        TFrm_About *About = nullptr;
        TFrm_Help *Help = nullptr;
    };

    // With DeferControls the five pages are built by EnsureControls, later than the icon: the
    // program starts hidden, and the first text a window lays out costs more than everything
    // before the icon. Showing the window builds them in any case.
    explicit TFrm_Main(platform::TPlatform Platform, QWidget *Parent = nullptr,
                       bool DeferControls = false);
    ~TFrm_Main() override;

    // The creation handler: runs once, right after construction.
    void FormCreate();
    // Builds the tabs and their pages, once.
    void EnsureControls();
    void setVisible(bool Visible) override;
    // Hands in the other windows once they exist.
    void SetWindows(const TWindows &Windows) { FWindows = Windows; }

    QAction *Action(const QString &Name) const { return FActions.value(Name); }
    QMenu *PopupMenu1() const;
    QSystemTrayIcon *TrayIcon1() const { return FTrayIcon1; }
    TPageControl *PageControl1() const { return FPageControl1; }
    QSqlTableModel *ADOTable1() const { return FTaskTable ? FTaskTable->Model() : nullptr; }
    TVozedaRiru *Gen() const { return FGen.get(); }
    TTaskPages *TaskPages() const { return FTaskPages; }
    TSettingsPage *SettingsPage() const { return FSettingsPage; }
    const QList<QIcon> &ImageList1() const { return FImageList1; }

    // A later start of the program: Action is the one it was given (None: a plain start). Also
    // the action of this start's own command line, once the program is up.
    void InstanceMessage(CommandLine::TAction Action = CommandLine::TAction::None);
    // Whether a notification area is there to reach the program by; tests set their answer.
    void SetTrayAvailable(std::function<bool()> Value) { FTrayAvailable = std::move(Value); }
    // The CPU gauge and the CPU alert, bound to the monitor in FormCreate.
    void CpuMonitorMonitor(double Usage);
    void CpuMonitorAlarm(double Usage);

    // The commands (MainActions.cpp).
    void actShowMainFormExecute();
    void actHideMainFormExecute();
    void actExitExecute();
    void actChatExecute();
    void Button13Click();
    void actRegExecute();
    void actGpeditExecute();
    void actEncryptExecute();
    void HideIEExecute();
    void ShowIEExecute();
    void HideOrShowIEExecute();
    // Asks for the address, then sets it as the browsers' start page.
    void ChangeMainPageExecute();
    void actSubAreaExecute();
    void actCameraWindowExecute();
    void actCameraWindowLikeSpyExecute();
    void actTaskListExecute();
    void actTaskInfoExecute();
    void actsysconfigExecute();
    // The portal entries and the two information windows.
    void actLoginExecute();
    void ShowPortalSection(int Index);
    void actAboutExecute();
    void N35Click();
    // The advertisement strip; made at the first showing of the window after FormCreate (null
    // before, or when the web engine cannot be loaded).
    QWidget *wb1() const { return Fwb1; }

protected:
    void closeEvent(QCloseEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    void CreateActions();
    void CreateTrayIcon();
    void OpenWeb(const QString &Url);
    void CreateAdvertStrip();
    void PageControl1Change();
    // Opens the task database and its table Task into ADOTable1; raises EError.
    void OpenTable();
    void RunCapture(int32_t (TScreenShot::*Manner)());

    platform::TPlatform FPlatform;
    std::shared_ptr<const TClock> FClock;
    std::unique_ptr<TVozedaRiru> FGen;
    TTaskPages *FTaskPages = nullptr;
    std::unique_ptr<TTaskConnection> FTaskTable;
    QList<QIcon> FImageList1;
    QMap<QString, QAction *> FActions;
    TWindows FWindows;
    TTrayMenu *FPopupMenu1 = nullptr;
    QSystemTrayIcon *FTrayIcon1 = nullptr;
    TPageControl *FPageControl1 = nullptr;
    QWidget *Fpnl1 = nullptr;
    // Under the strip; it marks the strip while the keyboard is there.
    QWidget *Fpnl2 = nullptr;
    bool FPassingTabKey = false;
    QWidget *Fwb1 = nullptr;
    TCommonPage *FCommonPage = nullptr;
    TEncryptPage *FEncryptPage = nullptr;
    TSettingsPage *FSettingsPage = nullptr;
    std::function<bool()> FTrayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    bool FCentred = false;
    // Set by FormCreate: the next showing makes the advertisement strip.
    bool FStripWanted = false;
    double FLastUsage = 0;
    bool FHasUsage = false;
};
