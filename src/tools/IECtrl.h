#pragma once

#include <QString>
#include <memory>

namespace platform {
class IBrowserWindows;
class IStartPage;
} // namespace platform

// The web browsers, acted on from outside: their start page, and hiding or showing all of their
// windows at once. Where the desktop gives no way to reach any browser window, each hide or show
// says so; where it lets only the X11 ones be reached (GNOME on Wayland), the first press says
// that Wayland-native windows stay; a desktop that did not answer is reported at that press,
// which then changes nothing.
class TIECtrl {
public:
    TIECtrl(std::shared_ptr<platform::IBrowserWindows> BrowserWindows,
            std::shared_ptr<platform::IStartPage> StartPage);

    void HideIE();
    void ShowIE();
    // Hides after a show, shows after a hide. Before either, it hides when a browser window is on
    // the desktop and shows otherwise.
    void HideOrShowIE();
    // Sets MainPage as the start page of each browser found, the way it keeps the user's own
    // choice. Where only a machine policy can do it, or one of this program's is still there, the
    // user is asked first (No removes this program's policies). One message then tells which
    // browsers were changed and which were not, and why.
    void ChangeMainPage(const QString &MainPage);

    // The process-wide shown flag: true after the last show, false after the last hide and before
    // the first of either. A hide or show that could not be carried out leaves it.
    static bool Shown();

private:
    void Apply(bool Show);
    std::shared_ptr<platform::IBrowserWindows> FBrowserWindows;
    std::shared_ptr<platform::IStartPage> FStartPage;
    bool FToldX11Only = false;
};
