#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

// A choice group bound to one text column: each choice stores its caption. A stored value outside
// the choices selects none and is kept as it is.
class TDBRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QString Value READ Value WRITE SetValue NOTIFY Changed USER true)
public:
    TDBRadioGroup(const QString &Caption, const QStringList &Items, int Columns,
                  QWidget *Parent = nullptr);
    QString Value() const { return FValue; }
    void SetValue(const QString &Value);
    // The selected choice, -1 for none.
    int ItemIndex() const { return FItems.indexOf(FValue); }
    void SetItemIndex(int Index);
    QAbstractButton *Button(int Index) const;
    void SetReadOnly(bool Value);

protected:
    void resizeEvent(QResizeEvent *Event) override;

signals:
    // The value changed, by the user, by code, or because another row became current.
    void Changed();
    // The user picked a choice.
    void UserChanged();

private:
    void ShowValue();
    void LayoutItems();

    QStringList FItems;
    QString FValue;
    QButtonGroup *FButtons;
    bool FReadOnly = false;
    int FColumns = 1;
};
