#include "BringToFront.h"

#include <QWidget>

void BringToFront(QWidget *Window) {
    if (!Window)
        return;
    if (Window->isMinimized())
        Window->showNormal();
    else
        Window->show();
    Window->raise();
    Window->activateWindow();
}
