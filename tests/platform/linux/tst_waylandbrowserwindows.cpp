// Which way to the browser windows the platform takes for the session it runs in.
#include <QTest>

#include "platform/Platform.h"
#include "platform/linux/WaylandBrowserWindows.h"
#include "platform/linux/XcbBrowserWindows.h"

using platform::linux_::TWaylandBrowserWindows;
using platform::linux_::TXcbBrowserWindows;

class tst_WaylandBrowserWindows : public QObject {
    Q_OBJECT

private slots:
    void choiceFollowsSession() {
        const QByteArray Type = qgetenv("XDG_SESSION_TYPE");
        const QByteArray Wayland = qgetenv("WAYLAND_DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("XDG_SESSION_TYPE", "wayland");
        const auto OnWayland = platform::CreatePlatform().BrowserWindows;
        qputenv("XDG_SESSION_TYPE", "x11");
        const auto OnX11 = platform::CreatePlatform().BrowserWindows;
        const auto Restore = [](const char *Name, const QByteArray &Value) {
            if (Value.isNull())
                qunsetenv(Name);
            else
                qputenv(Name, Value);
        };
        Restore("XDG_SESSION_TYPE", Type);
        Restore("WAYLAND_DISPLAY", Wayland);
        QVERIFY(dynamic_cast<TWaylandBrowserWindows *>(OnWayland.get()));
        QVERIFY(dynamic_cast<TXcbBrowserWindows *>(OnX11.get()));
    }
};

QTEST_GUILESS_MAIN(tst_WaylandBrowserWindows)
#include "tst_waylandbrowserwindows.moc"
