// The main window's commands: the table that makes their actions, and what each one does.
#include "MainActions.h"

#include <QCoreApplication>
#include <QTimer>

#include "About.h"
#include "BringToFront.h"
#include "CommonPage.h"
#include "Help.h"
#include "Main.h"
#include "MainTabs.h"
#include "PageControl.h"
#include "Portal.h"
#include "TrayMenu.h"
#include "Web.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/SettingsPage.h"
#include "hotkeys/VozedaRiru.h"
#include "tasks/TaskPages.h"
#include "tools/Chat.h"
#include "tools/EncryptPage.h"
#include "tools/IECtrl.h"
#include "tools/Runner.h"
#include "tools/ScreenShot.h"

namespace {

template <void (TFrm_Main::*Execute)()> void Run(TFrm_Main &Main) {
    (Main.*Execute)();
}

template <int Section> void PortalSection(TFrm_Main &Main) {
    Main.ShowPortalSection(Section);
}

constexpr TMainAction Actions[] = {
    {"AddTask", "DB", "AddTask", "添加任务", 0, nullptr},
    {"DelTask", "DB", "DelTask", "删除任务", 2, nullptr},
    {"Post", "DB", "提交", "提交", 4, nullptr},
    {"Refresh", "DB", "Refresh", "刷新", 8, nullptr},
    {"Cancel", "DB", "取消", "取消更改", 6, nullptr},
    {"EdtTask", "DB", "EdtTask", "编辑任务", 22, nullptr},
    {"First", "DB", "First", "第一条", 10, nullptr},
    {"Last", "DB", "Last", "最后一条", 16, nullptr},
    {"Prior", "DB", "Prior", "前一条", 12, nullptr},
    {"Next", "DB", "Next", "后一条", 14, nullptr},
    {"HideIE", "IE", "隐藏IE", "", -1, Run<&TFrm_Main::HideIEExecute>},
    {"ShowIE", "IE", "显示IE", "", -1, Run<&TFrm_Main::ShowIEExecute>},
    {"HideOrShowIE", "IE", "隐藏/显示IE", "", -1, Run<&TFrm_Main::HideOrShowIEExecute>},
    {"ChangeMainPage", "IE", "更改主页", "", -1, Run<&TFrm_Main::ChangeMainPageExecute>},
    {"actSubArea", "ScreenShot", "截取区域", "", -1, Run<&TFrm_Main::actSubAreaExecute>},
    {"actCameraWindow", "ScreenShot", "悬停截图", "", -1, Run<&TFrm_Main::actCameraWindowExecute>},
    {"actCameraWindowLikeSpy", "ScreenShot", "拖动截图", "", -1,
     Run<&TFrm_Main::actCameraWindowLikeSpyExecute>},
    {"actReg", "Run", "注册表", "", -1, Run<&TFrm_Main::actRegExecute>},
    {"actGpedit", "Run", "组策略", "", -1, Run<&TFrm_Main::actGpeditExecute>},
    {"actChat", "Chat", "QQ强制聊天", "", -1, Run<&TFrm_Main::actChatExecute>},
    {"actEncrypt", "Encrypt", "文件夹加密", "", -1, Run<&TFrm_Main::actEncryptExecute>},
    {"actShowMainForm", "Sys", "显示主窗体", "", -1, Run<&TFrm_Main::actShowMainFormExecute>},
    {"actHideMainForm", "Sys", "隐藏主窗体", "", -1, Run<&TFrm_Main::actHideMainFormExecute>},
    {"actExit", "Sys", "退出程序", "", -1, Run<&TFrm_Main::actExitExecute>},
    {"actsysconfig", "Sys", "系统设置", "", -1, Run<&TFrm_Main::actsysconfigExecute>},
    {"actAbout", "Sys", "关于", "", -1, Run<&TFrm_Main::actAboutExecute>},
    {"actTaskList", "Task", "actTaskList", "", -1, Run<&TFrm_Main::actTaskListExecute>},
    {"actTaskInfo", "Task", "任务信息", "", -1, Run<&TFrm_Main::actTaskInfoExecute>},
    {"actLogin", "QSJH", "闯荡江湖", "", -1, Run<&TFrm_Main::actLoginExecute>},
    {"actPortal1", "QSJH", "江湖快讯", "", -1, PortalSection<1>},
    {"actPortal2", "QSJH", "门派总览", "", -1, PortalSection<2>},
    {"actPortal3", "QSJH", "武学秘籍", "", -1, PortalSection<3>},
    {"actPortal4", "QSJH", "英雄榜", "", -1, PortalSection<4>},
    {"actPortal5", "QSJH", "江湖论坛", "", -1, PortalSection<5>},
    {"actPortal6", "QSJH", "新手指南", "", -1, PortalSection<6>},
};

} // namespace

std::span<const TMainAction> MainActions() {
    return Actions;
}

void TFrm_Main::actShowMainFormExecute() {
    BringToFront(this);
}

void TFrm_Main::actHideMainFormExecute() {
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
    if (FPopupMenu1->TakeJustClosed()) {
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

void TFrm_Main::actLoginExecute() {
    Dialogs::ShowMessage("按Ctrl+Alt+Q可快速隐藏该窗口", Dialogs::AppTitle());
    if (FWindows.WB)
        FWindows.WB->NV(Portal::HomePage());
}

void TFrm_Main::ShowPortalSection(int Index) {
    if (FWindows.WB)
        FWindows.WB->NV(Portal::SectionPage(Index));
}

void TFrm_Main::actAboutExecute() {
    BringToFront(FWindows.About);
}

void TFrm_Main::N35Click() {
    BringToFront(FWindows.Help);
}

void TFrm_Main::OpenWeb(const QString &Url) {
    // A missing browser or network is not reported: the launch's result is not examined.
    if (FPlatform.Shell)
        FPlatform.Shell->Open(Url.toStdString());
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
        FGen->Chat()->Chat(FCommonPage->QQNumber());
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
    FPageControl1->SelectPage(TaskInfoTab);
}

void TFrm_Main::actsysconfigExecute() {
    actShowMainFormExecute();
    // Arriving on the tab loads the page; on it already, the command shows the stored values
    // again.
    if (FPageControl1->currentIndex() == SettingsTab)
        FSettingsPage->Load();
    else
        FPageControl1->SelectPage(SettingsTab);
}
