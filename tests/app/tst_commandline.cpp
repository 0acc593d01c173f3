// qingchuan --help and --version: they answer on standard output and end, with no display, no
// settings file touched, and while another copy of the program runs.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "AppProcess.h"

namespace {

struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TRun Run(const QString &Exe, const QStringList &Args, const QProcessEnvironment &Env) {
    QProcess P;
    P.setProcessEnvironment(Env);
    P.start(Exe, Args);
    TRun Result;
    // Generous for a loaded machine: the answer needs no more than the program's loading.
    if (!P.waitForFinished(20000)) {
        P.kill();
        P.waitForFinished(2000);
        return Result;
    }
    if (P.exitStatus() == QProcess::NormalExit)
        Result.ExitCode = P.exitCode();
    Result.Out = QString::fromUtf8(P.readAllStandardOutput());
    Result.Err = QString::fromUtf8(P.readAllStandardError());
    return Result;
}

} // namespace

class tst_CommandLine : public QObject {
    Q_OBJECT
private slots:
    void HelpAndVersionNeedNoDisplayNorSettings();
    void HelpAndVersionAnswerWhileTheProgramRuns();
};

void tst_CommandLine::HelpAndVersionNeedNoDisplayNorSettings() {
    // A copy with no cfg.ini beside it would keep its files in the home given here.
    TAppProcess App("qingchuan-cmdline", false);
    QTemporaryDir Home;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    for (const char *Name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        Env.remove(Name);
    Env.insert("HOME", Home.path());

    const TRun Version = Run(App.ExePath(), {"--version"}, Env);
    QCOMPARE(Version.ExitCode, 0);
    QVERIFY2(
        QRegularExpression("^qingchuan \\d+\\.\\d+(\\.\\d+)*\\n$").match(Version.Out).hasMatch(),
        qPrintable(Version.Out));
    QCOMPARE(Version.Err, QString());

    for (const char *Option : {"--help", "-h"}) {
        const TRun Help = Run(App.ExePath(), {Option}, Env);
        QCOMPARE(Help.ExitCode, 0);
        QVERIFY2(Help.Out.contains("--help") && Help.Out.contains("--version") &&
                     Help.Out.contains("qingchuan/cfg.ini"),
                 qPrintable(Help.Out));
        // The actions a desktop's shortcut settings can call, under the names they are known by.
        for (const char *Action : {"--show", "--portal", "--capture", "--hide-browsers", "--chat"})
            QVERIFY2(Help.Out.contains(QString("  ") + Action + " "), Action);
        QCOMPARE(Help.Err, QString());
    }
    // Nothing was made in the home, nor beside the program.
    QCOMPARE(QDir(Home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!QFileInfo::exists(App.Dir() + "cfg.ini"));
}

void tst_CommandLine::HelpAndVersionAnswerWhileTheProgramRuns() {
    TAppProcess App("qingchuan-cmdline");
    QVERIFY(App.Start());
    const QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    const TRun Version = Run(App.ExePath(), {"--version"}, Env);
    QCOMPARE(Version.ExitCode, 0);
    QVERIFY2(Version.Out.startsWith("qingchuan "), qPrintable(Version.Out));
    const TRun Help = Run(App.ExePath(), {"--help"}, Env);
    QCOMPARE(Help.ExitCode, 0);
    QVERIFY2(Help.Out.contains("--version"), qPrintable(Help.Out));
    // The running copy was not asked to do anything and goes on.
    QVERIFY(App.IsRunning());
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
