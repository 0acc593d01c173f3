#pragma once

#include <QMargins>
#include <QString>
#include <QWidget>

class QWebEngineView;

// The portal browser window: one embedded browser filling the window. It is created hidden at
// start-up, shown by NV or the portal hotkey, and only hidden when closed; its page and FUrl
// survive hiding.
class TFrm_WB : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_WB(QWidget *Parent = nullptr);

    // Loads Url unless it is exactly the address last loaded here, then shows the window and
    // brings it to the front. A page the user reached by following links is kept when the last
    // address is asked for again.
    void NV(const QString &Url);

    QWebEngineView *wb1() const { return Fwb1; }
    QString Url() const { return FUrl; }

protected:
    void showEvent(QShowEvent *Event) override;
    void moveEvent(QMoveEvent *Event) override;

private:
    void FormCreate();
    void FormShow();
    void FitFrame();
    QMargins FrameMargins() const;
    void Load(const QString &Url);

    QWebEngineView *Fwb1 = nullptr;
    QString FUrl;
    bool FLoadStarted = false;
    bool FShownBefore = false;
    // Until the window manager has put its frame around a freshly shown window, the outer size
    // is not known; the size is set again once it is.
    bool FFitPending = false;
    bool FCentrePending = false;
    QMargins FFittedMargins;
};
