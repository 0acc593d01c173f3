#include "VozedaRiru.h"

#include "HotKeyManager.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FHKMgr = std::make_unique<THotKeyManager>(FContext.Platform.HotKeys);
    FHKMgr->SetOnHotKeyPressed(
        [this](uint32_t HotKey, uint16_t Index) { HotKeyPressed(HotKey, Index); });
    StartAll();
}

TVozedaRiru::~TVozedaRiru() {
    RemoveAllHotKeys();
}

void TVozedaRiru::StartAll() {
    // Each stored value is read at this moment; a value that cannot be registered is reported
    // and the others still are.
    AddHotKey(Config().SKey_ShowOrHideIE());
    AddHotKey(Config().SKey_ScreenShot());
    AddHotKey(Config().SKey_Chat());
    AddHotKey(PortalWindowHotKey);
}

void TVozedaRiru::RemoveAllHotKeys() {
    RemoveHotKey(PortalWindowHotKey);
    RemoveHotKey(Config().SKey_ShowOrHideIE());
    RemoveHotKey(Config().SKey_ScreenShot());
    RemoveHotKey(Config().SKey_Chat());
}

void TVozedaRiru::AddHotKey(uint32_t HotKey) {
    if (HotKey == 0)
        return;
    if (FHKMgr->AddHotKey(HotKey) == 0)
        Dialogs::ShowWarning(HotKeyText(HotKey, true) + " couldn't be assigned to a hotkey.");
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
    if (HotKey == IE) {
        ShowOrHideIE();
    } else if (HotKey == Shot) {
        CaptureArea();
    } else if (HotKey == Chat) {
        QString Number;
        if (Dialogs::InputQuery("聊天", "QQ号码", Number) && !Number.isEmpty())
            OpenChat(Number);
    } else if (HotKey == PortalWindowHotKey) {
        Dispatched(TFeature::PortalWindow);
        if (FContext.TogglePortalWindow)
            FContext.TogglePortalWindow();
    }
}

// The browser control, the screen capture and the chat launcher are joined here as they become
// part of the program; until then their hotkeys are held and a press goes no further.
void TVozedaRiru::ShowOrHideIE() {
    Dispatched(TFeature::ShowOrHideIE);
}

void TVozedaRiru::CaptureArea() {
    Dispatched(TFeature::CaptureArea);
}

void TVozedaRiru::OpenChat(const QString &Number) {
    Dispatched(TFeature::Chat, Number);
}

void TVozedaRiru::Dispatched(TFeature Feature, const QString &Argument) {
    if (FOnDispatch)
        FOnDispatch(Feature, Argument);
}
