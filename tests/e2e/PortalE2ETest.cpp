// The whole program with its web engine: the engine comes up after the icon, from the library
// beside the program, and keeps running.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include "AppProcess.h"

namespace {

// The command lines of the program's helper processes (its children).
QStringList Children(qint64 Parent) {
    QStringList Result;
    for (const QString &Entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile Stat("/proc/" + Entry + "/stat");
        if (!Stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray Text = Stat.readAll();
        const QList<QByteArray> Rest = Text.mid(Text.lastIndexOf(')') + 2).split(' ');
        if (Rest.size() > 1 && Rest[1].toLongLong() == Parent) {
            QFile Cmd("/proc/" + Entry + "/cmdline");
            if (Cmd.open(QIODevice::ReadOnly))
                Result << QString::fromUtf8(Cmd.readAll().replace('\0', ' '));
        }
    }
    return Result;
}

} // namespace

class TPortalE2ETest : public QObject {
    Q_OBJECT
private slots:
    void EngineStartsAfterTheIconAndStays();
    void RunsOnWithoutTheEngine();
};

void TPortalE2ETest::EngineStartsAfterTheIconAndStays() {
    TAppProcess App;
    QVERIFY2(QFile::exists(App.Dir() + "libqc_webview.so"),
             "the engine's library is beside the program");
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    // The two pages of start-up bring up the engine's page process shortly after.
    QElapsedTimer Clock;
    Clock.start();
    bool Engine = false;
    while (!Engine && Clock.elapsed() < 15000 && App.IsRunning()) {
        Engine = Children(App.Process().processId()).join('\n').contains("QtWebEngineProcess");
        QTest::qWait(100);
    }
    QVERIFY2(Engine, qPrintable(App.Output()));
    QTest::qWait(2000);
    const QString Output = App.Output() + QString::fromUtf8(App.Process().readAll());
    QVERIFY2(App.IsRunning(), qPrintable(Output));
    // The engine found the shared graphics context it needs (without it, it crashes).
    QVERIFY2(!Output.contains("initialized from a plugin"), qPrintable(Output));
    QVERIFY2(!Output.contains("OpenGL context creation failed"), qPrintable(Output));
}

void TPortalE2ETest::RunsOnWithoutTheEngine() {
    // Without the engine's library the portal's windows stay empty; nothing else is lost.
    TAppProcess App;
    QVERIFY(QFile::remove(App.Dir() + "libqc_webview.so"));
    QVERIFY2(App.Start(), qPrintable(App.Output()));
    QTest::qWait(3000);
    QVERIFY2(App.IsRunning(), qPrintable(App.Output()));
    QVERIFY(!Children(App.Process().processId()).join('\n').contains("QtWebEngineProcess"));
}

QTEST_GUILESS_MAIN(TPortalE2ETest)
#include "PortalE2ETest.moc"
