#include "EncryptPage.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "config/AppPaths.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "platform/Shell.h"

TEncryptPage::TEncryptPage(QWidget *Parent, std::shared_ptr<platform::IShell> Shell,
                           QAction *actEncrypt)
    : QWidget(Parent), FShell(std::move(Shell)) {
    setObjectName("EncryptPage");
    if (Parent)
        setGeometry(Parent->rect());

    auto *grp2 = new QGroupBox("文件夹加密", this);
    grp2->setObjectName("grp2");
    grp2->setGeometry(8, 8, 348, 160);

    auto *lbl3 = new QLabel("加密路径", grp2);
    lbl3->setObjectName("lbl3");
    lbl3->setGeometry(10, 28, 52, 17);
    Fedt1 = new QLineEdit(grp2);
    Fedt1->setObjectName("edt1");
    Fedt1->setReadOnly(true);
    Fedt1->setGeometry(64, 26, 272, 21);

    auto *btn1 = new QPushButton("浏览", grp2);
    btn1->setObjectName("btn1");
    btn1->setGeometry(64, 56, 75, 25);
    auto *btn2 = new QPushButton("清空", grp2);
    btn2->setObjectName("btn2");
    btn2->setGeometry(146, 56, 75, 25);
    auto *btnEncrypt = new QToolButton(grp2);
    btnEncrypt->setObjectName("btnEncrypt");
    if (actEncrypt)
        btnEncrypt->setDefaultAction(actEncrypt);
    btnEncrypt->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnEncrypt->setGeometry(228, 56, 108, 25);

    auto *lbl2 = new QLabel("注意:若删除加密文件夹,将不能用数据恢复工具恢复.", grp2);
    lbl2->setObjectName("lbl2");
    lbl2->setStyleSheet("color: red");
    lbl2->setWordWrap(true);
    lbl2->setGeometry(10, 92, 326, 56);

    // What removing the originals means on a disk, said plainly once.
    auto *lbl4 = new QLabel(HelpText(), this);
    lbl4->setObjectName("lbl4");
    lbl4->setWordWrap(true);
    lbl4->setGeometry(8, 176, 348, 80);

    connect(btn1, &QPushButton::clicked, this, Dialogs::Guarded([this] { btn1Click(); }));
    connect(btn2, &QPushButton::clicked, this, Dialogs::Guarded([this] { Button17Click(); }));
}

void TEncryptPage::Load() {
    Fedt1->setText(Config().EncyptPath());
}

void TEncryptPage::btn1Click() {
    const QString Chosen = Dialogs::SelectDirectory("请选择加密文件夹", QString());
    if (!Chosen.isEmpty())
        Fedt1->setText(Chosen);
    // Cancel still goes on with the folder shown, which puts back a Lock.exe deleted meanwhile.
    const QString Path = Fedt1->text();
    if (Path.isEmpty())
        return;
    try {
        const QString Target = QDir(Path).filePath(LockToolName());
        // A file of that name in the folder is the user's (perhaps the very tool that locked
        // it): it is never replaced. QFile::copy refuses to overwrite as well.
        if (!QFileInfo::exists(Target) && !QFileInfo(Target).isSymLink())
            QFile::copy(AppPaths::CompanionTool(Config().ExeDir(), LockToolName()), Target);
        Config().SetEncyptPath(Path);
    } catch (const EError &E) {
        Dialogs::ShowMessage("设置加密文件夹失败" + E.Text());
    }
}

void TEncryptPage::Button17Click() {
    Fedt1->clear();
    Config().SetEncyptPath(QString());
}

void TEncryptPage::actEncryptExecute() {
    const QString Path = Config().EncyptPath();
    if (Path.isEmpty()) {
        Dialogs::ShowMessage("请设置加密路径");
        return;
    }
    if (!QFileInfo(Path).isDir()) {
        Dialogs::ShowMessage("没有找到加密软件,请重新设置加密路径");
        return;
    }
    // The tool locks the folder it sits in, so it needs no working folder; the folder is shown
    // beside it. Neither start is watched. Only this program's own tool is started: a Lock.exe
    // that someone else put there would be handed the user's password.
    const QString Tool = QDir(Path).filePath(LockToolName());
    const bool Present = QFileInfo::exists(Tool) || QFileInfo(Tool).isSymLink();
    const bool Ours =
        Present && IsCompanion(Tool, AppPaths::CompanionTool(Config().ExeDir(), LockToolName()));
    if (Present && !Ours)
        Dialogs::ShowMessage(NotOursText(Tool));
    if (FShell) {
        if (Ours)
            FShell->Open(Tool.toStdString(), {});
        FShell->Open(Path.toStdString(), {});
    }
}

bool TEncryptPage::IsCompanion(const QString &Tool, const QString &Companion) {
    const auto Digest = [](const QString &Path, QByteArray &Hash) {
        const QFileInfo Info(Path);
        if (Info.isSymLink() || !Info.isFile())
            return false;
        QFile F(Path);
        QCryptographicHash H(QCryptographicHash::Sha256);
        if (!F.open(QIODevice::ReadOnly) || !H.addData(&F))
            return false;
        Hash = H.result();
        return true;
    };
    QByteArray A, B;
    return Digest(Tool, A) && Digest(Companion, B) && A == B;
}

QString TEncryptPage::NotOursText(const QString &Tool) {
    return "未启动 " + Tool +
           "：它不是本程序自带的文件夹加密程序（内容不同）。请删除它，再点“浏览”选择此文件夹，"
           "程序会放入自带的加密程序。";
}

QString TEncryptPage::HelpText() {
    return "说明：加密时先写好每个文件的加密副本，再删除原文件；删除原文件不会抹去它在磁盘上的数据"
           "块，在其被覆盖前，原内容仍可能被数据恢复工具找回。";
}
