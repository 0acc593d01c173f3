#pragma once

#include <QWidget>
#include <memory>

class QAction;
class QLineEdit;

namespace platform {
class IShell;
}

// The folder-lock page: remembers one folder (EncyptPath), puts the locking tool Lock.exe from
// beside the program into it, and on request starts that tool (only when it is the program's
// own) and shows the folder.
class TEncryptPage : public QWidget {
    Q_OBJECT
public:
    // Fills Parent (the tab page). actEncrypt is the main window's action; its button sits here.
    TEncryptPage(QWidget *Parent, std::shared_ptr<platform::IShell> Shell, QAction *actEncrypt);

    // The tab was switched to: show the remembered folder.
    void Load();
    // Browse ("浏览"), Clear ("清空") and the folder lock itself.
    void btn1Click();
    void Button17Click();
    void actEncryptExecute();

    QLineEdit *edt1() const { return Fedt1; }
    // The name of the tool, beside the program and in the locked folder.
    static QString LockToolName() { return QStringLiteral("Lock.exe"); }
    // Whether Tool is a regular file with the same contents as Companion (the tool beside the
    // program or installed with it).
    static bool IsCompanion(const QString &Tool, const QString &Companion);
    // The message for a Lock.exe in the folder that is not the program's own.
    static QString NotOursText(const QString &Tool);
    // The page's help: what removing the plaintext originals does on a disk.
    static QString HelpText();

private:
    std::shared_ptr<platform::IShell> FShell;
    QLineEdit *Fedt1 = nullptr;
};
