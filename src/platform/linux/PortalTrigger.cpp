#include "PortalTrigger.h"

#include <xkbcommon/xkbcommon.h>

#include "platform/HotKeys.h"
#include "platform/VirtualKeys.h"

namespace platform::linux_ {

QString PortalTrigger(uint32_t Modifiers, uint32_t VirtualKey) {
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    if (!Key || Key->KeySym == 0)
        return {};
    char Name[64];
    if (xkb_keysym_get_name(Key->KeySym, Name, sizeof Name) <= 0)
        return {};
    QString Trigger;
    if (Modifiers & ModControl)
        Trigger += "CTRL+";
    if (Modifiers & ModAlt)
        Trigger += "ALT+";
    if (Modifiers & ModShift)
        Trigger += "SHIFT+";
    if (Modifiers & ModWin)
        Trigger += "LOGO+";
    return Trigger + QString::fromLatin1(Name);
}

QString PortalShortcutId(uint32_t Modifiers, uint32_t VirtualKey) {
    return PortalTrigger(Modifiers, VirtualKey).toLower().replace('+', '-');
}

} // namespace platform::linux_
