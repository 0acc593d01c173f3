#include "VozedaRiru.h"

TVozedaRiru::TVozedaRiru(TContext Context) : FContext(std::move(Context)) {}

TVozedaRiru::~TVozedaRiru() = default;
