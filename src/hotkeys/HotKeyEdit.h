#pragma once

#include <QLineEdit>
#include <cstdint>

// The hotkey-entry field: holds one 16-bit shortcut value (virtual key with the Shift, Ctrl and
// Alt bits) and shows its HotKeyText. The combination typed replaces the value; a key without
// modifiers, or with Shift alone, is taken with Ctrl instead; Backspace or Delete alone clear it
// to 0. The Windows key cannot be entered; Tab alone moves on to the next field (Ctrl+Tab is a
// combination).
class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget *Parent = nullptr);
    uint16_t HotKey() const { return FHotKey; }
    void SetHotKey(uint16_t Value);

signals:
    void HotKeyChanged(uint16_t Value);

protected:
    bool event(QEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;

private:
    void ShowValue();
    uint16_t FHotKey = 0;
};
