#include "VozedaRiru.h"

#include "tools/ScreenShot.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {
    FScreenShot = std::make_unique<TScreenShot>();
}

TVozedaRiru::~TVozedaRiru() = default;
