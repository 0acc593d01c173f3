#include "VirtualKeys.h"

#include <QtCore/qnamespace.h>

namespace platform {

namespace {

// Keysyms as numbers: this table is read by code that must not include the X headers.
std::vector<TVirtualKey> MakeTable() {
    std::vector<TVirtualKey> T = {
        {0x08, 0xff08, Qt::Key_Backspace, 0, false, "Backspace"},
        {0x09, 0xff09, Qt::Key_Tab, Qt::Key_Backtab, false, "Tab"},
        {0x0C, 0xff0b, Qt::Key_Clear, 0, false, "Clear"},
        {0x0D, 0xff0d, Qt::Key_Return, Qt::Key_Enter, false, "Enter"},
        {0x10, 0xffe1, Qt::Key_Shift, 0, false, "Shift"},
        {0x11, 0xffe3, Qt::Key_Control, 0, false, "Ctrl"},
        {0x12, 0xffe9, Qt::Key_Alt, 0, false, "Alt"},
        {0x13, 0xff13, Qt::Key_Pause, 0, false, "Pause"},
        {0x14, 0xffe5, Qt::Key_CapsLock, 0, false, "Caps Lock"},
        {0x1B, 0xff1b, Qt::Key_Escape, 0, false, "Esc"},
        {0x20, 0x0020, Qt::Key_Space, 0, false, "Space"},
        {0x21, 0xff55, Qt::Key_PageUp, 0, false, "Page Up"},
        {0x22, 0xff56, Qt::Key_PageDown, 0, false, "Page Down"},
        {0x23, 0xff57, Qt::Key_End, 0, false, "End"},
        {0x24, 0xff50, Qt::Key_Home, 0, false, "Home"},
        {0x25, 0xff51, Qt::Key_Left, 0, false, "Left"},
        {0x26, 0xff52, Qt::Key_Up, 0, false, "Up"},
        {0x27, 0xff53, Qt::Key_Right, 0, false, "Right"},
        {0x28, 0xff54, Qt::Key_Down, 0, false, "Down"},
        {0x2C, 0xff61, Qt::Key_Print, 0, false, "Print Screen"},
        {0x2D, 0xff63, Qt::Key_Insert, 0, false, "Insert"},
        {0x2E, 0xffff, Qt::Key_Delete, 0, false, "Delete"},
        {0x2F, 0xff6a, Qt::Key_Help, 0, false, "Help"},
        {0x5B, 0xffeb, Qt::Key_Meta, 0, false, "Left Windows"},
        {0x5C, 0xffec, Qt::Key_Super_R, 0, false, "Right Windows"},
        {0x5D, 0xff67, Qt::Key_Menu, 0, false, "Application"},
        {0x5F, 0x1008ff2f, Qt::Key_Sleep, 0, false, "Sleep"},
        {0x6A, 0xffaa, Qt::Key_Asterisk, 0, true, "Num *"},
        {0x6B, 0xffab, Qt::Key_Plus, 0, true, "Num +"},
        {0x6C, 0xffac, Qt::Key_Comma, 0, true, "Num ,"},
        {0x6D, 0xffad, Qt::Key_Minus, 0, true, "Num -"},
        {0x6E, 0xffae, Qt::Key_Period, 0, true, "Num ."},
        {0x6F, 0xffaf, Qt::Key_Slash, 0, true, "Num /"},
        {0x90, 0xff7f, Qt::Key_NumLock, 0, false, "Num Lock"},
        {0x91, 0xff14, Qt::Key_ScrollLock, 0, false, "Scroll Lock"},
        {0xA0, 0xffe1, 0, 0, false, "Shift"},
        {0xA1, 0xffe2, 0, 0, false, "Right Shift"},
        {0xA2, 0xffe3, 0, 0, false, "Ctrl"},
        {0xA3, 0xffe4, 0, 0, false, "Right Ctrl"},
        {0xA4, 0xffe9, 0, 0, false, "Alt"},
        {0xA5, 0xffea, 0, 0, false, "Right Alt"},
        // Media keys: the layouts give them no name, so their English names are used.
        {0xA6, 0x1008ff26, Qt::Key_Back, 0, false, ""},
        {0xA7, 0x1008ff27, Qt::Key_Forward, 0, false, ""},
        {0xA8, 0x1008ff29, Qt::Key_Refresh, 0, false, ""},
        {0xA9, 0x1008ff28, Qt::Key_Stop, 0, false, ""},
        {0xAA, 0x1008ff1b, Qt::Key_Search, 0, false, ""},
        {0xAB, 0x1008ff30, Qt::Key_Favorites, 0, false, ""},
        {0xAC, 0x1008ff18, Qt::Key_HomePage, 0, false, ""},
        {0xAD, 0x1008ff12, Qt::Key_VolumeMute, 0, false, ""},
        {0xAE, 0x1008ff11, Qt::Key_VolumeDown, 0, false, ""},
        {0xAF, 0x1008ff13, Qt::Key_VolumeUp, 0, false, ""},
        {0xB0, 0x1008ff17, Qt::Key_MediaNext, 0, false, ""},
        {0xB1, 0x1008ff16, Qt::Key_MediaPrevious, 0, false, ""},
        {0xB2, 0x1008ff15, Qt::Key_MediaStop, 0, false, ""},
        {0xB3, 0x1008ff14, Qt::Key_MediaPlay, Qt::Key_MediaTogglePlayPause, false, ""},
        {0xB4, 0x1008ff19, Qt::Key_LaunchMail, 0, false, ""},
        {0xB5, 0x1008ff32, Qt::Key_LaunchMedia, 0, false, ""},
        {0xB6, 0x1008ff33, Qt::Key_Launch0, 0, false, ""},
        {0xB7, 0x1008ff1d, Qt::Key_Calculator, 0, false, ""},
        // Punctuation of a US keyboard; other layouts name these keys themselves.
        {0xBA, 0x003b, Qt::Key_Semicolon, Qt::Key_Colon, false, nullptr},
        {0xBB, 0x003d, Qt::Key_Equal, Qt::Key_Plus, false, nullptr},
        {0xBC, 0x002c, Qt::Key_Comma, Qt::Key_Less, false, nullptr},
        {0xBD, 0x002d, Qt::Key_Minus, Qt::Key_Underscore, false, nullptr},
        {0xBE, 0x002e, Qt::Key_Period, Qt::Key_Greater, false, nullptr},
        {0xBF, 0x002f, Qt::Key_Slash, Qt::Key_Question, false, nullptr},
        {0xC0, 0x0060, Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, false, nullptr},
        {0xDB, 0x005b, Qt::Key_BracketLeft, Qt::Key_BraceLeft, false, nullptr},
        {0xDC, 0x005c, Qt::Key_Backslash, Qt::Key_Bar, false, nullptr},
        {0xDD, 0x005d, Qt::Key_BracketRight, Qt::Key_BraceRight, false, nullptr},
        {0xDE, 0x0027, Qt::Key_Apostrophe, Qt::Key_QuoteDbl, false, nullptr},
        {0xE2, 0x003c, Qt::Key_Less, Qt::Key_Greater, false, nullptr},
    };
    const int ShiftedDigits[] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                 Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                 Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                 Qt::Key_ParenLeft};
    static const char *KeypadNames[] = {"Num 0", "Num 1", "Num 2", "Num 3", "Num 4",
                                        "Num 5", "Num 6", "Num 7", "Num 8", "Num 9"};
    for (int I = 0; I < 10; ++I) {
        T.push_back({uint8_t(0x30 + I), uint32_t(0x30 + I), Qt::Key_0 + I, ShiftedDigits[I], false,
                     nullptr});
        T.push_back(
            {uint8_t(0x60 + I), uint32_t(0xffb0 + I), Qt::Key_0 + I, 0, true, KeypadNames[I]});
    }
    for (int I = 0; I < 26; ++I)
        T.push_back({uint8_t('A' + I), uint32_t('a' + I), Qt::Key_A + I, 0, false, nullptr});
    static const char *FNames[] = {"F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                   "F9",  "F10", "F11", "F12", "F13", "F14", "F15", "F16",
                                   "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    for (int I = 0; I < 24; ++I)
        T.push_back({uint8_t(0x70 + I), uint32_t(0xffbe + I), Qt::Key_F1 + I, 0, false, FNames[I]});
    return T;
}

} // namespace

const std::vector<TVirtualKey> &VirtualKeys() {
    static const std::vector<TVirtualKey> Table = MakeTable();
    return Table;
}

const TVirtualKey *FindVirtualKey(uint32_t Code) {
    for (const TVirtualKey &K : VirtualKeys())
        if (K.Code == Code)
            return &K;
    return nullptr;
}

const TVirtualKey *FindVirtualKeyByQtKey(int QtKey, bool Keypad) {
    if (QtKey == 0)
        return nullptr;
    // A key of the wanted kind (keypad or not) wins over the other kind, and a key's first level
    // over its shifted one; keypad 9 without Num Lock thus reads as Page Up, as on the original.
    for (const bool SameKind : {true, false})
        for (const bool Shifted : {false, true})
            for (const TVirtualKey &K : VirtualKeys())
                if ((Shifted ? K.QtKeyShifted : K.QtKey) == QtKey &&
                    (!SameKind || K.Keypad == Keypad))
                    return &K;
    return nullptr;
}

} // namespace platform
