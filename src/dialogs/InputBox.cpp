#include "InputBox.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "Dialogs.h"

TInputBox::TInputBox(const QString &Caption, const QString &Prompt, const QString &Value,
                     QWidget *Parent)
    : QDialog(Parent) {
    setObjectName("InputBox");
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    FPrompt = new QLabel(Prompt, this);
    FPrompt->setObjectName("Prompt");
    FEdit = new QLineEdit(Value, this);
    FEdit->setObjectName("Edit");
    FEdit->setMaxLength(255);
    FEdit->selectAll();
    FEdit->setMinimumWidth(300);
    auto *Ok = new QPushButton("OK", this);
    Ok->setObjectName("OK");
    Ok->setDefault(true);
    auto *Cancel = new QPushButton("Cancel", this);
    Cancel->setObjectName("Cancel");
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(Ok);
    Buttons->addWidget(Cancel);
    auto *Layout = new QVBoxLayout(this);
    Layout->addWidget(FPrompt);
    Layout->addWidget(FEdit);
    Layout->addLayout(Buttons);
    // As wide as its title needs, so that the window manager does not cut it.
    const QSize Hint = sizeHint();
    setFixedSize(std::max(Hint.width(), Dialogs::TitleRoom(Caption)), Hint.height());
}

QString TInputBox::Value() const {
    return FEdit->text();
}

void TInputBox::showEvent(QShowEvent *Event) {
    if (QScreen *Screen = QGuiApplication::primaryScreen()) {
        QRect Area = Screen->availableGeometry();
        move(Area.center() - rect().center());
    }
    FEdit->setFocus();
    QDialog::showEvent(Event);
}
