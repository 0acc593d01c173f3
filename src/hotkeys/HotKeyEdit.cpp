#include "HotKeyEdit.h"

#include <QKeyEvent>

#include "HotKeyManager.h"
#include "platform/VirtualKeys.h"

namespace {

uint16_t ModifierBits(Qt::KeyboardModifiers Modifiers) {
    uint16_t Bits = 0;
    if (Modifiers & Qt::ShiftModifier)
        Bits |= HotKeyShift;
    if (Modifiers & Qt::ControlModifier)
        Bits |= HotKeyCtrl;
    if (Modifiers & Qt::AltModifier)
        Bits |= HotKeyAlt;
    return Bits;
}

bool IsModifierKey(int Key) {
    return Key == Qt::Key_Shift || Key == Qt::Key_Control || Key == Qt::Key_Alt ||
           Key == Qt::Key_Meta || Key == Qt::Key_AltGr || Key == Qt::Key_Super_L ||
           Key == Qt::Key_Super_R;
}

} // namespace

THotKeyEdit::THotKeyEdit(QWidget *Parent) : QLineEdit(Parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    // Nothing but a key combination gets in: no pasting, dropping or typed text.
    setReadOnly(true);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    ShowValue();
}

void THotKeyEdit::SetHotKey(uint16_t Value) {
    FHotKey = Value;
    ShowValue();
}

void THotKeyEdit::ShowValue() {
    setText(FHotKey ? HotKeyText(FHotKey, true) : QString());
}

bool THotKeyEdit::event(QEvent *Event) {
    // Every combination is meant for the field, not for a shortcut of the window.
    if (Event->type() == QEvent::ShortcutOverride) {
        Event->accept();
        return true;
    }
    // Tab and Shift+Tab still move to the next field; with Ctrl or Alt they are combinations.
    if (Event->type() == QEvent::KeyPress) {
        auto *Key = static_cast<QKeyEvent *>(Event);
        const bool Tab = Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab;
        if (!(Tab && !(Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))) {
            keyPressEvent(Key);
            return true;
        }
    }
    return QLineEdit::event(Event);
}

void THotKeyEdit::keyPressEvent(QKeyEvent *Event) {
    const int Key = Event->key();
    uint16_t Modifiers = ModifierBits(Event->modifiers());
    Event->accept();
    if (IsModifierKey(Key)) {
        // While only modifiers are held the field shows them, as the desktop's own field does.
        setText(Modifiers ? HotKeyText(Modifiers, true) : QString());
        return;
    }
    if ((Key == Qt::Key_Backspace || Key == Qt::Key_Delete) && Modifiers == 0) {
        SetHotKey(0);
        emit HotKeyChanged(0);
        return;
    }
    // Letters, digits and punctuation are what the key means on the user's layout (the key
    // labelled 1 and & on a French keyboard is 1, whatever Shift makes it write); the Qt key
    // names the other keys, and serves where the layout cannot be asked.
    uint32_t Code = LayoutVirtualKey(Event->nativeScanCode());
    if (Code == 0)
        if (const platform::TVirtualKey *VKey =
                platform::FindVirtualKeyByQtKey(Key, Event->modifiers() & Qt::KeypadModifier))
            Code = VKey->Code;
    if (Code == 0) {
        ShowValue();
        return;
    }
    if (Modifiers == 0 || Modifiers == HotKeyShift)
        Modifiers = HotKeyCtrl;
    SetHotKey(uint16_t(Modifiers | Code));
    emit HotKeyChanged(FHotKey);
}

void THotKeyEdit::keyReleaseEvent(QKeyEvent *Event) {
    Event->accept();
    if (Event->modifiers() == Qt::NoModifier || IsModifierKey(Event->key()))
        ShowValue();
}

void THotKeyEdit::focusOutEvent(QFocusEvent *Event) {
    ShowValue();
    QLineEdit::focusOutEvent(Event);
}
