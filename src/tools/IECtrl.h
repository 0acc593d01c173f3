#pragma once

#include <QString>
#include <memory>

namespace platform {
class IBrowserWindows;
class IStartPage;
} // namespace platform

// The web browsers, acted on from outside: their start page, and hiding or showing all of their
// windows at once. Where the desktop gives no way to reach its browser windows (a Wayland
// desktop without the means the platform uses), each hide or show says so in a message.
class TIECtrl {
public:
    TIECtrl(std::shared_ptr<platform::IBrowserWindows> BrowserWindows,
            std::shared_ptr<platform::IStartPage> StartPage);

    void HideIE();
    void ShowIE();
    // Hides after a show, shows after a hide. Before either, it hides when a browser window is on
    // the desktop and shows otherwise.
    void HideOrShowIE();
    // Writes MainPage as the start page machine-wide, then for the current user. Machine-wide
    // places this user may not change are passed over; a place that cannot be written otherwise
    // ends the operation with a message. Nothing is reported on success.
    void ChangeMainPage(const QString &MainPage);

    // The process-wide shown flag: true after the last show, false after the last hide and before
    // the first of either.
    static bool Shown();

private:
    void Apply();
    std::shared_ptr<platform::IBrowserWindows> FBrowserWindows;
    std::shared_ptr<platform::IStartPage> FStartPage;
};
