#include "WebTestSupport.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <memory>

void PrepareWebEngine() {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}

void TConsolePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level,
                                            const QString &Message, int Line,
                                            const QString &Source) {
    if (Level == ErrorMessageLevel)
        Errors << QString("%1:%2: %3").arg(Source).arg(Line).arg(Message);
}

QVariant RunJs(QWebEngineView *View, const QString &Script, int TimeoutMs) {
    auto Result = std::make_shared<QVariant>();
    auto Done = std::make_shared<bool>(false);
    View->page()->runJavaScript(Script, [Result, Done](const QVariant &Value) {
        *Result = Value;
        *Done = true;
    });
    QDeadlineTimer Deadline(TimeoutMs);
    while (!*Done && !Deadline.hasExpired())
        QTest::qWait(10);
    return *Result;
}

bool WaitLoaded(QSignalSpy &Spy, int Count, int TimeoutMs) {
    QDeadlineTimer Deadline(TimeoutMs);
    while (Spy.count() < Count && !Deadline.hasExpired())
        Spy.wait(50);
    return Spy.count() >= Count && Spy.last().value(0).toBool();
}

bool WaitPage(QWebEngineView *View, const QString &Url, int TimeoutMs) {
    const QString Want = Url + " complete";
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Deadline.hasExpired()) {
        if (RunJs(View, "location.href + ' ' + document.readyState", 1000).toString() == Want)
            return true;
        QTest::qWait(20);
    }
    return false;
}
