// The power-off request to logind, against a logind of the test's own on a private bus: the real
// one is never reached.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "Require.h"
#include "platform/linux/LogindPower.h"

// Answers PowerOff only when the test says so, as logind does while it waits for an
// authorisation agent.
class TFakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QList<QDBusMessage> Calls;

public slots:
    void PowerOff(bool Interactive, const QDBusMessage &Message) {
        Q_UNUSED(Interactive);
        Message.setDelayedReply(true);
        Calls << Message;
    }
};

class tst_LogindPower : public QObject {
    Q_OBJECT

    QProcess FDaemon;
    QString FAddress;
    TFakeLogind FFake;

private slots:
    void initTestCase() {
        QC_REQUIRE_PROGRAM("dbus-daemon");
        const QString Daemon = QStandardPaths::findExecutable("dbus-daemon");
        FDaemon.start(Daemon, {"--session", "--nofork", "--nosyslog", "--print-address=1",
                               "--address=unix:tmpdir=/tmp"});
        QVERIFY(FDaemon.waitForStarted());
        QTRY_VERIFY(FDaemon.canReadLine());
        FAddress = QString::fromUtf8(FDaemon.readLine()).trimmed();
        QDBusConnection Bus = QDBusConnection::connectToBus(FAddress, "fake.logind");
        QVERIFY2(Bus.isConnected(), qPrintable(FAddress));
        QVERIFY(
            Bus.registerObject("/org/freedesktop/login1", &FFake, QDBusConnection::ExportAllSlots));
        QVERIFY(Bus.registerService("org.freedesktop.login1"));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus("fake.logind");
        if (FDaemon.state() != QProcess::NotRunning) {
            FDaemon.kill();
            FDaemon.waitForFinished();
        }
    }

    // The request goes out and the caller goes on at once; logind's answer, whenever it comes,
    // is not waited for.
    void asksWithoutWaitingForTheAnswer() {
        platform::linux_::TLogindPower Power(FAddress);
        // The fake lives on this thread: a call that waited for its answer could only return
        // after the bus's time-out, with an error.
        QVERIFY(Power.PowerOff());
        QVERIFY(FFake.Calls.isEmpty());
        QTRY_COMPARE(FFake.Calls.size(), 1);
        const QDBusMessage Call = FFake.Calls.takeFirst();
        QCOMPARE(Call.member(), QString("PowerOff"));
        QCOMPARE(Call.arguments(), QVariantList{true});
        QVERIFY(Call.isInteractiveAuthorizationAllowed());
        QDBusConnection::connectToBus(FAddress, "fake.logind").send(Call.createReply());
    }

    void noBusNothingAsked() {
        platform::linux_::TLogindPower Power("unix:path=/nonexistent/bus");
        QVERIFY(!Power.PowerOff());
    }
};

QTEST_MAIN(tst_LogindPower)
#include "tst_logindpower.moc"
