#pragma once

#include <functional>
#include <memory>

#include "platform/Platform.h"
#include "tasks/Clock.h"

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
    };
    explicit TVozedaRiru(TContext Context);
    ~TVozedaRiru();
    TVozedaRiru(const TVozedaRiru &) = delete;
    TVozedaRiru &operator=(const TVozedaRiru &) = delete;

    TTaskManager *TaskManager() const { return FTaskManager.get(); }

private:
    TContext FContext;
    std::unique_ptr<TTaskManager> FTaskManager;
};
