// Stored hotkey values and key names as cfg.ini or a keymap may give them: a value is read the
// way the [ShortCut] keys are, and its text is always the modifiers in their fixed order followed
// by the key's own name; an XKB key name leads to a key whose virtual key leads back to it.
// Input: the stored value's text, then optionally a line break and an XKB key name.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/IniFile.h"
#include "hotkeys/HotKeyNames.h"
#include "platform/HotKeys.h"
#include "platform/VirtualKeys.h"
#include "platform/linux/XkbKeyNames.h"

// The program's own choice lives with every other backend in PlatformLinux.cpp; the names are
// all this target needs.
std::shared_ptr<platform::IKeyNames> platform::CreateKeyNames() {
    return std::make_shared<linux_::TXkbKeyNames>();
}

namespace {

void Fail(int Line) {
    std::fprintf(stderr, "check failed at line %d\n", Line);
    std::abort();
}
#define Check(Condition)                                                                           \
    do {                                                                                           \
        if (!(Condition))                                                                          \
            Fail(__LINE__);                                                                        \
    } while (false)

void CheckValue(const QString &Text) {
    const std::optional<int32_t> Parsed = TIniFile::ParseInteger(Text);
    if (!Parsed)
        return;
    // As the settings read it: the low 16 bits.
    const uint32_t HotKey = static_cast<uint32_t>(*Parsed) & 0xFFFF;
    uint32_t Modifiers = 0, Key = 0;
    SplitHotKey(HotKey, Modifiers, Key);
    Check(Key == (HotKey & 0xFF));
    Check(bool(Modifiers & platform::ModControl) == bool(HotKey & HotKeyCtrl));
    Check(bool(Modifiers & platform::ModShift) == bool(HotKey & HotKeyShift));
    Check(bool(Modifiers & platform::ModAlt) == bool(HotKey & HotKeyAlt));
    Check(!(Modifiers & platform::ModWin)); // the Win bit lies above what is stored

    QString Prefix;
    for (const auto &[Bit, Name] :
         {std::pair{HotKeyCtrl, "Ctrl+"}, std::pair{HotKeyShift, "Shift+"},
          std::pair{HotKeyAlt, "Alt+"}, std::pair{HotKeyWin, "Win+"}})
        if (HotKey & Bit)
            Prefix += Name;
    const QString KeyText = Key ? HotKeyText(Key, false) : QString();
    Check(HotKeyText(HotKey, false) == Prefix + KeyText);
    // A media key always reads as a word; another key with a fixed name shows that name.
    const platform::TVirtualKey *VK = platform::FindVirtualKey(Key);
    if (IsMediaKey(Key))
        Check(KeyText.size() > 1);
    else if (VK && VK->Name)
        Check(KeyText == QString::fromUtf8(VK->Name));
    // Whatever the other bits say, the whole value has a text.
    (void)HotKeyText(static_cast<uint32_t>(*Parsed), false);
}

void CheckKeyName(const std::string &XkbName) {
    static const std::unique_ptr<platform::linux_::TLayoutKeys> Us =
        platform::linux_::TLayoutKeys::FromNames("us");
    if (!Us)
        return;
    const uint32_t Code = Us->KeyCode(XkbName);
    if (Code == 0)
        return;
    const uint32_t VirtualKey = Us->VirtualKey(Code);
    if (VirtualKey == 0)
        return;
    bool Found = false;
    for (const uint32_t Other : Us->KeyCodes(VirtualKey))
        Found = Found || Other == Code;
    Check(Found);
    Check(!Us->Name(VirtualKey).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    const QByteArray Bytes(reinterpret_cast<const char *>(Data), static_cast<qsizetype>(Size));
    const qsizetype Break = Bytes.indexOf('\n');
    CheckValue(QString::fromUtf8(Break < 0 ? Bytes : Bytes.left(Break)));
    if (Break >= 0)
        CheckKeyName(Bytes.mid(Break + 1).toStdString());
    return 0;
}
