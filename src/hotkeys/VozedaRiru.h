#pragma once

#include <functional>
#include <memory>

#include "platform/Platform.h"

class TScreenShot;

// Owner of the long-lived tool objects and the place where system-wide hotkeys meet the
// features. The main window creates the one instance and keeps it for the life of the process.
class TVozedaRiru {
public:
    struct TContext {
        platform::TPlatform Platform;
        // Shows the portal window when hidden, hides it when shown.
        std::function<void()> TogglePortalWindow;
    };
    explicit TVozedaRiru(TContext Context);
    ~TVozedaRiru();
    TVozedaRiru(const TVozedaRiru &) = delete;
    TVozedaRiru &operator=(const TVozedaRiru &) = delete;

    TScreenShot *ScreenShot() const { return FScreenShot.get(); }

private:
    TContext FContext;
    std::unique_ptr<TScreenShot> FScreenShot;
};
