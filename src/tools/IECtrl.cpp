#include "IECtrl.h"

#include "dialogs/Dialogs.h"
#include "platform/BrowserWindows.h"
#include "platform/StartPage.h"

namespace {

// One flag for the whole process, shared by the buttons, the menu and the hotkey, whatever the
// state the browser windows were found in.
bool ShownFlag = false;

} // namespace

TIECtrl::TIECtrl(std::shared_ptr<platform::IBrowserWindows> BrowserWindows,
                 std::shared_ptr<platform::IStartPage> StartPage)
    : FBrowserWindows(std::move(BrowserWindows)), FStartPage(std::move(StartPage)) {}

bool TIECtrl::Shown() {
    return ShownFlag;
}

void TIECtrl::Apply() {
    if (FBrowserWindows)
        FBrowserWindows->Apply(ShownFlag);
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
    if (ShownFlag)
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
