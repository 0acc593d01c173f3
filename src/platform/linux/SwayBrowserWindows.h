#pragma once

#include <QJsonDocument>
#include <QString>
#include <map>
#include <optional>

#include "platform/BrowserWindows.h"

namespace platform::linux_ {

// Browser windows of a Wayland desktop that speaks sway's IPC (sway and other wlroots desktops):
// the Wayland views whose app_id names a known browser. Such a desktop has no minimised state,
// so hiding moves a view to the scratchpad and showing takes back only the views hidden here,
// into the focused workspace, tiled again (or floating, as they were). X11 windows under
// XWayland are left to the X11 backend.
class TSwayBrowserWindows : public IBrowserWindows {
public:
    // Socket: the IPC socket; empty means $SWAYSOCK.
    explicit TSwayBrowserWindows(QString Socket = {});
    // NoAnswer when the desktop did not answer (gone, or hung past the IPC's time limit).
    TBrowserReach Apply(bool Show) override;
    bool AnyOnDesktop() override;

private:
    // The desktop's window tree; nothing when it cannot be reached.
    std::optional<QJsonDocument> Tree() const;
    // Whether every command of Command was done.
    bool Run(const QString &Command) const;

    QString FSocket;
    // The views hidden here, by con id, each with whether it was floating.
    std::map<qint64, bool> FHidden;
};

} // namespace platform::linux_
