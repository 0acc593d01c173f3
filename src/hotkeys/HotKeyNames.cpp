#include "HotKeyNames.h"

#include <algorithm>

#include "platform/HotKeys.h"
#include "platform/KeyNames.h"

namespace {

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
