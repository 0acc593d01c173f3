#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class THotKeyEdit;
class TVozedaRiru;

// The page "系统设置" of the main window: the three configurable hotkeys, auto-run and the CPU
// alert. It shows the stored values whenever it is loaded and stores them only through "确定";
// leaving it without that discards the changes. It fills its tab page as the panel Panel3.
class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    // Gen: the dispatcher that (re-)registers the hotkeys, asked at the moment of saving;
    // CloseWindow: closes (hides) the main window after a save.
    TSettingsPage(QWidget *Page, std::function<TVozedaRiru *()> Gen,
                  std::function<void()> CloseWindow);

    // Shows the stored values.
    void Load();
    // "确定": re-registers and stores the values, then closes the main window.
    void Button2Click();

    THotKeyEdit *HotKey1() const { return FHotKey1; }
    THotKeyEdit *HotKey3() const { return FHotKey3; }
    THotKeyEdit *HotKey4() const { return FHotKey4; }
    QCheckBox *CheckBox1() const { return FCheckBox1; }
    QCheckBox *CheckBox2() const { return FCheckBox2; }
    // Enters the keys in GNOME's own shortcut settings; shown only where the desktop offers no
    // system-wide hotkeys and has those settings.
    QCheckBox *CheckBox3() const { return FCheckBox3; }
    QPushButton *Button2() const { return FButton2; }

private:
    std::function<TVozedaRiru *()> FGen;
    std::function<void()> FCloseWindow;
    THotKeyEdit *FHotKey1 = nullptr;
    THotKeyEdit *FHotKey3 = nullptr;
    THotKeyEdit *FHotKey4 = nullptr;
    QCheckBox *FCheckBox1 = nullptr;
    QCheckBox *FCheckBox2 = nullptr;
    QCheckBox *FCheckBox3 = nullptr;
    QPushButton *FButton2 = nullptr;
};
