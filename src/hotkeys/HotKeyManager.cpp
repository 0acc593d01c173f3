#include "HotKeyManager.h"

#include <algorithm>

#include "Atoms.h"
#include "dialogs/Dialogs.h"
#include "platform/KeyNames.h"

namespace {

QString AtomName(uint32_t HotKey) {
    return QStringLiteral("HotKeyManagerHotKey") + QString::number(HotKey);
}

struct TNames {
    QString Shift = "Shift", Ctrl = "Ctrl", Alt = "Alt", Win = "Win";
    std::shared_ptr<platform::IKeyNames> KeyNames;
};

TNames &Names() {
    static TNames N;
    return N;
}

platform::IKeyNames &KeyNames() {
    // HotKeyText may be asked before start-up prepared the names (tests, tools): the system's
    // own key names are made then.
    if (!Names().KeyNames)
        Names().KeyNames = platform::CreateKeyNames();
    return *Names().KeyNames;
}

QString KeyPart(uint32_t Key, bool Localized) {
    return QString::fromStdString(KeyNames().KeyName(Key, Localized));
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

bool THotKeyManager::RemoveWhere(const std::function<bool(const THotKeyEntry &)> &Match) {
    const auto It = std::find_if(FHotKeyList.begin(), FHotKeyList.end(), Match);
    if (It == FHotKeyList.end())
        return false;
    const THotKeyEntry Entry = *It;
    FHotKeyList.erase(It);
    return ReleaseEntry(Entry);
}

bool THotKeyManager::RemoveHotKey(uint32_t HotKey) {
    return RemoveWhere([HotKey](const THotKeyEntry &E) { return E.HotKey == HotKey; });
}

bool THotKeyManager::RemoveHotKeyByIndex(uint16_t Index) {
    return RemoveWhere([Index](const THotKeyEntry &E) { return E.Index == Index; });
}

uint16_t THotKeyManager::ChangeHotKey(uint16_t Index, uint32_t NewHotKey) {
    if (std::none_of(FHotKeyList.begin(), FHotKeyList.end(),
                     [Index](const THotKeyEntry &E) { return E.Index == Index; }))
        return 0;
    RemoveHotKeyByIndex(Index);
    return AddHotKey(NewHotKey);
}

void THotKeyManager::ClearHotKeys() {
    while (!FHotKeyList.empty()) {
        const THotKeyEntry Entry = FHotKeyList.back();
        FHotKeyList.pop_back();
        ReleaseEntry(Entry);
    }
}

bool THotKeyManager::HotKeyValid(uint32_t HotKey) {
    // A combination held here is valid as it is: it is not let go of and grabbed again, since
    // another program could take it in between.
    if (std::any_of(FHotKeyList.begin(), FHotKeyList.end(),
                    [HotKey](const THotKeyEntry &E) { return E.HotKey == HotKey; }))
        return true;
    if (!FHotKeys)
        return false;
    uint32_t Modifiers = 0, Key = 0;
    SplitHotKey(HotKey, Modifiers, Key);
    const uint16_t Atom = Atoms::Add(AtomName(HotKey));
    if (Atom == 0)
        return false;
    const bool Free = FHotKeys->Register(Atom, Modifiers, Key);
    if (Free)
        FHotKeys->Unregister(Atom);
    Atoms::Delete(Atom);
    return Free;
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

void SplitHotKey(uint32_t HotKey, uint32_t &Modifiers, uint32_t &Key) {
    Key = HotKey & 0xFF;
    Modifiers = 0;
    if (HotKey & HotKeyWin)
        Modifiers += platform::ModWin;
    if (HotKey & HotKeyAlt)
        Modifiers += platform::ModAlt;
    if (HotKey & HotKeyCtrl)
        Modifiers += platform::ModControl;
    if (HotKey & HotKeyShift)
        Modifiers += platform::ModShift;
}

QString HotKeyText(uint32_t HotKey, bool Localized) {
    const TNames &N = Names();
    QString Text;
    if (HotKey & HotKeyCtrl)
        Text += (Localized ? N.Ctrl : QStringLiteral("Ctrl")) + '+';
    if (HotKey & HotKeyShift)
        Text += (Localized ? N.Shift : QStringLiteral("Shift")) + '+';
    if (HotKey & HotKeyAlt)
        Text += (Localized ? N.Alt : QStringLiteral("Alt")) + '+';
    if (HotKey & HotKeyWin)
        Text += (Localized ? N.Win : QStringLiteral("Win")) + '+';
    const uint32_t Key = HotKey & 0xFF;
    QString Name = Key ? KeyPart(Key, Localized) : QString();
    if (Name.size() <= 1 && IsMediaKey(Key))
        Name = MediaKeyName(Key);
    return Text + Name;
}

uint32_t LayoutVirtualKey(uint32_t ScanCode) {
    return ScanCode ? KeyNames().VirtualKeyOfScanCode(ScanCode) : 0;
}

bool IsMediaKey(uint32_t Key) {
    return Key >= 166 && Key <= 183;
}

QString MediaKeyName(uint32_t Key) {
    static const char *const Table[] = {
        "Browser Back",        "Browser Forward",    "Browser Refresh",    "Browser Stop",
        "Browser Search",      "Browser Favorites",  "Browser Start/Home", "Volume Mute",
        "Volume Down",         "Volume Up",          "Next Track",         "Previous Track",
        "Stop Media",          "Play/Pause Media",   "Start Mail",         "Select Media",
        "Start Application 1", "Start Application 2"};
    return IsMediaKey(Key) ? QString::fromLatin1(Table[Key - 166]) : QString();
}

bool IsCapitalsOnly(const QString &Text) {
    return std::all_of(Text.begin(), Text.end(), [](QChar C) { return C >= 'A' && C <= 'Z'; });
}

void InitializeHotKeyNames(std::shared_ptr<platform::IKeyNames> KeyNames) {
    TNames &N = Names();
    N = TNames();
    N.KeyNames = std::move(KeyNames);
    // The names of the Shift, Ctrl and Alt keys themselves (virtual keys 16, 17, 18); a layout
    // without a name for one leaves it empty.
    N.Shift = HotKeyText(0x10, true);
    N.Ctrl = HotKeyText(0x11, true);
    N.Alt = HotKeyText(0x12, true);
    // Layouts that write key names in capitals get the Windows key in capitals too.
    if (IsCapitalsOnly(N.Alt))
        N.Win = N.Win.toUpper();
}

void FinalizeHotKeyNames() {
    TNames &N = Names();
    N.KeyNames.reset();
    N.Shift.clear();
    N.Ctrl.clear();
    N.Alt.clear();
    N.Win.clear();
}

QString ShiftName() {
    return Names().Shift;
}
QString CtrlName() {
    return Names().Ctrl;
}
QString AltName() {
    return Names().Alt;
}
QString WinName() {
    return Names().Win;
}
