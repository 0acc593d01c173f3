#include "PageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "dialogs/Dialogs.h"

TPageControl::TPageControl(QWidget *Parent) : QTabWidget(Parent) {
    setTabBar(new TBar(this));
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (FUserSwitch && OnChange)
            Dialogs::Guard(OnChange);
    });
}

template <class F> void TPageControl::TBar::UserSwitch(F Base) {
    // Ask first, but only when the event would really leave the tab: the base class decides
    // that, so the event goes to it only after the question, and is dropped on a refusal.
    if (FOwner->OnChanging) {
        bool Allowed = true;
        Dialogs::Guard([&] { Allowed = FOwner->OnChanging(); });
        if (!Allowed)
            return;
    }
    FOwner->FUserSwitch = true;
    Base();
    FOwner->FUserSwitch = false;
}

void TPageControl::TBar::mousePressEvent(QMouseEvent *Event) {
    const int Target = tabAt(Event->position().toPoint());
    if (Event->button() != Qt::LeftButton || Target < 0 || Target == currentIndex()) {
        QTabBar::mousePressEvent(Event);
        return;
    }
    UserSwitch([&] { QTabBar::mousePressEvent(Event); });
}

void TPageControl::TBar::keyPressEvent(QKeyEvent *Event) {
    switch (Event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        UserSwitch([&] { QTabBar::keyPressEvent(Event); });
        break;
    default:
        QTabBar::keyPressEvent(Event);
    }
}

void TPageControl::TBar::wheelEvent(QWheelEvent *Event) {
    UserSwitch([&] { QTabBar::wheelEvent(Event); });
}
