#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/DesktopShortcuts.h"
#include "platform/HotKeys.h"

class THotKeyManager;

// What the user is told about system-wide hotkeys the desktop does not give: a combination that
// cannot be had, and a desktop that offers none at all.
namespace HotKeyNotices {

// The warning for a combination that cannot be had, whether another program holds it or the
// desktop refused or dropped it.
QString TakenWarning(uint32_t HotKey);
// The caption of the settings page's box that enters the keys in GNOME's shortcut settings.
extern const char *const GnomeShortcutsCaption;
// What a desktop without system-wide hotkeys offers instead, for the notice.
struct TDesktop {
    bool CanEnter = false; // the keys can be entered in the desktop's settings from the page
    platform::IDesktopShortcuts::TLines LinesKind = platform::IDesktopShortcuts::TLines::Commands;
    QStringList Lines; // what to add by hand, where they cannot be entered
    bool Tray = true;  // the desktop shows the program's icon and menu
};
// The notice for a desktop that offers no system-wide hotkeys: what works there instead.
QString NoHotKeysNotice(const TDesktop &Desktop = {});
// The key in cfg.ini's [Sys] section that remembers the notice was shown.
extern const char *const NoticedKey;

// Shows Notice only the first time the program starts on a desktop without hotkeys
// (remembered in cfg.ini). A settings file that cannot be written is reported, and nothing
// stops: the notice then comes again at the next start.
void NoticeOnce(const QString &Notice);
// From now on, each combination that the desktop refuses or drops after Manager registered it
// is shown with TakenWarning. Manager must outlive the connection; StopWarning ends it.
void WarnOnRefusal(platform::IHotKeys &HotKeys, const THotKeyManager &Manager);
void StopWarning(platform::IHotKeys &HotKeys);

} // namespace HotKeyNotices
