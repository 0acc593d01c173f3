#pragma once

class QWidget;

// Shows a window (restoring it when minimised), raises it and gives it the focus.
void BringToFront(QWidget *Window);
