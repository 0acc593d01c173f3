#include "VozedaRiru.h"

#include "tools/CpuMonitor.h"
#include "tools/IECtrl.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FIECtrl =
        std::make_unique<TIECtrl>(FContext.Platform.BrowserWindows, FContext.Platform.StartPage);
    FCPUMonitor = std::make_unique<TCpuMonitor>(FContext.Platform.CpuTimes);
}

TVozedaRiru::~TVozedaRiru() = default;
