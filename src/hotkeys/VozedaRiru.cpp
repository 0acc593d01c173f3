#include "VozedaRiru.h"

#include "tools/Chat.h"
#include "tools/Runner.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FRunner = std::make_unique<TRunner>(FContext.Platform.SystemTools, FContext.Platform.Shell);
    FChat = std::make_unique<TChat>(FContext.Platform.SchemeHandlers);
}

TVozedaRiru::~TVozedaRiru() = default;
