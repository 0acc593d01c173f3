#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <functional>

// A tab widget that tells a switch made by the user from one made by code. Every way the user
// has to change tab (a click, the arrow keys and the wheel on the tab bar, Ctrl+Tab,
// Ctrl+Shift+Tab, Ctrl+PgDn, Ctrl+PgUp and whatever else the widget's own keys do) ends in
// SelectPage: before the user
// leaves a tab, OnChanging may refuse; once the new tab is shown, OnChange runs. Commands of the
// program that the user runs select their tab through SelectPage too. Selecting a tab with
// setCurrentIndex runs neither.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget *Parent = nullptr);
    std::function<bool()> OnChanging; // false keeps the current tab
    std::function<void()> OnChange;

    // Switches to Index as a user's switch: the leave guard first, then the tab, then OnChange.
    // Returns whether Index is the current tab afterwards; selecting the current tab does
    // nothing.
    bool SelectPage(int Index);

protected:
    void keyPressEvent(QKeyEvent *Event) override;

private:
    class TBar;
    friend class TBar;
    // The tab an input event would select, worked out by letting the widget's own handling of
    // the event run while the switch itself is held back: the target is always taken from the
    // tab the user is on, whatever the leave guard then selects on its way.
    template <class F> int WouldSelect(F Base);
    // The tab Step places from the current one, going round.
    int NextPage(int Step) const;
    TBar *FBar;
};

class TPageControl::TBar : public QTabBar {
public:
    explicit TBar(TPageControl *Owner) : QTabBar(Owner), FOwner(Owner) {}

protected:
    void mousePressEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;

private:
    TPageControl *FOwner;
};
