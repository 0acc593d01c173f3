#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <functional>

// A tab widget that tells a switch made by the user from one made by code: before the user
// leaves a tab, OnChanging may refuse; after the user's switch, OnChange runs. Selecting a tab
// from code (setCurrentIndex) runs neither.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget *Parent = nullptr);
    std::function<bool()> OnChanging; // false keeps the current tab
    std::function<void()> OnChange;

private:
    class TBar;
    friend class TBar;
    bool FUserSwitch = false;
};

class TPageControl::TBar : public QTabBar {
public:
    explicit TBar(TPageControl *Owner) : QTabBar(Owner), FOwner(Owner) {}

protected:
    void mousePressEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;

private:
    template <class F> void UserSwitch(F Base);
    TPageControl *FOwner;
};
