#include "IECtrl.h"

#include <optional>

#include "dialogs/Dialogs.h"
#include "platform/BrowserWindows.h"

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

void TIECtrl::Apply(bool Show) {
    if (!FBrowserWindows) {
        ShownFlag = Show;
        return;
    }
    switch (FBrowserWindows->Apply(Show)) {
    case platform::TBrowserReach::Done:
        ShownFlag = Show;
        break;
    case platform::TBrowserReach::X11Only:
        ShownFlag = Show;
        // The same at every press would only be a box to click away: once tells it.
        if (!FToldX11Only) {
            FToldX11Only = true;
            Dialogs::ShowMessage(QStringLiteral(
                "在当前桌面上，本程序只能隐藏或显示X11（XWayland）浏览器窗口；"
                "Wayland原生的浏览器窗口由桌面自己管理，无法由本程序隐藏，请自行最小化。"));
        }
        break;
    // Nothing was done: the flag keeps telling what the user sees, so the next press does
    // what this one meant to.
    case platform::TBrowserReach::Unsupported:
        Dialogs::ShowMessage(QStringLiteral("当前桌面不支持隐藏或显示浏览器窗口。"));
        break;
    case platform::TBrowserReach::NoAnswer:
        Dialogs::ShowMessage(
            Show ? QStringLiteral("桌面暂时没有应答，浏览器窗口未能显示，请稍后再试。")
                 : QStringLiteral("桌面暂时没有应答，浏览器窗口未能隐藏，请稍后再试。"));
        break;
    }
}

void TIECtrl::HideIE() {
    Apply(false);
}

void TIECtrl::ShowIE() {
    Apply(true);
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
