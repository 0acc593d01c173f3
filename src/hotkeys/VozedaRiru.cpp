#include "VozedaRiru.h"

#include "tasks/TaskManager.h"
#include "tools/Chat.h"
#include "tools/CpuMonitor.h"
#include "tools/IECtrl.h"
#include "tools/Runner.h"
#include "tools/ScreenShot.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FTaskManager = std::make_unique<TTaskManager>(FContext.Clock);
    FIECtrl =
        std::make_unique<TIECtrl>(FContext.Platform.BrowserWindows, FContext.Platform.StartPage);
    FScreenShot = std::make_unique<TScreenShot>();
    FRunner = std::make_unique<TRunner>(FContext.Platform.SystemTools, FContext.Platform.Shell);
    FCPUMonitor = std::make_unique<TCpuMonitor>(FContext.Platform.CpuTimes);
    FChat = std::make_unique<TChat>(FContext.Platform.SchemeHandlers);
    FTaskManager->Start();
}

TVozedaRiru::~TVozedaRiru() = default;
