#include "VozedaRiru.h"

#include <QSystemTrayIcon>
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
    if (FContext.Platform.HotKeys) {
        HotKeyNotices::StopWarning(*FContext.Platform.HotKeys);
        FContext.Platform.HotKeys->SetOnAvailable({});
    }
    FHKMgr.reset();
    FIECtrl.reset();
    FScreenShot.reset();
    FRunner.reset();
    FCPUMonitor.reset();
    FChat.reset();
}

void TVozedaRiru::StartAll() {
    FTaskManager->Start();
    // A desktop without system-wide hotkeys gets one notice instead of a warning per key. Its
    // answer is not waited for: the keys are taken on meanwhile, and the notice follows.
    platform::IHotKeys *HotKeys = FContext.Platform.HotKeys.get();
    FOffered = HotKeys ? HotKeys->Available() : std::optional<bool>(true);
    if (!FOffered)
        HotKeys->SetOnAvailable(
            [this](bool Offered) { Dialogs::Guard([&] { AvailabilityKnown(Offered); }); });
    else if (!*FOffered)
        AvailabilityKnown(false);
    // Each stored value is read at this moment; a value that cannot be registered is reported
    // and the others still are.
    const bool Warn = FOffered != false;
    for (const uint16_t HotKey : StoredHotKeys())
        AddHotKey(HotKey, Warn);
    AddHotKey(PortalWindowHotKey, Warn);
}

void TVozedaRiru::AvailabilityKnown(bool Offered) {
    FOffered = Offered;
    if (Offered)
        return;
    HotKeyNotices::TDesktop Desktop;
    if (platform::IDesktopShortcuts *S = FContext.Platform.DesktopShortcuts.get()) {
        Desktop.CanEnter = S->CanEnter();
        Desktop.LinesKind = S->LinesKind();
        if (!Desktop.CanEnter)
            for (const std::string &Line : S->HandLines(DesktopEntries()))
                Desktop.Lines << QString::fromStdString(Line);
    }
    Desktop.Tray = QSystemTrayIcon::isSystemTrayAvailable();
    HotKeyNotices::NoticeOnce(HotKeyNotices::NoHotKeysNotice(Desktop));
}

platform::IDesktopShortcuts *TVozedaRiru::DesktopShortcuts() const {
    platform::IDesktopShortcuts *S = FContext.Platform.DesktopShortcuts.get();
    return FOffered == false && S && S->CanEnter() ? S : nullptr;
}

std::vector<platform::IDesktopShortcuts::TEntry> TVozedaRiru::DesktopEntries() {
    const TStoredHotKeys Stored = StoredHotKeys();
    // The program's command-line actions, one per feature, in the order of the stored values.
    const std::pair<const char *, const char *> Actions[] = {
        {"--hide-browsers", "晴川助手:显示/隐藏IE"},
        {"--capture", "晴川助手:截屏"},
        {"--chat", "晴川助手:聊天"},
        {"--portal", "晴川助手:门户窗口"}};
    std::vector<platform::IDesktopShortcuts::TEntry> Entries;
    for (size_t I = 0; I < std::size(Actions); ++I) {
        const uint32_t HotKey = I < Stored.size() ? Stored[I] : PortalWindowHotKey;
        platform::IDesktopShortcuts::TEntry E;
        E.Action = Actions[I].first;
        E.Name = Actions[I].second;
        if (HotKey != 0)
            SplitHotKey(HotKey, E.Modifiers, E.VirtualKey);
        Entries.push_back(E);
    }
    return Entries;
}

QString TVozedaRiru::EnterDesktopShortcuts(bool Enter) {
    platform::IDesktopShortcuts *S = DesktopShortcuts();
    if (!S)
        return "no desktop shortcut settings";
    return QString::fromStdString(
        S->Enter(Enter ? DesktopEntries() : std::vector<platform::IDesktopShortcuts::TEntry>()));
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
    // Nothing can be registered there: warning about each key would say nothing new.
    if (FOffered == false)
        return Values;
    // Every feature gets what it asked for first; only then do the refused ones fall back, so
    // that no fallback takes a combination that another feature asked for.
    std::array<bool, std::tuple_size_v<TStoredHotKeys>> Held{};
    for (size_t I = 0; I < Values.size(); ++I)
        Held[I] = AddHotKey(Values[I], false);
    for (size_t I = 0; I < Values.size(); ++I) {
        if (Held[I])
            continue;
        Dialogs::ShowWarning(HotKeyNotices::TakenWarning(Values[I]));
        const uint16_t Previous = Stored[I];
        bool Asked = false;
        for (size_t J = 0; J < Values.size(); ++J)
            Asked = Asked || (J != I && Values[J] == Previous);
        // Unchanged and held by another program: stored as it was, tried again at the next
        // start. Never two features stored with one combination, though.
        if (Previous == Values[I] && !Asked)
            continue;
        Values[I] = Previous != 0 && Previous != Values[I] && !Asked && AddHotKey(Previous, false)
                        ? Previous
                        : 0;
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
