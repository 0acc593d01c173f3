#include "Help.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStringList>

#include "LineLabel.h"
#include "dialogs/Dialogs.h"

QString TFrm_Help::HelpText() {
    return QStringList{
        "默认快捷功能键：",
        "显示/隐藏浏览器 - Ctrl+1",
        "截屏 - Ctrl+2",
        "发送QQ聊天 - Ctrl+3",
        "*修改请展开主面板激活系统设置",
        "",
        "请注意：",
        "\u3000\u3000选择任何截屏功能，双击即可确认截屏区域，截屏完成后，所截图片将自动存放"
        "至剪贴板，您可以粘贴进行使用。"}
        .join("\r");
}

TFrm_Help::TFrm_Help(QWidget *Parent) : QWidget(Parent, Qt::Window) {
    setObjectName("Frm_Help");
    setWindowTitle("帮助");
    setFont(QFont("Tahoma", 8));
    setFixedSize(299, 218);

    // The lines are separated by CR alone, which this label draws as line breaks.
    FLabel = new TLineLabel(HelpText(), this);
    FLabel->setObjectName("Label1");
    FLabel->setWordWrap(true);
    FLabel->setGeometry(8, 8, 276, 130);

    auto *Button = new QPushButton("确定", this);
    Button->setObjectName("btn1");
    Button->setGeometry(216, 184, 75, 25);
    connect(Button, &QPushButton::clicked, this, Dialogs::Guarded([this] { btn1Click(); }));
}

void TFrm_Help::btn1Click() {
    close();
}

void TFrm_Help::showEvent(QShowEvent *Event) {
    // The last line wraps; with the desktop's fonts the text may need more than 130 pixels, and
    // there is room down to the button. Measured when shown, not when made: the window is made
    // at start-up, and the first measurement loads the fonts.
    FLabel->FitHeight(130);
    if (!FCentred) {
        FCentred = true;
        if (QScreen *Screen = QGuiApplication::primaryScreen())
            move(Screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(Event);
}

void TFrm_Help::keyPressEvent(QKeyEvent *Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(Event);
}
