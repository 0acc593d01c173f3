// The library that carries the web engine; the program loads it at the first use of a browser
// view (see WebView.h).
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget *qc_CreateWebView(QWidget *Parent) {
    auto *View = new QWebEngineView(Parent);
    // The pages are the program's own; a "back/reload/view source" menu has no place there.
    View->setContextMenuPolicy(Qt::NoContextMenu);
    return View;
}
