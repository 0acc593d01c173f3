#include "HotKeyNotices.h"

#include <QSystemTrayIcon>

#include "HotKeyManager.h"
#include "config/Config.h"
#include "config/IniFile.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"

namespace HotKeyNotices {

const char *const NoticedKey = "NoHotKeysNoticed";
const char *const GnomeShortcutsCaption = "登记为GNOME自定义快捷键";

QString TakenWarning(uint32_t HotKey) {
    return HotKeyText(HotKey, true) + " couldn't be assigned to a hotkey.";
}

QString NoHotKeysNotice(const TDesktop &Desktop) {
    using TLines = platform::IDesktopShortcuts::TLines;
    QString Text = "当前桌面不支持全局热键";
    // Without a notification area there is no menu to point to, but the main window comes back
    // whenever the program is started again.
    const QString Back = "主窗体关闭后,从启动器再次打开晴川助手即可回到主窗体。";
    QString Instead;
    if (Desktop.CanEnter) {
        Instead = QString("可在“系统设置”页勾选“%1”并按“确定”,由GNOME代为响应这些热键。")
                      .arg(GnomeShortcutsCaption);
    } else if (!Desktop.Lines.isEmpty()) {
        Instead = Desktop.LinesKind == TLines::SwayConfig
                      ? "在sway的配置文件(~/.config/sway/config)中加入以下几行即可使用这些热键:\n"
                      : "可在桌面的键盘快捷键设置中为以下命令指定按键:\n";
        Instead += Desktop.Lines.join('\n') + '\n';
    }
    // Only where an icon is shown is there a menu to point to.
    if (Instead.isEmpty())
        return Text + (Desktop.Tray ? ",请通过托盘图标的菜单使用各项功能"
                                    : ",请在主窗体中使用各项功能。" + Back);
    return Text + "。" + Instead +
           (Desktop.Tray ? "各项功能也可以通过托盘图标的菜单使用。"
                         : "各项功能也可以在主窗体中使用。" + Back);
}

void NoticeOnce(const QString &Notice) {
    // Read and written at the moment of use, like every other setting.
    TIniFile Ini(Config().IniFileName());
    if (Ini.ReadBool("Sys", NoticedKey, false))
        return;
    Dialogs::ShowMessage(Notice);
    try {
        Ini.WriteBool("Sys", NoticedKey, true);
    } catch (const EError &E) {
        // Called while the dispatcher starts: the scheduler and the tools must go on.
        Dialogs::ShowError(E.Text());
    }
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
