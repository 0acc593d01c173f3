#pragma once

#include <QWidget>

// The portal browser window.
class TFrm_WB : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_WB(QWidget *Parent = nullptr);
};
