#pragma once

#include <QWidget>

#include "FolderLock.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The window of Lock.exe: set a password and lock, or give it and unlock. A run shows the files
// and bytes done and can be cancelled (or the window closed): what is done stays done, and the
// next run finishes the rest.
class TLockWindow : public QWidget {
    Q_OBJECT
public:
    TLockWindow(const QString &Folder, const QString &ToolName, QWidget *Parent = nullptr);
    // Unlocks a locked folder, locks an unlocked one, and finishes locking a partly locked one.
    void Execute();
    // A partly locked folder can also be unlocked, moving back what went in.
    void ExecuteUnlock();
    // Stops the running lock or unlock at its next step.
    void Cancel();
    bool Running() const { return FRunning; }

protected:
    void closeEvent(QCloseEvent *Event) override;

private:
    void ShowState();
    void Run(bool Unlock);
    bool ShowProgress(const TFolderLock::TProgress &Progress);
    TFolderLock FLock;
    QString FFolder;
    QLabel *FState = nullptr;
    QLabel *FConfirmLabel = nullptr;
    QLineEdit *FPassword = nullptr;
    QLineEdit *FConfirm = nullptr;
    QPushButton *FButton = nullptr;
    QPushButton *FUnlockButton = nullptr;
    QProgressBar *FBar = nullptr;
    QLabel *FDone = nullptr;
    QPushButton *FCancel = nullptr;
    bool FRunning = false;
    bool FCancelled = false;
    bool FCloseAfter = false;
    qint64 FLastShown = 0;
};
