#include "DBRadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <algorithm>

TDBRadioGroup::TDBRadioGroup(const QString &Caption, const QStringList &Items, int Columns,
                             QWidget *Parent)
    : QGroupBox(Caption, Parent), FItems(Items), FButtons(new QButtonGroup(this)) {
    // The frame and highlight colours of the original choice groups.
    setStyleSheet("TDBRadioGroup { border: 1px solid #1C5280; margin-top: 7px; }"
                  "TDBRadioGroup::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
                  "QRadioButton:hover { color: #21A121; }");
    FButtons->setExclusive(true);
    FColumns = std::max(1, Columns);
    for (int I = 0; I < Items.size(); ++I) {
        auto *Button = new QRadioButton(Items[I], this);
        Button->setObjectName(QString("Item%1").arg(I));
        FButtons->addButton(Button, I);
    }
    LayoutItems();
    connect(FButtons, &QButtonGroup::idClicked, this, [this](int Id) {
        if (FReadOnly) {
            ShowValue();
            return;
        }
        if (FItems.value(Id) == FValue)
            return;
        FValue = FItems.value(Id);
        emit Changed();
        emit UserChanged();
    });
}

void TDBRadioGroup::resizeEvent(QResizeEvent *Event) {
    QGroupBox::resizeEvent(Event);
    LayoutItems();
}

void TDBRadioGroup::LayoutItems() {
    // Columns of equal width as long as every caption fits in one; otherwise each column is as
    // wide as its widest caption and the room left over is shared out, so that no caption is
    // cut.
    const QList<QAbstractButton *> Buttons = FButtons->buttons();
    const int Room = width() - 16;
    QList<int> Widths(FColumns, Room / FColumns);
    if (Room > 0) {
        QList<int> Need(FColumns, 0);
        for (int I = 0; I < Buttons.size(); ++I)
            Need[I % FColumns] = std::max(Need[I % FColumns], Buttons[I]->sizeHint().width());
        bool Equal = true;
        int Total = 0;
        for (int W : Need) {
            Equal = Equal && W <= Room / FColumns;
            Total += W;
        }
        if (!Equal)
            for (int C = 0; C < FColumns; ++C)
                Widths[C] = Need[C] + std::max(0, Room - Total) / FColumns;
    }
    for (int I = 0; I < Buttons.size(); ++I) {
        const int Column = I % FColumns;
        int X = 8;
        for (int C = 0; C < Column; ++C)
            X += Widths[C];
        Buttons[I]->setGeometry(X, 16 + (I / FColumns) * 20, Widths[Column], 18);
    }
}

void TDBRadioGroup::SetValue(const QString &Value) {
    if (Value == FValue && (ItemIndex() < 0 || FButtons->checkedId() == ItemIndex()))
        return;
    FValue = Value;
    ShowValue();
    emit Changed();
}

void TDBRadioGroup::SetItemIndex(int Index) {
    SetValue(FItems.value(Index));
}

QAbstractButton *TDBRadioGroup::Button(int Index) const {
    return FButtons->button(Index);
}

void TDBRadioGroup::SetReadOnly(bool Value) {
    FReadOnly = Value;
}

void TDBRadioGroup::ShowValue() {
    const int Index = ItemIndex();
    if (Index >= 0) {
        FButtons->button(Index)->setChecked(true);
        return;
    }
    FButtons->setExclusive(false);
    for (QAbstractButton *B : FButtons->buttons())
        B->setChecked(false);
    FButtons->setExclusive(true);
}
