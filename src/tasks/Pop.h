#pragma once

#include <QWidget>

class QLabel;

// The reminder window: caption "提醒", always on top, a 255 x 159 client area.
class TFrm_Pop : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_Pop(QWidget *Parent = nullptr);
    // The first line: a task's name, or the text of the CPU alert.
    QLabel *Label1() const { return FLabel1; }
    // Brings the window up at the bottom right of the screen.
    void Pop();

private:
    QLabel *FLabel1;
};
