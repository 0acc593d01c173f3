#include "VozedaRiru.h"

#include "tasks/TaskManager.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FTaskManager = std::make_unique<TTaskManager>(FContext.Clock);
    FTaskManager->Start();
}

TVozedaRiru::~TVozedaRiru() = default;
