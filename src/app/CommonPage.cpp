#include "CommonPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "dialogs/Dialogs.h"

TCommonPage::TCommonPage(const TActionOf &ActionOf, QWidget *Parent) : QWidget(Parent) {
    const auto Group = [this](const char *Caption, const QRect &Geometry) {
        auto *G = new QGroupBox(Caption, this);
        G->setGeometry(Geometry);
        return G;
    };
    const QRect Left(8, 22, 75, 25), Middle(90, 22, 75, 25), Right(172, 22, 75, 25);
    QGroupBox *IE = Group("IE", QRect(3, 3, 257, 57));
    ActionButton(IE, "Button6", ActionOf("HideIE"), Left);
    ActionButton(IE, "Button5", ActionOf("ShowIE"), Middle);
    ActionButton(IE, "btnChangeMainPage", ActionOf("ChangeMainPage"), Right);

    QGroupBox *Shot = Group("截屏", QRect(3, 64, 257, 57));
    ActionButton(Shot, "btnSubArea", ActionOf("actSubArea"), Left);
    ActionButton(Shot, "btnCameraWindow", ActionOf("actCameraWindow"), Middle);
    ActionButton(Shot, "btnCameraWindowLikeSpy", ActionOf("actCameraWindowLikeSpy"), Right);

    QGroupBox *Cpu = Group("CPU", QRect(3, 127, 257, 50));
    FLabel6 = new QLabel("CPU使用率:   0.0", Cpu);
    FLabel6->setObjectName("Label6");
    // Below the group's title, which under a Chinese locale is drawn with the taller CJK font
    // like the label itself.
    FLabel6->setGeometry(8, 19, 241, 16);
    FProgressBar1 = new QProgressBar(Cpu);
    FProgressBar1->setObjectName("ProgressBar1");
    FProgressBar1->setGeometry(8, 35, 241, 12);
    FProgressBar1->setRange(0, 100);
    FProgressBar1->setValue(0);
    FProgressBar1->setTextVisible(false);

    QGroupBox *Chat = Group("QQ强制聊天", QRect(3, 183, 257, 66));
    auto *QQLabel = new QLabel("QQ号", Chat);
    QQLabel->setGeometry(8, 22, 30, 17);
    FQQ = new QLineEdit(Chat);
    FQQ->setObjectName("QQ");
    FQQ->setGeometry(40, 20, 125, 21);
    auto *Button13 = new QPushButton("开聊", Chat);
    Button13->setObjectName("Button13");
    QQLabel->setBuddy(FQQ);
    // Clear of the group's title.
    Button13->setGeometry(172, 19, 75, 24);
    connect(Button13, &QPushButton::clicked, this, Dialogs::Guarded([this] {
                if (OnChat)
                    OnChat();
            }));
    auto *lbl1 = new QLabel("备注：使用此功能，建议使用QQ2008版本", Chat);
    lbl1->setObjectName("lbl1");
    lbl1->setGeometry(8, 45, 241, 16);
    lbl1->setStyleSheet("color: red");

    QGroupBox *Run = Group("运行", QRect(266, 3, 95, 118));
    ActionButton(Run, "btnReg", ActionOf("actReg"), QRect(10, 22, 75, 25));
    ActionButton(Run, "btnGpedit", ActionOf("actGpedit"), QRect(10, 54, 75, 25));
    ActionButton(Run, "btn1QSJH", ActionOf("actLogin"), QRect(10, 86, 75, 25));
}

QToolButton *TCommonPage::ActionButton(QWidget *Parent, const char *Name, QAction *Action,
                                       const QRect &Geometry) {
    auto *Button = new QToolButton(Parent);
    Button->setObjectName(Name);
    Button->setDefaultAction(Action);
    Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Button->setGeometry(Geometry);
    return Button;
}

void TCommonPage::ShowUsage(double Usage) {
    FLabel6->setText(QString("CPU使用率:%1%").arg(Usage, 0, 'f', 1));
    // The label keeps the value as computed; the bar cannot show more than full or less than
    // empty.
    FProgressBar1->setValue(static_cast<int>(std::clamp(Usage, 0.0, 100.0)));
}

QString TCommonPage::QQNumber() const {
    return FQQ->text();
}
