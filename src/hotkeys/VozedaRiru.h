#pragma once

#include <functional>
#include <memory>

#include "platform/Platform.h"
#include "tasks/Clock.h"

class TTaskManager;

class TChat;
class TRunner;
class TCpuMonitor;
class TIECtrl;
class TScreenShot;

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
    };
    explicit TVozedaRiru(TContext Context);
    ~TVozedaRiru();
    TVozedaRiru(const TVozedaRiru &) = delete;
    TVozedaRiru &operator=(const TVozedaRiru &) = delete;

    TTaskManager *TaskManager() const { return FTaskManager.get(); }
    TIECtrl *IECtrl() const { return FIECtrl.get(); }
    TScreenShot *ScreenShot() const { return FScreenShot.get(); }
    TRunner *Runner() const { return FRunner.get(); }
    TCpuMonitor *CpuMonitor() const { return FCPUMonitor.get(); }
    TChat *Chat() const { return FChat.get(); }

private:
    TContext FContext;
    std::unique_ptr<TTaskManager> FTaskManager;
    std::unique_ptr<TIECtrl> FIECtrl;
    std::unique_ptr<TScreenShot> FScreenShot;
    std::unique_ptr<TRunner> FRunner;
    std::unique_ptr<TCpuMonitor> FCPUMonitor;
    std::unique_ptr<TChat> FChat;
};
