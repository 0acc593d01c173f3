#include "HotKeyNotices.h"

#include <QSystemTrayIcon>

#include "HotKeyManager.h"
#include "config/Config.h"
#include "config/IniFile.h"
#include "dialogs/Dialogs.h"

namespace HotKeyNotices {

const char *const NoticedKey = "NoHotKeysNoticed";

QString TakenWarning(uint32_t HotKey) {
    return HotKeyText(HotKey, true) + " couldn't be assigned to a hotkey.";
}

QString NoHotKeysNotice() {
    // Only what works on this desktop: without a notification area there is no menu to point
    // to, but the main window comes back whenever the program is started again.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return QStringLiteral("当前桌面不支持全局热键,请通过托盘图标的菜单使用各项功能");
    return QStringLiteral("当前桌面不支持全局热键,请在主窗体中使用各项功能。主窗体关闭后,"
                          "从启动器再次打开晴川助手即可回到主窗体;各项功能也可以用命令行动作"
                          "(qingchuan --help)绑定到桌面自己的快捷键。");
}

bool CheckAvailable(platform::IHotKeys &HotKeys) {
    if (HotKeys.Available())
        return true;
    // Read and written at the moment of use, like every other setting.
    TIniFile Ini(Config().IniFileName());
    if (!Ini.ReadBool("Sys", NoticedKey, false)) {
        Dialogs::ShowMessage(NoHotKeysNotice());
        Ini.WriteBool("Sys", NoticedKey, true);
    }
    return false;
}

void WarnOnRefusal(platform::IHotKeys &HotKeys, const THotKeyManager &Manager) {
    HotKeys.SetOnRefused([&Manager](uint16_t Id) {
        for (const THotKeyEntry &E : Manager.HotKeyList())
            if (E.Index == Id) {
                Dialogs::ShowWarning(TakenWarning(E.HotKey));
                return;
            }
    });
}

void StopWarning(platform::IHotKeys &HotKeys) {
    HotKeys.SetOnRefused({});
}

} // namespace HotKeyNotices
