#include "VozedaRiru.h"

#include <algorithm>

#include "HotKeyNotices.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"
#include "tasks/TaskManager.h"
#include "tools/Chat.h"
#include "tools/CpuMonitor.h"
#include "tools/IECtrl.h"
#include "tools/Runner.h"
#include "tools/ScreenShot.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FTaskManager = std::make_unique<TTaskManager>(FContext.Clock);
    FHKMgr = std::make_unique<THotKeyManager>(FContext.Platform.HotKeys);
    FHKMgr->SetOnHotKeyPressed(
        [this](uint32_t HotKey, uint16_t Index) { HotKeyPressed(HotKey, Index); });
    // A desktop portal may refuse or drop a combination after it was taken on.
    if (FContext.Platform.HotKeys)
        HotKeyNotices::WarnOnRefusal(*FContext.Platform.HotKeys, *FHKMgr);
    FIECtrl =
        std::make_unique<TIECtrl>(FContext.Platform.BrowserWindows, FContext.Platform.StartPage);
    FScreenShot = std::make_unique<TScreenShot>();
    FRunner = std::make_unique<TRunner>(FContext.Platform.SystemTools, FContext.Platform.Shell);
    FCPUMonitor = std::make_unique<TCpuMonitor>(FContext.Platform.CpuTimes);
    FChat = std::make_unique<TChat>(FContext.Platform.SchemeHandlers);
    FTaskManager->SetOnRemind(FContext.OnRemind);
    FTaskManager->SetOnReport([](const QString &Text, bool Error) {
        Error ? Dialogs::ShowError(Text) : Dialogs::ShowMessage(Text);
    });
    FCPUMonitor->SetOnMonitor(FContext.OnMonitor);
    FCPUMonitor->SetOnAlarm(FContext.OnAlarm);
    StartAll();
}

TVozedaRiru::~TVozedaRiru() {
    RemoveAllHotKeys();
    FTaskManager.reset();
    if (FContext.Platform.HotKeys)
        HotKeyNotices::StopWarning(*FContext.Platform.HotKeys);
    FHKMgr.reset();
    FIECtrl.reset();
    FScreenShot.reset();
    FRunner.reset();
    FCPUMonitor.reset();
    FChat.reset();
}

void TVozedaRiru::StartAll() {
    FTaskManager->Start();
    // Each stored value is read at this moment; a value that cannot be registered is reported
    // and the others still are. A desktop without system-wide hotkeys gets one notice instead.
    const bool Offered =
        !FContext.Platform.HotKeys || HotKeyNotices::CheckAvailable(*FContext.Platform.HotKeys);
    for (const uint16_t HotKey : StoredHotKeys())
        AddHotKey(HotKey, Offered);
    AddHotKey(PortalWindowHotKey, Offered);
}

TVozedaRiru::TStoredHotKeys TVozedaRiru::StoredHotKeys() {
    const TConfig &C = Config();
    return {C.SKey_ShowOrHideIE(), C.SKey_ScreenShot(), C.SKey_Chat()};
}

void TVozedaRiru::RemoveAllHotKeys() {
    RemoveHotKey(PortalWindowHotKey);
    RemoveStoredHotKeys(StoredHotKeys());
}

void TVozedaRiru::RemoveStoredHotKeys(const TStoredHotKeys &Stored) {
    for (const uint16_t HotKey : Stored)
        RemoveHotKey(HotKey);
}

TVozedaRiru::TStoredHotKeys TVozedaRiru::ReplaceStoredHotKeys(
    TStoredHotKeys Values, const std::function<void(size_t Feature, uint16_t Held)> &GaveWay) {
    const TStoredHotKeys Stored = StoredHotKeys();
    // The stored values go first, so that a value kept as it was can be registered again.
    RemoveStoredHotKeys(Stored);
    for (size_t I = 0; I < Values.size(); ++I) {
        if (AddHotKey(Values[I]))
            continue;
        const uint16_t Previous = Stored[I];
        const auto Before = Values.begin() + I;
        if (Previous != 0 && std::find(Values.begin(), Before, Previous) != Before) {
            Values[I] = 0;
        } else {
            if (Previous != Values[I])
                AddHotKey(Previous, false);
            Values[I] = Previous;
        }
        if (GaveWay)
            GaveWay(I, Values[I]);
    }
    return Values;
}

bool TVozedaRiru::AddHotKey(uint32_t HotKey, bool Warn) {
    if (HotKey == 0)
        return true;
    if (FHKMgr->AddHotKey(HotKey) != 0)
        return true;
    if (Warn)
        Dialogs::ShowWarning(HotKeyNotices::TakenWarning(HotKey));
    return false;
}

void TVozedaRiru::RemoveHotKey(uint32_t HotKey) {
    FHKMgr->RemoveHotKey(HotKey);
}

void TVozedaRiru::HotKeyPressed(uint32_t HotKey, uint16_t) {
    // The stored values are read anew, so a press follows what cfg.ini says now; the first
    // feature that matches wins.
    const uint32_t IE = Config().SKey_ShowOrHideIE();
    const uint32_t Shot = Config().SKey_ScreenShot();
    const uint32_t Chat = Config().SKey_Chat();
    if (HotKey == IE)
        Run(TFeature::ShowOrHideIE);
    else if (HotKey == Shot)
        Run(TFeature::CaptureArea);
    else if (HotKey == Chat)
        Run(TFeature::Chat);
    else if (HotKey == PortalWindowHotKey)
        Run(TFeature::PortalWindow);
}

void TVozedaRiru::Run(TFeature Feature) {
    switch (Feature) {
    case TFeature::ShowOrHideIE:
        ShowOrHideIE();
        break;
    case TFeature::CaptureArea:
        CaptureArea();
        break;
    case TFeature::Chat: {
        QString Number;
        if (Dialogs::InputQuery("聊天", "QQ号码", Number) && !Number.isEmpty())
            OpenChat(Number);
        break;
    }
    case TFeature::PortalWindow:
        Dispatched(TFeature::PortalWindow);
        if (FContext.TogglePortalWindow)
            FContext.TogglePortalWindow();
        break;
    }
}

void TVozedaRiru::ShowOrHideIE() {
    Dispatched(TFeature::ShowOrHideIE);
    FIECtrl->HideOrShowIE();
}

void TVozedaRiru::CaptureArea() {
    Dispatched(TFeature::CaptureArea);
    FScreenShot->CameraSubArea();
}

void TVozedaRiru::OpenChat(const QString &Number) {
    Dispatched(TFeature::Chat, Number);
    // The number goes on exactly as typed; the chat launcher makes it safe for the address.
    FChat->Chat(Number);
}

void TVozedaRiru::Dispatched(TFeature Feature, const QString &Argument) {
    if (FOnDispatch)
        FOnDispatch(Feature, Argument);
}
