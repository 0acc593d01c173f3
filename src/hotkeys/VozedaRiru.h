#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

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
    static constexpr uint32_t PortalWindowHotKey = 49233;

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
};
