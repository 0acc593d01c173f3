#pragma once

#include <span>

class TFrm_Main;

// One command of the main window: its QAction's object name, category, caption, hint (tooltip
// and status tip, empty for none), image (index in the image list, -1 for none) and handler.
// A command without a handler is shown disabled until the feature that runs it binds it (the
// task pages bind the task commands themselves).
struct TMainAction {
    const char *Name;
    const char *Category;
    const char *Caption;
    const char *Hint;
    int Image;
    void (*Handler)(TFrm_Main &Main);
};

// Every command of the main window, in the order they are made.
std::span<const TMainAction> MainActions();
