#include "WebView.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QOpenGLContext>
#include <QUrl>
#include <QWidget>
#include <cstdio>

#include "config/AppPaths.h"

// Exported by Qt GUI for the web engine and Qt Quick; declared in one of its private headers.
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *Context);

namespace WebView {

namespace {

// The web engine draws through a graphics context shared with the whole application. Qt makes it
// while the application object is built when asked to (Qt::AA_ShareOpenGLContexts), which costs
// tens of milliseconds before the icon can appear; the same is done here, at the first use of
// the engine, before its library is loaded.
//
// Where the display offers no OpenGL (no GLX or EGL, or QT_XCB_GL_INTEGRATION=none), the view
// cannot draw through it and the engine would crash at the first page shown: Qt Quick, which the
// view is built on, is made to draw in software instead, unless the user chose its backend. Qt
// Quick reads that choice when the engine's library makes its first view, so it is set here; it
// stays for the life of the process.
void ShareGraphicsContext() {
    if (!qt_gl_global_share_context()) {
        auto *Context = new QOpenGLContext; // lives as long as the process
        const bool Made = Context->create();
        qt_gl_set_global_share_context(Context);
        if (!Made && !qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
    }
}

using TCreate = QWidget *(*)(QWidget *Parent);

// The engine reads its switches from the environment when its first page is made. Both views
// show pages of one site, so one page process serves both instead of one each (about 80 MB
// less). The environment is put back afterwards, so programs started from here do not inherit it.
const char *const FlagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";
bool FlagsPending = false;
bool FlagsWereSet = false;
QByteArray FlagsBefore;

void SetEngineFlags() {
    FlagsWereSet = qEnvironmentVariableIsSet(FlagsVariable);
    FlagsBefore = qgetenv(FlagsVariable);
    if (!FlagsBefore.contains("--process-per-site"))
        qputenv(FlagsVariable, (FlagsBefore + " --process-per-site").trimmed());
    FlagsPending = true;
}

void RestoreEngineFlags() {
    if (!FlagsPending)
        return;
    FlagsPending = false;
    if (FlagsWereSet)
        qputenv(FlagsVariable, FlagsBefore);
    else
        qunsetenv(FlagsVariable);
}

TCreate Factory() {
    static TCreate Result = [] {
        ShareGraphicsContext();
        SetEngineFlags();
        QLibrary Library(
            AppPaths::CompanionLibrary(QCoreApplication::applicationDirPath(), "libqc_webview.so"));
        // The library stays loaded for the life of the process.
        const auto Make = reinterpret_cast<TCreate>(Library.resolve("qc_CreateWebView"));
        if (!Make) {
            RestoreEngineFlags();
            // The windows that show pages stay empty; said once, for whoever reads the log.
            std::fprintf(stderr, "web engine not loaded: %s\n",
                         Library.errorString().toLocal8Bit().constData());
        }
        return Make;
    }();
    return Result;
}

} // namespace

QWidget *Create(QWidget *Parent) {
    const TCreate Make = Factory();
    return Make ? Make(Parent) : nullptr;
}

void Load(QWidget *View, const QString &Url) {
    if (!View)
        return;
    // The first load starts the engine, which reads its switches then.
    View->setProperty("url", QUrl(Url));
    RestoreEngineFlags();
}

} // namespace WebView
