// Which kind of desktop session the program runs in.
#include <QTest>

#include "platform/Session.h"

class tst_Session : public QObject {
    Q_OBJECT

private slots:
    void waylandSession_data() {
        QTest::addColumn<QByteArray>("SessionType"); // "-" for unset
        QTest::addColumn<QByteArray>("WaylandDisplay");
        QTest::addColumn<bool>("Wayland");
        QTest::newRow("wayland login") << QByteArray("wayland") << QByteArray("-") << true;
        QTest::newRow("compositor only") << QByteArray("-") << QByteArray("wayland-0") << true;
        QTest::newRow("x11 login, nested compositor")
            << QByteArray("x11") << QByteArray("wayland-1") << true;
        QTest::newRow("x11") << QByteArray("x11") << QByteArray("-") << false;
        QTest::newRow("tty") << QByteArray("tty") << QByteArray("") << false;
        QTest::newRow("nothing set") << QByteArray("-") << QByteArray("-") << false;
        QTest::newRow("empty display") << QByteArray("") << QByteArray("") << false;
        QTest::newRow("case matters") << QByteArray("Wayland") << QByteArray("-") << false;
    }
    void waylandSession() {
        QFETCH(QByteArray, SessionType);
        QFETCH(QByteArray, WaylandDisplay);
        QFETCH(bool, Wayland);
        const char *Type = SessionType == "-" ? nullptr : SessionType.constData();
        const char *Display = WaylandDisplay == "-" ? nullptr : WaylandDisplay.constData();
        QCOMPARE(platform::IsWaylandSession(Type, Display), Wayland);

        // The same answer from the environment.
        const QByteArray OldType = qgetenv("XDG_SESSION_TYPE");
        const QByteArray OldDisplay = qgetenv("WAYLAND_DISPLAY");
        const bool HadType = qEnvironmentVariableIsSet("XDG_SESSION_TYPE");
        const bool HadDisplay = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
        Type ? qputenv("XDG_SESSION_TYPE", Type) : qunsetenv("XDG_SESSION_TYPE");
        Display ? qputenv("WAYLAND_DISPLAY", Display) : qunsetenv("WAYLAND_DISPLAY");
        const bool FromEnv = platform::IsWaylandSession();
        HadType ? qputenv("XDG_SESSION_TYPE", OldType) : qunsetenv("XDG_SESSION_TYPE");
        HadDisplay ? qputenv("WAYLAND_DISPLAY", OldDisplay) : qunsetenv("WAYLAND_DISPLAY");
        QCOMPARE(FromEnv, Wayland);
    }
};

QTEST_GUILESS_MAIN(tst_Session)
#include "tst_session.moc"
