#include "PageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "dialogs/Dialogs.h"

TPageControl::TPageControl(QWidget *Parent) : QTabWidget(Parent), FBar(new TBar(this)) {
    setTabBar(FBar);
}

bool TPageControl::SelectPage(int Index) {
    if (Index < 0 || Index >= count() || !isTabEnabled(Index))
        return false;
    if (Index == currentIndex())
        return true;
    if (OnChanging) {
        bool Allowed = true;
        Dialogs::Guard([&] { Allowed = OnChanging(); });
        if (!Allowed)
            return false;
    }
    // The guard may have selected another tab on its way (storing a row returns to the list);
    // the user still lands where the switch pointed.
    setCurrentIndex(Index);
    if (OnChange)
        Dialogs::Guard(OnChange);
    return currentIndex() == Index;
}

template <class F> int TPageControl::WouldSelect(F Base) {
    // The pages follow the bar through its currentChanged signal: held back, only the bar moves,
    // and it is put back at once.
    const QSignalBlocker Blocker(FBar);
    const int Before = FBar->currentIndex();
    Base();
    const int After = FBar->currentIndex();
    if (After != Before)
        FBar->setCurrentIndex(Before);
    return After;
}

int TPageControl::NextPage(int Step) const {
    // Round from the last tab to the first and back, over the tabs that can be selected, as
    // Ctrl+Tab does.
    const int Count = count();
    for (int Index = currentIndex(), Pass = 1; Pass < Count; ++Pass) {
        Index = (Index + Step + Count) % Count;
        if (isTabEnabled(Index) && isTabVisible(Index))
            return Index;
    }
    return currentIndex();
}

void TPageControl::keyPressEvent(QKeyEvent *Event) {
    // Ctrl+Tab and Ctrl+Shift+Tab from anywhere inside the pages end here, and Ctrl+PgDn and
    // Ctrl+PgUp, the tab keys of the desktop's other programs.
    const Qt::KeyboardModifiers Modifiers =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (Modifiers == Qt::ControlModifier &&
        (Event->key() == Qt::Key_PageDown || Event->key() == Qt::Key_PageUp)) {
        Event->accept();
        SelectPage(NextPage(Event->key() == Qt::Key_PageDown ? 1 : -1));
        return;
    }
    const int Target = WouldSelect([&] { QTabWidget::keyPressEvent(Event); });
    if (Target != currentIndex())
        SelectPage(Target);
}

void TPageControl::TBar::mousePressEvent(QMouseEvent *Event) {
    const int Target = tabAt(Event->position().toPoint());
    if (Event->button() != Qt::LeftButton || Target < 0 || Target == currentIndex() ||
        !isTabEnabled(Target)) {
        QTabBar::mousePressEvent(Event);
        return;
    }
    // A refused switch drops the click; an allowed one lets the bar see its press on the tab
    // that is now current.
    if (FOwner->SelectPage(Target))
        QTabBar::mousePressEvent(Event);
}

void TPageControl::TBar::keyPressEvent(QKeyEvent *Event) {
    const int Target = FOwner->WouldSelect([&] { QTabBar::keyPressEvent(Event); });
    if (Target != currentIndex())
        FOwner->SelectPage(Target);
}

void TPageControl::TBar::wheelEvent(QWheelEvent *Event) {
    const int Target = FOwner->WouldSelect([&] { QTabBar::wheelEvent(Event); });
    if (Target != currentIndex())
        FOwner->SelectPage(Target);
}
