// Which desktops place every window themselves, whatever position the window asks for.
#include <QTest>

#include "platform/Session.h"

class tst_WindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void placesWindowsItself_data() {
        QTest::addColumn<QByteArray>("SwaySock"); // "-" for unset
        QTest::addColumn<QByteArray>("CurrentDesktop");
        QTest::addColumn<bool>("Itself");
        QTest::newRow("sway socket")
            << QByteArray("/run/user/1000/sway-ipc.sock") << QByteArray("-") << true;
        QTest::newRow("sway named") << QByteArray("-") << QByteArray("sway") << true;
        QTest::newRow("sway in a list") << QByteArray("-") << QByteArray("wlroots:Sway") << true;
        QTest::newRow("KDE") << QByteArray("-") << QByteArray("KDE") << false;
        QTest::newRow("GNOME") << QByteArray("") << QByteArray("ubuntu:GNOME") << false;
        QTest::newRow("a longer name") << QByteArray("-") << QByteArray("swayfx-like") << false;
        QTest::newRow("nothing set") << QByteArray("-") << QByteArray("-") << false;
    }
    void placesWindowsItself() {
        QFETCH(QByteArray, SwaySock);
        QFETCH(QByteArray, CurrentDesktop);
        QFETCH(bool, Itself);
        const char *Sock = SwaySock == "-" ? nullptr : SwaySock.constData();
        const char *Desktop = CurrentDesktop == "-" ? nullptr : CurrentDesktop.constData();
        QCOMPARE(platform::PlacesWindowsItself(Sock, Desktop), Itself);
    }
};

QTEST_GUILESS_MAIN(tst_WindowPlacement)
#include "tst_windowplacement.moc"
