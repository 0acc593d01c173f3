#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// The modal input box: a prompt, one line of at most 255 characters, OK (default) and Cancel.
class TInputBox : public QDialog {
    Q_OBJECT
public:
    TInputBox(const QString &Caption, const QString &Prompt, const QString &Value,
              QWidget *Parent = nullptr);
    QString Value() const;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    QLabel *FPrompt;
    QLineEdit *FEdit;
};
