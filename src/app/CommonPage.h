#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRect;
class QToolButton;

// The first tab, 常用功能: buttons for the browser, capture and run commands, the CPU gauge, and
// the QQ number field with its 开聊 button. The buttons carry the main window's actions, found
// by name.
class TCommonPage : public QWidget {
    Q_OBJECT
public:
    using TActionOf = std::function<QAction *(const QString &Name)>;

    explicit TCommonPage(const TActionOf &ActionOf, QWidget *Parent = nullptr);

    // The gauge: the label shows the load as computed, the bar within empty and full.
    void ShowUsage(double Usage);
    // The number as typed in the QQ field.
    QString QQNumber() const;
    // 开聊 was clicked.
    std::function<void()> OnChat;

private:
    QToolButton *ActionButton(QWidget *Parent, const char *Name, QAction *Action,
                              const QRect &Geometry);

    QLabel *FLabel6 = nullptr;
    QProgressBar *FProgressBar1 = nullptr;
    QLineEdit *FQQ = nullptr;
};
