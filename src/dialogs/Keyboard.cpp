#include "Keyboard.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace Keyboard {

namespace {

class TButtonKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override {
        if (Event->type() != QEvent::KeyPress)
            return false;
        const auto *Key = static_cast<QKeyEvent *>(Event);
        if (Key->key() != Qt::Key_Return && Key->key() != Qt::Key_Enter)
            return false;
        // The keypad's Enter carries KeypadModifier; any other modifier means another command.
        if ((Key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *Button = qobject_cast<QAbstractButton *>(Watched);
        if (!Button || !Button->hasFocus() || !Button->isEnabled() || Key->isAutoRepeat())
            return false;
        if (!qobject_cast<QToolButton *>(Button)) {
            auto *Push = qobject_cast<QPushButton *>(Button);
            // A dialog's buttons already answer Enter (its default or the focused one).
            if (!Push || Push->autoDefault() || Push->isDefault())
                return false;
        }
        // As Space does: the button shows itself pressed for a moment, then clicks.
        Button->animateClick();
        return true;
    }
};

} // namespace

void InstallButtonKeys(QObject *Target) {
    // Once, however often it is asked for (each test asks again).
    const QString Name = QStringLiteral("qc_ButtonKeys");
    if (Target->findChild<QObject *>(Name, Qt::FindDirectChildrenOnly))
        return;
    auto *Filter = new TButtonKeys(Target);
    Filter->setObjectName(Name);
    Target->installEventFilter(Filter);
}

} // namespace Keyboard
