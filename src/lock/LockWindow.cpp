#include "LockWindow.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TLockWindow::TLockWindow(const QString &Folder, const QString &ToolName, QWidget *Parent)
    : QWidget(Parent), FLock(Folder, ToolName), FFolder(Folder) {
    setObjectName("LockWindow");
    setWindowTitle("文件夹加密");
    auto *Layout = new QVBoxLayout(this);
    auto *Path = new QLabel("文件夹：" + Folder, this);
    Path->setWordWrap(true);
    Layout->addWidget(Path);
    FState = new QLabel(this);
    FState->setObjectName("State");
    Layout->addWidget(FState);
    auto *Form = new QFormLayout;
    FPassword = new QLineEdit(this);
    FPassword->setObjectName("Password");
    FPassword->setEchoMode(QLineEdit::Password);
    FConfirm = new QLineEdit(this);
    FConfirm->setObjectName("Confirm");
    FConfirm->setEchoMode(QLineEdit::Password);
    FConfirmLabel = new QLabel("确认密码", this);
    Form->addRow("密码", FPassword);
    Form->addRow(FConfirmLabel, FConfirm);
    Layout->addLayout(Form);
    FButton = new QPushButton(this);
    FButton->setObjectName("Execute");
    FButton->setDefault(true);
    Layout->addWidget(FButton);
    FUnlockButton = new QPushButton("解密", this);
    FUnlockButton->setObjectName("Unlock");
    Layout->addWidget(FUnlockButton);
    connect(FButton, &QPushButton::clicked, this, [this] { Execute(); });
    connect(FUnlockButton, &QPushButton::clicked, this, [this] { ExecuteUnlock(); });
    connect(FPassword, &QLineEdit::returnPressed, this, [this] { Execute(); });
    connect(FConfirm, &QLineEdit::returnPressed, this, [this] { Execute(); });
    setMinimumWidth(340);
    ShowState();
}

void TLockWindow::ShowState() {
    const TFolderLock::TState State = FLock.State();
    const bool Locked = State == TFolderLock::TState::Locked;
    const bool Partial = State == TFolderLock::TState::Partial;
    if (Locked)
        FState->setText("此文件夹已加密，输入密码解密。");
    else if (Partial)
        FState->setText(QString("此文件夹未完全加密，还有 %1 项未加密。输入密码完成加密，或解密。")
                            .arg(FLock.OpenEntries().size()));
    else
        FState->setText("此文件夹未加密，设置密码后加密。");
    // A folder with a password record takes that password; only a new one is typed twice.
    FConfirmLabel->setVisible(!Locked && !Partial);
    FConfirm->setVisible(!Locked && !Partial);
    FButton->setText(Locked ? "解密" : "加密");
    FUnlockButton->setVisible(Partial);
    FPassword->clear();
    FConfirm->clear();
    FPassword->setFocus();
}

void TLockWindow::Execute() {
    Run(FLock.State() == TFolderLock::TState::Locked);
}

void TLockWindow::ExecuteUnlock() {
    Run(true);
}

void TLockWindow::Run(bool Unlock) {
    const QString Password = FPassword->text();
    if (Password.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), "密码不能为空。");
        return;
    }
    if (!Unlock && !FLock.IsLocked() && Password != FConfirm->text()) {
        QMessageBox::warning(this, windowTitle(), "两次输入的密码不一致。");
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TFolderLock::TResult Result = Unlock ? FLock.Unlock(Password) : FLock.Lock(Password);
    QApplication::restoreOverrideCursor();
    if (Result == TFolderLock::TResult::WrongPassword) {
        QMessageBox::warning(this, windowTitle(), "密码错误。");
        FPassword->selectAll();
        return;
    }
    if (Result == TFolderLock::TResult::Failed) {
        QMessageBox::warning(this, windowTitle(), FLock.ErrorText());
        ShowState();
        return;
    }
    QMessageBox::information(this, windowTitle(), Unlock ? "解密成功。" : "加密成功。");
    close();
}
