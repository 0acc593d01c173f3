#include "LockWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
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
    FBar = new QProgressBar(this);
    FBar->setObjectName("Progress");
    FBar->setRange(0, 1000);
    FBar->hide();
    Layout->addWidget(FBar);
    FDone = new QLabel(this);
    FDone->setObjectName("Done");
    FDone->hide();
    Layout->addWidget(FDone);
    FCancel = new QPushButton("取消", this);
    FCancel->setObjectName("Cancel");
    FCancel->hide();
    Layout->addWidget(FCancel);
    connect(FCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    FLock.OnProgress = [this](const TFolderLock::TProgress &P) { return ShowProgress(P); };
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
    else if (Partial && !FLock.OpenEntries().isEmpty())
        FState->setText(QString("此文件夹未完全加密，还有 %1 项未加密。输入密码完成加密，或解密。")
                            .arg(FLock.OpenEntries().size()));
    else if (Partial)
        FState->setText("此文件夹未完全加密：上次加密或解密没有完成。输入密码完成加密，或解密。");
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
    if (FRunning)
        return;
    FRunning = true;
    FCancelled = false;
    FLastShown = 0;
    for (QWidget *W : {static_cast<QWidget *>(FPassword), static_cast<QWidget *>(FConfirm),
                       static_cast<QWidget *>(FButton), static_cast<QWidget *>(FUnlockButton)})
        W->setEnabled(false);
    FBar->setValue(0);
    FDone->clear();
    for (QWidget *W : {static_cast<QWidget *>(FBar), static_cast<QWidget *>(FDone),
                       static_cast<QWidget *>(FCancel)})
        W->show();
    FState->setText(Unlock ? "正在计算密钥并解密…" : "正在计算密钥并加密…");
    QApplication::processEvents();
    const TFolderLock::TResult Result = Unlock ? FLock.Unlock(Password) : FLock.Lock(Password);
    FRunning = false;
    for (QWidget *W : {static_cast<QWidget *>(FPassword), static_cast<QWidget *>(FConfirm),
                       static_cast<QWidget *>(FButton), static_cast<QWidget *>(FUnlockButton)})
        W->setEnabled(true);
    FCancel->hide();
    FBar->hide();
    if (FCloseAfter) {
        close();
        return;
    }
    if (Result == TFolderLock::TResult::WrongPassword) {
        QMessageBox::warning(this, windowTitle(), "密码错误。");
        ShowState();
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

void TLockWindow::Cancel() {
    FCancelled = true;
}

void TLockWindow::closeEvent(QCloseEvent *Event) {
    if (FRunning) {
        // The run stops at its next step and the window then closes; nothing is left half done.
        FCancelled = true;
        FCloseAfter = true;
        Event->ignore();
        return;
    }
    QWidget::closeEvent(Event);
}

bool TLockWindow::ShowProgress(const TFolderLock::TProgress &P) {
    const qint64 Now = QDateTime::currentMSecsSinceEpoch();
    const bool Finished = P.FilesDone == P.FilesTotal;
    if (Now - FLastShown >= 50 || Finished) {
        FLastShown = Now;
        const QLocale L;
        FBar->setValue(P.BytesTotal + P.FilesTotal > 0
                           ? int(1000 * double(P.BytesDone + P.FilesDone) /
                                 double(P.BytesTotal + P.FilesTotal))
                           : 1000);
        FDone->setText(
            QString("已完成 %1 / %2 个文件，%3 / %4")
                .arg(P.FilesDone)
                .arg(P.FilesTotal)
                .arg(L.formattedDataSize(P.BytesDone), L.formattedDataSize(P.BytesTotal)));
        QApplication::processEvents();
    }
    return !FCancelled;
}
