#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QWidget>
#include <memory>

#include "platform/Platform.h"
#include "tasks/TaskConnection.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSqlTableModel;
class QSystemTrayIcon;
class QToolButton;
class TEncryptPage;
class TPageControl;
class TScreenShot;
class TClock;
class TTaskPages;
class TSettingsPage;
class TVozedaRiru;

// The hub of the program: a small fixed window with five tabs, the notification-area icon and
// its menu, and the one action list through which buttons and menu entries reach their handlers.
// It starts hidden; closing it only hides it.
class TFrm_Main : public QWidget {
    Q_OBJECT
public:
    // Where the task pages sit among the tabs.
    static constexpr int TaskListTab = 1;
    static constexpr int TaskEditorTab = 2;

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

    QAction *Action(const QString &Name) const { return FActions.value(Name); }
    QMenu *PopupMenu1() const { return FPopupMenu1; }
    QSystemTrayIcon *TrayIcon1() const { return FTrayIcon1; }
    TPageControl *PageControl1() const { return FPageControl1; }
    QSqlTableModel *ADOTable1() const { return FTaskTable ? FTaskTable->Model() : nullptr; }
    TVozedaRiru *Gen() const { return FGen.get(); }
    TTaskPages *TaskPages() const { return FTaskPages; }
    TSettingsPage *SettingsPage() const { return FSettingsPage; }
    const QList<QIcon> &ImageList1() const { return FImageList1; }

    // Brought to the front by a later start of the program.
    void InstanceMessage();

    void actShowMainFormExecute();
    void actHideMainFormExecute();
    void actExitExecute();
    void actChatExecute();
    void Button13Click();
    void actRegExecute();
    void actGpeditExecute();
    void actEncryptExecute();
    // The CPU gauge and the CPU alert, bound to the monitor in FormCreate.
    void CpuMonitorMonitor(double Usage);
    void CpuMonitorAlarm(double Usage);
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
    void actAboutExecute();
    void N35Click();
    // The advertisement strip; created once start-up is over.
    QWidget *wb1() const { return Fwb1; }

protected:
    void closeEvent(QCloseEvent *Event) override;
    void showEvent(QShowEvent *Event) override;

private:
    QAction *AddAction(const QString &Name, const QString &Category, const QString &Caption,
                       const QString &Hint = QString(), int ImageIndex = -1);
    void CreateActions();
    void CreateCommonPage(QWidget *Page);
    void CreatePopupMenu();
    void BindPortalEntries();
    void OpenWeb(const QString &Url);
    void PageControl1Change();
    // Opens the task database and its table Task into ADOTable1; raises EError.
    void OpenTable();
    void ShowApplicationWindow(bool Show);
    void RunCapture(int32_t (TScreenShot::*Manner)());
    QToolButton *ActionButton(QWidget *Parent, const QString &Name, QAction *Action,
                              const QRect &Geometry);

    platform::TPlatform FPlatform;
    std::shared_ptr<const TClock> FClock;
    std::unique_ptr<TVozedaRiru> FGen;
    TTaskPages *FTaskPages = nullptr;
    std::unique_ptr<TTaskConnection> FTaskTable;
    QList<QIcon> FImageList1;
    QMap<QString, QAction *> FActions;
    QMenu *FPopupMenu1 = nullptr;
    QSystemTrayIcon *FTrayIcon1 = nullptr;
    TPageControl *FPageControl1 = nullptr;
    QWidget *Fpnl1 = nullptr;
    QWidget *Fwb1 = nullptr;
    QLabel *FLabel6 = nullptr;
    QProgressBar *FProgressBar1 = nullptr;
    QLineEdit *FQQ = nullptr;
    TEncryptPage *FEncryptPage = nullptr;
    TSettingsPage *FSettingsPage = nullptr;
    bool FCentred = false;
    double FLastUsage = 0;
    bool FHasUsage = false;
    QElapsedTimer FMenuClosed;
};
