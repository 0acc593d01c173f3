#pragma once

#include <QWidget>

// The About window.
class TFrm_About : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_About(QWidget *Parent = nullptr);
};
