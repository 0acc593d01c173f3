#pragma once

#include <QWidget>

#include "FolderLock.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The window of Lock.exe: set a password and lock, or give it and unlock.
class TLockWindow : public QWidget {
    Q_OBJECT
public:
    TLockWindow(const QString &Folder, const QString &ToolName, QWidget *Parent = nullptr);
    // Unlocks a locked folder, locks an unlocked one, and finishes locking a partly locked one.
    void Execute();
    // A partly locked folder can also be unlocked, moving back what went in.
    void ExecuteUnlock();

private:
    void ShowState();
    void Run(bool Unlock);
    TFolderLock FLock;
    QString FFolder;
    QLabel *FState = nullptr;
    QLabel *FConfirmLabel = nullptr;
    QLineEdit *FPassword = nullptr;
    QLineEdit *FConfirm = nullptr;
    QPushButton *FButton = nullptr;
    QPushButton *FUnlockButton = nullptr;
};
