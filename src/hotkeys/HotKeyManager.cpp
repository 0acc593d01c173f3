#include "HotKeyManager.h"

#include <algorithm>

#include "Atoms.h"
#include "dialogs/Dialogs.h"

namespace {

QString AtomName(uint32_t HotKey) {
    return QStringLiteral("HotKeyManagerHotKey") + QString::number(HotKey);
}

} // namespace

THotKeyManager::THotKeyManager(std::shared_ptr<platform::IHotKeys> HotKeys)
    : FHotKeys(std::move(HotKeys)) {
    if (FHotKeys)
        FHotKeys->SetOnPressed([this](uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) {
            HotKeyWndProc(Id, Modifiers, VirtualKey);
        });
}

THotKeyManager::~THotKeyManager() {
    ClearHotKeys();
    // No event may reach a manager that is gone.
    if (FHotKeys)
        FHotKeys->SetOnPressed(nullptr);
}

uint16_t THotKeyManager::AddHotKey(uint32_t HotKey) {
    uint32_t Modifiers = 0, Key = 0;
    SplitHotKey(HotKey, Modifiers, Key);
    const uint16_t Atom = Atoms::Add(AtomName(HotKey));
    if (Atom == 0)
        return 0;
    if (!FHotKeys || !FHotKeys->Register(Atom, Modifiers, Key)) {
        Atoms::Delete(Atom);
        return 0;
    }
    FHotKeyList.push_back({HotKey, Atom});
    return Atom;
}

bool THotKeyManager::ReleaseEntry(const THotKeyEntry &Entry) {
    const bool Ok = FHotKeys && FHotKeys->Unregister(Entry.Index);
    Atoms::Delete(Entry.Index);
    return Ok;
}

bool THotKeyManager::RemoveHotKey(uint32_t HotKey) {
    const auto It = std::find_if(FHotKeyList.begin(), FHotKeyList.end(),
                                 [HotKey](const THotKeyEntry &E) { return E.HotKey == HotKey; });
    if (It == FHotKeyList.end())
        return false;
    const THotKeyEntry Entry = *It;
    FHotKeyList.erase(It);
    return ReleaseEntry(Entry);
}

void THotKeyManager::ClearHotKeys() {
    while (!FHotKeyList.empty()) {
        const THotKeyEntry Entry = FHotKeyList.back();
        FHotKeyList.pop_back();
        ReleaseEntry(Entry);
    }
}

void THotKeyManager::HotKeyWndProc(uint16_t Id, uint32_t Modifiers, uint32_t VirtualKey) {
    if (!FOnHotKeyPressed)
        return;
    uint32_t Value = VirtualKey & 0xFF;
    if (Modifiers & platform::ModShift)
        Value += HotKeyShift;
    if (Modifiers & platform::ModControl)
        Value += HotKeyCtrl;
    if (Modifiers & platform::ModAlt)
        Value += HotKeyAlt;
    if (Modifiers & platform::ModWin)
        Value += HotKeyWin;
    if (std::none_of(FHotKeyList.begin(), FHotKeyList.end(),
                     [Value](const THotKeyEntry &E) { return E.HotKey == Value; }))
        return;
    // A press comes straight from the event loop: an error in a feature is shown, not thrown
    // through Qt.
    const TOnHotKeyPressed Handler = FOnHotKeyPressed;
    Dialogs::Guard([&] { Handler(Value, Id); });
}
