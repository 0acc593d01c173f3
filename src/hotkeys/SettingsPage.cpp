#include "SettingsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "HotKeyEdit.h"
#include "HotKeyNotices.h"
#include "VozedaRiru.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"

TSettingsPage::TSettingsPage(QWidget *Page, std::function<TVozedaRiru *()> Gen,
                             std::function<void()> CloseWindow)
    : QWidget(Page), FGen(std::move(Gen)), FCloseWindow(std::move(CloseWindow)) {
    setObjectName("Panel3");
    if (Page) {
        auto *Layout = new QVBoxLayout(Page);
        Layout->setContentsMargins(0, 0, 0, 0);
        Layout->addWidget(this);
    }

    auto *Keys = new QGroupBox("快捷键设置", this);
    Keys->setObjectName("快捷键设置");
    Keys->setGeometry(0, 0, 361, 81);
    const auto Label = [](QWidget *Parent, const char *Name, const char *Caption, int X, int Y,
                          int Width) {
        auto *L = new QLabel(Caption, Parent);
        L->setObjectName(Name);
        // 16 pixels: Chinese text drawn with the stand-in font needs them.
        L->setGeometry(X, Y, Width, 16);
        return L;
    };
    const auto &Design = TVozedaRiru::DesignHotKeys;
    const auto Edit = [Keys](const char *Name, uint16_t Design, const QRect &Geometry) {
        auto *E = new THotKeyEdit(Keys);
        E->setObjectName(Name);
        E->setGeometry(Geometry);
        E->SetHotKey(Design);
        return E;
    };
    // Two lines below the group's title, each label level with its field; the two fields of
    // the left column start at the same place and end where they always did.
    FHotKey1 = Edit("HotKey1", Design[0], QRect(86, 22, 91, 19));
    Label(Keys, "Label8", "显示/隐藏IE", 16, 23, 66)->setBuddy(FHotKey1);
    FHotKey3 = Edit("HotKey3", Design[1], QRect(86, 47, 91, 19));
    Label(Keys, "Label10", "截屏", 16, 48, 66)->setBuddy(FHotKey3);
    FHotKey4 = Edit("HotKey4", Design[2], QRect(224, 47, 121, 19));
    Label(Keys, "Label11", "聊天", 183, 48, 37)->setBuddy(FHotKey4);

    auto *Alerts = new QGroupBox("提醒设置", this);
    Alerts->setObjectName("GroupBox9");
    Alerts->setGeometry(0, 87, 361, 42);
    // Inside the frame, below its title.
    FCheckBox1 = new QCheckBox("开机自动运行", Alerts);
    FCheckBox1->setObjectName("CheckBox1");
    FCheckBox1->setGeometry(16, 20, 97, 18);
    FCheckBox2 = new QCheckBox("CPU使用量过高时提示", Alerts);
    FCheckBox2->setObjectName("CheckBox2");
    FCheckBox2->setGeometry(119, 20, 137, 18);

    FCheckBox3 = new QCheckBox(HotKeyNotices::GnomeShortcutsCaption, this);
    FCheckBox3->setObjectName("CheckBox3");
    FCheckBox3->setGeometry(16, 137, 330, 18);
    FCheckBox3->hide();

    FButton2 = new QPushButton("确定", this);
    FButton2->setObjectName("Button2");
    FButton2->setGeometry(286, 262, 75, 25);
    connect(FButton2, &QPushButton::clicked, this, Dialogs::Guarded([this] { Button2Click(); }));
}

void TSettingsPage::Load() {
    const TConfig &C = Config();
    FHotKey1->SetHotKey(C.SKey_ShowOrHideIE());
    FHotKey3->SetHotKey(C.SKey_ScreenShot());
    FHotKey4->SetHotKey(C.SKey_Chat());
    FCheckBox1->setChecked(C.AutoRun());
    FCheckBox2->setChecked(C.CPUMonitor());
    // What GNOME's settings hold now: the user may have removed the entries there.
    TVozedaRiru *Gen = FGen ? FGen() : nullptr;
    platform::IDesktopShortcuts *Desktop = Gen ? Gen->DesktopShortcuts() : nullptr;
    FCheckBox3->setVisible(Desktop);
    FCheckBox3->setChecked(Desktop && Desktop->Entered());
}

void TSettingsPage::Button2Click() {
    TConfig &C = Config();
    TVozedaRiru *Gen = FGen ? FGen() : nullptr;
    THotKeyEdit *const Edits[] = {FHotKey1, FHotKey3, FHotKey4};
    TVozedaRiru::TStoredHotKeys Values;
    for (size_t I = 0; I < Values.size(); ++I)
        Values[I] = Edits[I]->HotKey();
    // A field whose combination could not be had shows what the feature has instead.
    if (Gen)
        Values = Gen->ReplaceStoredHotKeys(
            Values, [&Edits](size_t I, uint16_t Held) { Edits[I]->SetHotKey(Held); });
    C.SetSKey_ShowOrHideIE(Values[0]);
    C.SetSKey_ScreenShot(Values[1]);
    C.SetSKey_Chat(Values[2]);
    try {
        C.SetAutoRun(FCheckBox1->isChecked());
    } catch (const EError &) {
        // Nothing was changed: the box shows again what the next log-on will do.
        FCheckBox1->setChecked(C.AutoRun());
        throw;
    }
    C.SetCPUMonitor(FCheckBox2->isChecked());
    // The desktop's entries follow the keys just stored, or go when the box is cleared.
    if (platform::IDesktopShortcuts *Desktop = Gen ? Gen->DesktopShortcuts() : nullptr;
        Desktop && (FCheckBox3->isChecked() || Desktop->Entered())) {
        const QString Why = Gen->EnterDesktopShortcuts(FCheckBox3->isChecked());
        if (!Why.isEmpty())
            throw EError("无法写入GNOME的快捷键设置: " + Why);
    }
    if (FCloseWindow)
        FCloseWindow();
}
