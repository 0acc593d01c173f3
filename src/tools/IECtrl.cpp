#include "IECtrl.h"

#include <optional>

#include "dialogs/Dialogs.h"
#include "platform/BrowserWindows.h"
#include "platform/StartPage.h"

namespace {

// One flag for the whole process, shared by the buttons, the menu and the hotkey. It is unset
// until the first hide or show: what the browsers look like then is only known from the desktop.
std::optional<bool> ShownFlag;

} // namespace

TIECtrl::TIECtrl(std::shared_ptr<platform::IBrowserWindows> BrowserWindows,
                 std::shared_ptr<platform::IStartPage> StartPage)
    : FBrowserWindows(std::move(BrowserWindows)), FStartPage(std::move(StartPage)) {}

bool TIECtrl::Shown() {
    return ShownFlag.value_or(false);
}

void TIECtrl::Apply() {
    // Some Wayland desktops let no other program hide or show a window: say so at every press
    // rather than leave the user wondering why nothing happened.
    if (FBrowserWindows && !FBrowserWindows->Apply(Shown()))
        Dialogs::ShowMessage(QStringLiteral("当前桌面不支持隐藏或显示浏览器窗口。"));
}

void TIECtrl::HideIE() {
    ShownFlag = false;
    Apply();
}

void TIECtrl::ShowIE() {
    ShownFlag = true;
    Apply();
}

void TIECtrl::HideOrShowIE() {
    // The key is pressed once, when it matters: the first press hides the browsers on the
    // desktop instead of "showing" what is already there. With none there it shows, bringing back
    // windows withdrawn before, and the toggle then goes on from the flag.
    const bool Shown = ShownFlag ? *ShownFlag : FBrowserWindows && FBrowserWindows->AnyOnDesktop();
    if (Shown)
        HideIE();
    else
        ShowIE();
}

void TIECtrl::ChangeMainPage(const QString &MainPage) {
    if (!FStartPage)
        return;
    const std::string Url = MainPage.toStdString();
    // A machine-wide place that fails leaves the user's own places unwritten.
    std::string Failed = FStartPage->SetMachineWide(Url);
    if (Failed.empty())
        Failed = FStartPage->SetPerUser(Url);
    if (!Failed.empty())
        Dialogs::ShowMessage(
            QString("Failed to set data for '%1'").arg(QString::fromStdString(Failed)));
}
