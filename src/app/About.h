#pragma once

#include <QLabel>
#include <QWidget>
#include <memory>

#include "platform/Shell.h"

class QPushButton;
class TLineLabel;

// A label that acts as a web link: underlined, in the highlight colour, with a hand cursor; once
// clicked it takes the visited colour.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(const QString &Text, QWidget *Parent = nullptr);
    bool Visited() const { return FVisited; }
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *Event) override;

private:
    void SetColour(QPalette::ColorRole Role);
    bool FVisited = false;
};

// The About window: the disclaimer, a link to the portal, the author's address, the version and
// a button leading to the download page. Shown modeless; closing only hides it.
class TFrm_About : public QWidget {
    Q_OBJECT
public:
    // Without a shell the link and "查看更新" open nothing.
    explicit TFrm_About(std::shared_ptr<platform::IShell> Shell = nullptr,
                        QWidget *Parent = nullptr);

    static QString DisclaimerText();
    // "查看更新": the maker's download page in the desktop's browser.
    void btn1Click();

protected:
    void showEvent(QShowEvent *Event) override;
    // Escape closes the window, as it closes a dialog.
    void keyPressEvent(QKeyEvent *Event) override;

private:
    void OpenWeb(const QString &Url);

    std::shared_ptr<platform::IShell> FShell;
    bool FCentred = false;
};
