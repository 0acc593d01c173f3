#pragma once

#include <QWidget>

// The reminder window: caption "提醒", always on top, a 255 x 159 client area.
class TFrm_Pop : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_Pop(QWidget *Parent = nullptr);
};
