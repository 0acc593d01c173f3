// The library that carries the web engine; the program loads it at the first use of a browser
// view (see WebView.h).
#include <QDateTime>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>

// Qt Quick draws the views in software; called before the first view exists. A choice made
// through the API comes before QT_QUICK_BACKEND, and the engine follows Qt Quick's choice.
extern "C" Q_DECL_EXPORT void qc_UseSoftwareSceneGraph() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

extern "C" Q_DECL_EXPORT QWidget *qc_CreateWebView(QWidget *Parent) {
    auto *View = new QWebEngineView(Parent);
    // The pages are the program's own; a "back/reload/view source" menu has no place there.
    View->setContextMenuPolicy(Qt::NoContextMenu);
    // The program sits hidden most of its life: a page nobody sees is frozen (its scripts and
    // timers stop) once the engine recommends it, and wakes as soon as it is shown again. It is
    // not discarded on the engine's word, so a game in progress survives hiding.
    QWebEnginePage *Page = View->page();
    QObject::connect(Page, &QWebEnginePage::recommendedStateChanged, Page,
                     [Page](QWebEnginePage::LifecycleState Recommended) {
                         using S = QWebEnginePage::LifecycleState;
                         if (Recommended != S::Active && Page->lifecycleState() == S::Active &&
                             !Page->isVisible())
                             Page->setLifecycleState(S::Frozen);
                     });
    // Only a view that holds nothing of the user's (the advertisement strip) lets its page go
    // altogether, once hidden for its "discardAfterMs" (unset or 0: never): its page process
    // ends when no other page uses it, and the page loads afresh at the next showing.
    auto *Discard = new QTimer(View);
    Discard->setSingleShot(true);
    QObject::connect(Discard, &QTimer::timeout, Page, [Page] {
        if (!Page->isVisible())
            Page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
    });
    QObject::connect(
        Page, &QWebEnginePage::visibleChanged, Page, [View, Page, Discard](bool Visible) {
            if (Visible && Page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
                Page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
            if (Visible)
                Discard->stop();
            else if (const int After = View->property("discardAfterMs").toInt(); After > 0)
                Discard->start(After);
        });
    // For measurements of the first showing: say when a page has finished loading, with the
    // same clock as the start-up report.
    if (qEnvironmentVariableIsSet("QINGCHUAN_REPORT_PAGES"))
        QObject::connect(View, &QWebEngineView::loadFinished, View, [View](bool Ok) {
            std::printf("page %s %s %lld\n", Ok ? "loaded" : "failed",
                        View->url().toString().toUtf8().constData(),
                        static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
        });
    return View;
}
