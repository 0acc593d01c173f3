#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "platform/BrowserWindows.h"

namespace platform::linux_ {

class TKWinReceiver;

// Browser windows of KDE Plasma's KWin on Wayland: the Wayland windows whose window class names
// a known browser, minimised and restored by a small KWin script loaded over D-Bus. The script
// answers with the windows it minimised, so showing restores only those, never a window the
// user minimised. X11 windows under XWayland are left to the X11 backend.
class TKWinBrowserWindows : public IBrowserWindows {
public:
    // BusAddress: the session bus to use; empty means the session bus of the environment.
    explicit TKWinBrowserWindows(const QString &BusAddress = {});
    ~TKWinBrowserWindows() override;
    TKWinBrowserWindows(const TKWinBrowserWindows &) = delete;
    TKWinBrowserWindows &operator=(const TKWinBrowserWindows &) = delete;

    // False when KWin did not run the script.
    bool Apply(bool Show) override;
    bool AnyOnDesktop() override;

    // Whether KWin is on the bus.
    bool Present() const;

private:
    friend class TKWinReceiver;
    // Runs the script in Mode ("hide", "show" or "find") and returns the window ids it answers
    // with; nothing when KWin could not run it or did not answer.
    std::optional<QStringList> RunScript(const QString &Mode);

    QDBusConnection FBus;
    QString FConnectionName; // non-empty when the connection is ours to close
    std::unique_ptr<TKWinReceiver> FReceiver;
    QString FObjectPath;
    QStringList FHidden; // KWin's ids of the windows minimised here
    bool FBusy = false;
};

} // namespace platform::linux_
