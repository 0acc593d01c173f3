#pragma once

#include <QStringList>
#include <QVariant>
#include <QWebEnginePage>

class QSignalSpy;
class QWebEngineView;

// The web engine refuses to start as root without this, and the tests run as root.
void PrepareWebEngine();

// A page that keeps the script errors it reports, so a test can tell a page that runs cleanly.
class TConsolePage : public QWebEnginePage {
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList Errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString &Message,
                                  int Line, const QString &Source) override;
};

// Runs Script in the view's page and waits for its result.
QVariant RunJs(QWebEngineView *View, const QString &Script, int TimeoutMs = 10000);
// Waits until the view shows the document at Url, completely loaded.
bool WaitPage(QWebEngineView *View, const QString &Url, int TimeoutMs = 20000);
// Waits until Spy (on a view's loadFinished) has seen Count loads; whether the last one loaded.
bool WaitLoaded(QSignalSpy &Spy, int Count = 1, int TimeoutMs = 20000);
