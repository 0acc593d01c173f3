#include "XkbKeyNames.h"

#include <QString>

#include "platform/VirtualKeys.h"

namespace platform::linux_ {

// The connection and the keymaps are made at the first question, not at construction: compiling
// a keymap reads the XKB data files, and the program asks for names only when it shows one.
TXkbKeyNames::TXkbKeyNames(const std::string &Display) : FServer(Display) {}

TXkbKeyNames::~TXkbKeyNames() = default;

const TLayoutKeys *TXkbKeyNames::UsKeys() {
    // Tried once: where the XKB data is missing, every later name falls back without it.
    if (!FUsTried) {
        FUsTried = true;
        FUsKeys = TLayoutKeys::FromNames("us");
    }
    return FUsKeys.get();
}

std::string TXkbKeyNames::KeyName(uint32_t VirtualKey, bool Localized) {
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    if (Key && Key->Name)
        return Key->Name;
    if (Localized)
        if (const std::unique_ptr<TLayoutKeys> Keys = FServer.Current())
            return Keys->Name(VirtualKey);
    if (const TLayoutKeys *Us = UsKeys())
        return Us->Name(VirtualKey);
    if (!Key)
        return {};
    const char32_t Text[] = {char32_t(Key->KeySym), 0};
    return QString::fromUcs4(Text).toUpper().toStdString();
}

uint32_t TXkbKeyNames::VirtualKeyOfScanCode(uint32_t ScanCode) {
    const std::unique_ptr<TLayoutKeys> Keys = FServer.Current();
    return Keys ? Keys->VirtualKey(ScanCode) : 0;
}

} // namespace platform::linux_
