#pragma once

#include <QString>
#include <cstdint>

namespace platform::linux_ {

// The trigger of a combination in the desktop portal's shortcut syntax ("CTRL+ALT+q": modifiers
// in capitals, then the key's XKB keysym name); empty when the key has no such name.
QString PortalTrigger(uint32_t Modifiers, uint32_t VirtualKey);
// The portal's shortcut id of a combination: the trigger in lower case with "-" between the
// parts ("ctrl-alt-q"), so the same combination keeps its id, and what the user set for it,
// from one start to the next.
QString PortalShortcutId(uint32_t Modifiers, uint32_t VirtualKey);

} // namespace platform::linux_
