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
// the engine, before its library is loaded. False when the display offers no OpenGL (no GLX or
// EGL, or QT_XCB_GL_INTEGRATION=none).
bool ShareGraphicsContext() {
    static bool Made = [] {
        if (QOpenGLContext *Shared = qt_gl_global_share_context())
            return Shared->isValid();
        auto *Context = new QOpenGLContext; // lives as long as the process
        const bool Created = Context->create();
        qt_gl_set_global_share_context(Context);
        return Created;
    }();
    return Made;
}

using TCreate = QWidget *(*)(QWidget *Parent);
using TUseSoftware = void (*)();

TCreate Factory() {
    static TCreate Result = [] {
        const bool OpenGL = ShareGraphicsContext();
        QLibrary Library(
            AppPaths::CompanionLibrary(QCoreApplication::applicationDirPath(), "libqc_webview.so"));
        // The library stays loaded for the life of the process.
        const auto Make = reinterpret_cast<TCreate>(Library.resolve("qc_CreateWebView"));
        if (!Make) {
            // The windows that show pages stay empty; said once, for whoever reads the log.
            std::fprintf(stderr, "web engine not loaded: %s\n",
                         Library.errorString().toLocal8Bit().constData());
            return Make;
        }
        // Without OpenGL the view cannot draw through it and the engine would crash at the
        // first page shown: Qt Quick, which the view is built on, draws in software instead,
        // unless the user chose its backend. Asked of Qt Quick itself before its first window,
        // not through the environment, which may no longer be changed once threads run.
        if (!OpenGL && !qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            if (const auto Software =
                    reinterpret_cast<TUseSoftware>(Library.resolve("qc_UseSoftwareSceneGraph")))
                Software();
        return Make;
    }();
    return Result;
}

} // namespace

void PrepareEnvironment() {
    // Both views show pages of one site, so one page process serves both instead of one each
    // (about 80 MB less). Programs the assistant starts get the user's environment, so this
    // stays the program's own.
    const char *const FlagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";
    const QByteArray Flags = qgetenv(FlagsVariable);
    if (!Flags.contains("--process-per-site"))
        qputenv(FlagsVariable, (Flags + " --process-per-site").trimmed());
}

QWidget *Create(QWidget *Parent) {
    const TCreate Make = Factory();
    return Make ? Make(Parent) : nullptr;
}

void Load(QWidget *View, const QString &Url) {
    if (!View)
        return;
    // The first load starts the engine, which reads its switches then.
    View->setProperty("url", QUrl(Url));
}

} // namespace WebView
