#pragma once

#include <QWidget>

class TLineLabel;

// The Help window: the default hotkeys and a note on screen capture. Shown modeless; "确定" and
// the close box only hide it.
class TFrm_Help : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_Help(QWidget *Parent = nullptr);

    static QString HelpText();
    // "确定".
    void btn1Click();

protected:
    void showEvent(QShowEvent *Event) override;
    // Escape closes the window, as it closes a dialog.
    void keyPressEvent(QKeyEvent *Event) override;

private:
    TLineLabel *FLabel = nullptr;
    bool FCentred = false;
};
