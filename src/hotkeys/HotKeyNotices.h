#pragma once

#include <QString>
#include <cstdint>

#include "platform/HotKeys.h"

class THotKeyManager;

// What the user is told about system-wide hotkeys the desktop does not give: a combination that
// cannot be had, and a desktop that offers none at all.
namespace HotKeyNotices {

// The warning for a combination that cannot be had, whether another program holds it or the
// desktop refused or dropped it.
QString TakenWarning(uint32_t HotKey);
// The notice for a desktop that offers no system-wide hotkeys; it names the notification area's
// menu only where there is one.
QString NoHotKeysNotice();
// The key in cfg.ini's [Sys] section that remembers the notice was shown.
extern const char *const NoticedKey;

// True when the desktop offers system-wide hotkeys. Otherwise says so, only the first time the
// program starts on such a desktop (remembered in cfg.ini), and returns false.
bool CheckAvailable(platform::IHotKeys &HotKeys);
// From now on, each combination that the desktop refuses or drops after Manager registered it
// is shown with TakenWarning. Manager must outlive the connection; StopWarning ends it.
void WarnOnRefusal(platform::IHotKeys &HotKeys, const THotKeyManager &Manager);
void StopWarning(platform::IHotKeys &HotKeys);

} // namespace HotKeyNotices
