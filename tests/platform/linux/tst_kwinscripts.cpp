// The answers of KWin scripts over the session bus, against a stand-in KWin on a bus of the
// test's own (fake_kwin.py): only KWin's own connection is heard, whoever else answers first.
#include <QProcess>
#include <QTest>

#include "PortalBed.h"
#include "platform/linux/KWinScripts.h"

class tst_KWinScripts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyKWinIsHeard_data() {
        QTest::addColumn<QString>("Sender");
        QTest::addColumn<QString>("Answer");
        QTest::newRow("KWin") << "kwin"
                              << "from kwin";
        // The other connection knows the object and the token (the stand-in reads them from the
        // script), as no real client could: the sender alone must turn it away.
        QTest::newRow("another client") << "other" << QString();
        QTest::newRow("another client first, then KWin") << "both"
                                                         << "from kwin";
    }
    void onlyKWinIsHeard() {
        QFETCH(QString, Sender);
        QFETCH(QString, Answer);
        TPortalBed Bed;
        const QString Why = Bed.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        QVERIFY2(QFile::exists("/usr/bin/python3"), "/usr/bin/python3 is not installed");
        QProcess KWin;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("DBUS_SESSION_BUS_ADDRESS", Bed.BusAddress());
        KWin.setProcessEnvironment(Env);
        KWin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        KWin.start("/usr/bin/python3", {QC_FAKE_KWIN, Sender});
        QVERIFY(KWin.waitForStarted());
        platform::linux_::TKWinScripts Scripts(Bed.BusAddress());
        // The stand-in claims its name well within a second; room for a loaded machine.
        QTRY_VERIFY_WITH_TIMEOUT(Scripts.Present(), 20000);
        // Without KWin's answer, Run gives up after its own limit of a few seconds.
        const std::optional<QString> Got = Scripts.Run("answer = 'x';");
        QCOMPARE(Got.has_value(), !Answer.isEmpty());
        if (Got)
            QCOMPARE(*Got, Answer);
        KWin.kill();
        KWin.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_KWinScripts)
#include "tst_kwinscripts.moc"
