#pragma once

#include <QWidget>

// The Help window.
class TFrm_Help : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_Help(QWidget *Parent = nullptr);
};
