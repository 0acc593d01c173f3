#pragma once

#include <QMargins>
#include <QString>
#include <QTimer>
#include <QWidget>

class QVBoxLayout;

// The portal browser window: one embedded browser filling the window. It is created hidden at
// start-up, shown by NV or the portal hotkey, and only hidden when closed; its page and FUrl
// survive hiding. The browser is made at the first showing.
class TFrm_WB : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_WB(QWidget *Parent = nullptr);

    // Loads Url unless it is exactly the address last loaded here, then shows the window and
    // brings it to the front. A page the user reached by following links is kept when the last
    // address is asked for again.
    void NV(const QString &Url);

    // The browser view; made at the first showing (null before, or when the web engine cannot
    // be loaded).
    QWidget *wb1() const { return Fwb1; }
    QString Url() const { return FUrl; }
    // For a second after each showing the window keeps fitting its size to the frame the window
    // manager puts around it; a resize in that time may be undone.
    bool FittingFrame() const { return FFrameWatch.isActive(); }

    void setVisible(bool Visible) override;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    void FormShow();
    void FitFrame();
    void FrameWatchTimer();
    QMargins FrameMargins() const;
    void Load(const QString &Url);

    void CreateBrowser();
    void FocusPage();

    QVBoxLayout *FLayout = nullptr;
    QWidget *Fwb1 = nullptr;
    QString FUrl;
    bool FLoadStarted = false;
    bool FShownBefore = false;
    // Watches for the window manager's frame after a showing (see FormShow).
    QTimer FFrameWatch;
    int FFrameWatchTicks = 0;
    bool FCentrePending = false;
    bool FKeepPlace = false;
    QPoint FLeftAt;
    QMargins FFittedMargins;
};
