#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "HotKeyManager.h"
#include "platform/Platform.h"
#include "tasks/Clock.h"

class TChat;
class TCpuMonitor;
class THotKeyManager;
class TIECtrl;
class TRunner;
class TScreenShot;
class TTask;
class TTaskManager;

// Owner of the long-lived tool objects and the place where system-wide hotkeys meet the
// features. The main window creates the one instance and keeps it for the life of the process.
class TVozedaRiru {
public:
    struct TContext {
        platform::TPlatform Platform;
        // Shows the portal window when hidden, hides it when shown.
        std::function<void()> TogglePortalWindow;
        // The time the scheduler goes by; the system's clock when unset.
        std::shared_ptr<const TClock> Clock;
        // The scheduler's and the CPU monitor's handlers. They are bound before the scheduler
        // starts and before the hotkeys are registered: a hotkey warning at start-up runs the
        // box's own event loop, in which due tasks fire and the monitor samples.
        void (*OnRemind)(TTask *Task) = nullptr;
        std::function<void(double Usage)> OnMonitor;
        std::function<void(double Usage)> OnAlarm;
    };
    // Ctrl+Alt+Q: shows or hides the portal window; fixed, never stored.
    static constexpr uint32_t PortalWindowHotKey = HotKeyCtrl | HotKeyAlt | 'Q';
    // The hotkeys of cfg.ini, one per feature in this order: show or hide the browsers, capture
    // an area, open a chat.
    using TStoredHotKeys = std::array<uint16_t, 3>;
    // What the settings page shows before it loads the stored values: Ctrl+1, Ctrl+2, Ctrl+3.
    static constexpr TStoredHotKeys DesignHotKeys = {HotKeyCtrl | '1', HotKeyCtrl | '2',
                                                     HotKeyCtrl | '3'};
    // The stored values as cfg.ini says now.
    static TStoredHotKeys StoredHotKeys();

    // What a hotkey press ran, for tests that watch the dispatch.
    enum class TFeature { ShowOrHideIE, CaptureArea, Chat, PortalWindow };
    using TOnDispatch = std::function<void(TFeature Feature, const QString &Argument)>;

    explicit TVozedaRiru(TContext Context);
    ~TVozedaRiru();
    TVozedaRiru(const TVozedaRiru &) = delete;
    TVozedaRiru &operator=(const TVozedaRiru &) = delete;

    // Registers one hotkey; 0 is no hotkey. A combination that cannot be had is reported in a
    // warning box (unless Warn is false) and left alone until the next start. True when the
    // hotkey is held now, or the value is 0.
    bool AddHotKey(uint32_t HotKey, bool Warn = true);
    void RemoveHotKey(uint32_t HotKey);
    // Lets go of the stored values' hotkeys and registers Values in their place. A value that
    // cannot be had (another program's, or one a feature before it now holds) is reported in a
    // warning box and gives way to the feature's stored value, held again, unless some feature
    // asked for that one or it cannot be had either: then the feature is left without a hotkey
    // (0). GaveWay hears of each such feature. Returns the values held now, the ones to store.
    // On a desktop without system-wide hotkeys Values are taken as they are, without a word.
    TStoredHotKeys
    ReplaceStoredHotKeys(TStoredHotKeys Values,
                         const std::function<void(size_t Feature, uint16_t Held)> &GaveWay = {});

    // Whether the desktop offers system-wide hotkeys; empty until it has said so.
    std::optional<bool> HotKeysOffered() const { return FOffered; }
    // The desktop's own shortcut settings where it offers no hotkeys and the program can enter
    // its keys there itself (GNOME); nullptr otherwise.
    platform::IDesktopShortcuts *DesktopShortcuts() const;
    // Enters the stored keys, Ctrl+Alt+Q too, in those settings as commands of the program;
    // with Enter false takes the program's entries out. An empty text when done, else why not.
    QString EnterDesktopShortcuts(bool Enter);
    // The stored keys, Ctrl+Alt+Q too, as entries of the desktop's settings.
    static std::vector<platform::IDesktopShortcuts::TEntry> DesktopEntries();
    // Runs a feature exactly as its hotkey does (the chat asks for the number first); for the
    // program's command-line actions, which desktops bind to their own shortcuts.
    void Run(TFeature Feature);

    // Watches which feature each press runs (the chat's number as Argument); may be unset.
    void SetOnDispatch(TOnDispatch Value) { FOnDispatch = std::move(Value); }

    TTaskManager *TaskManager() const { return FTaskManager.get(); }
    TIECtrl *IECtrl() const { return FIECtrl.get(); }
    TScreenShot *ScreenShot() const { return FScreenShot.get(); }
    TRunner *Runner() const { return FRunner.get(); }
    TCpuMonitor *CpuMonitor() const { return FCPUMonitor.get(); }
    TChat *Chat() const { return FChat.get(); }

private:
    void StartAll();
    void RemoveAllHotKeys();
    void AvailabilityKnown(bool Offered);
    void RemoveStoredHotKeys(const TStoredHotKeys &Stored);
    void HotKeyPressed(uint32_t HotKey, uint16_t Index);
    void ShowOrHideIE();
    void CaptureArea();
    void OpenChat(const QString &Number);
    void Dispatched(TFeature Feature, const QString &Argument = QString());

    TContext FContext;
    std::unique_ptr<TTaskManager> FTaskManager;
    std::unique_ptr<THotKeyManager> FHKMgr;
    std::unique_ptr<TIECtrl> FIECtrl;
    std::unique_ptr<TScreenShot> FScreenShot;
    std::unique_ptr<TRunner> FRunner;
    std::unique_ptr<TCpuMonitor> FCPUMonitor;
    std::unique_ptr<TChat> FChat;
    TOnDispatch FOnDispatch;
    std::optional<bool> FOffered;
};
