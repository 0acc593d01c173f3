#include "About.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>

#include "LineLabel.h"
#include "Portal.h"
#include "dialogs/Dialogs.h"

TLinkLabel::TLinkLabel(const QString &Text, QWidget *Parent) : QLabel(Text, Parent) {
    QFont F = font();
    F.setUnderline(true);
    setFont(F);
    setCursor(Qt::PointingHandCursor);
    SetColour(QPalette::Highlight);
}

void TLinkLabel::SetColour(QPalette::ColorRole Role) {
    QPalette P = palette();
    P.setColor(QPalette::WindowText, P.color(Role));
    setPalette(P);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *Event) {
    QLabel::mouseReleaseEvent(Event);
    if (Event->button() != Qt::LeftButton || !rect().contains(Event->position().toPoint()))
        return;
    FVisited = true;
    SetColour(QPalette::LinkVisited);
    emit clicked();
}

QString TFrm_About::DisclaimerText() {
    return QStringList{"免责声明：",
                       "",
                       "使用，任何涉及商业盈利目的均不得使用，否则产生的一",
                       "切后果将由您自己承担！",
                       "为节约开发时间，此工具内包含了直接调用的第三方软件",
                       "用以实现某些功能，为保护原作者的权益，我们对任何第",
                       "三方软件都不曾有任何修改，因此，我们将不对任何所调",
                       "用的资源负法律责任！",
                       "",
                       ""}
        .join("\r\n");
}

TFrm_About::TFrm_About(std::shared_ptr<platform::IShell> Shell, QWidget *Parent)
    : QWidget(Parent, Qt::Window), FShell(std::move(Shell)) {
    setObjectName("Frm_About");
    setWindowTitle("关于");
    setFont(QFont("Tahoma", 8));
    setFixedSize(315, 187);

    auto *Disclaimer = new TLineLabel(DisclaimerText(), this);
    Disclaimer->setObjectName("lbl1");
    Disclaimer->setWordWrap(true);
    Disclaimer->setGeometry(8, 8, 300, 130);

    auto *Link = new TLinkLabel("支持我们 支持青石江湖", this);
    Link->setObjectName("lbl2");
    // Fixed sizes with room to spare: measuring text here would load the fonts at start-up, when
    // the window is only being prepared.
    Link->setGeometry(176, 125, 315 - 176, 16);
    connect(Link, &TLinkLabel::clicked, this,
            Dialogs::Guarded([this] { OpenWeb(Portal::SiteHomePage()); }));

    auto *Mail = new QLabel("作者邮箱:lumenbirk@163.com", this);
    Mail->setObjectName("lbl3");
    // Wider than its 136 pixels so the whole address stays readable whatever the desktop's font;
    // it still ends before the button below it.
    Mail->setGeometry(8, 144, 220, 16);

    auto *Version = new QLabel("当前版本:V1.0", this);
    Version->setObjectName("lbl4");
    Version->setGeometry(137, 161, 89, 16);

    auto *Button = new QPushButton("查看更新", this);
    Button->setObjectName("btn1");
    Button->setGeometry(232, 156, 75, 25);
    connect(Button, &QPushButton::clicked, this, Dialogs::Guarded([this] { btn1Click(); }));
}

void TFrm_About::btn1Click() {
    OpenWeb(Portal::DownloadPage());
}

void TFrm_About::OpenWeb(const QString &Url) {
    // Without a browser or a network nothing happens; the launch's result is not examined.
    if (FShell)
        FShell->Open(Url.toStdString());
}

void TFrm_About::showEvent(QShowEvent *Event) {
    if (!FCentred) {
        FCentred = true;
        if (QScreen *Screen = QGuiApplication::primaryScreen())
            move(Screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(Event);
}

void TFrm_About::keyPressEvent(QKeyEvent *Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(Event);
}
