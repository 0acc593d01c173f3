#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "KWinScripts.h"
#include "platform/BrowserWindows.h"

namespace platform::linux_ {

// Browser windows of KDE Plasma's KWin on Wayland: the Wayland windows whose window class names
// a known browser, minimised and restored by a small KWin script. The script answers with the
// windows it minimised, so showing restores only those, never a window the user minimised. X11
// windows under XWayland are left to the X11 backend.
class TKWinBrowserWindows : public IBrowserWindows {
public:
    // BusAddress: the session bus to use; empty means the session bus of the environment.
    explicit TKWinBrowserWindows(const QString &BusAddress = {}) : FKWin(BusAddress) {}

    // NoAnswer when KWin did not run the script.
    TBrowserReach Apply(bool Show) override;
    bool AnyOnDesktop() override;

    // Whether KWin is on the bus.
    bool Present() const { return FKWin.Present(); }

private:
    // Runs the script in Mode ("hide", "show" or "find") and returns the window ids it answers
    // with; nothing when KWin could not run it or did not answer.
    std::optional<QStringList> RunScript(const QString &Mode);

    TKWinScripts FKWin;
    QStringList FHidden; // KWin's ids of the windows minimised here
};

} // namespace platform::linux_
