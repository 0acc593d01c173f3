// The reminder window on a real sway (headless, with XWayland): where it really rests, read from
// the X server sway runs, is the bottom right corner, whole, although sway tiles or centres every
// window it manages. sway refuses to run as root, so as root the test runs sway and the window
// as the user "nobody".
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "Require.h"
#include "TestSupport.h"
#include "tasks/Pop.h"

namespace {

// sway and XWayland are up well within a second here; this leaves room for a loaded machine.
constexpr int StartTimeoutMs = 20000;

// The window shown by a child process of this test, on sway's X server: it says where it wants
// to rest, then stays until it is ended.
int ShowPop(int &argc, char **argv) {
    QApplication App(argc, argv);
    TFrm_Pop Pop;
    Pop.Label1()->setText("CPU使用率超过设定值");
    Pop.Timer2()->setInterval(600000);
    Pop.Pop();
    QTimer Watch;
    QObject::connect(&Watch, &QTimer::timeout, [&] {
        if (!Pop.Timer2()->isActive())
            return;
        Watch.stop();
        const QRect Work = QGuiApplication::primaryScreen()->availableGeometry();
        std::printf("resting %d %d %d %d corner %d %d\n", Pop.x(), Pop.y(), Pop.width(),
                    Pop.height(), Work.right(), Work.bottom());
        std::fflush(stdout);
    });
    Watch.start(20);
    return App.exec();
}

} // namespace

class tst_PopSway : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    std::vector<std::unique_ptr<QProcess>> FProcesses; // stopped in reverse order
    QStringList FAs;                                   // the prefix that runs a program as the user

    QProcess *Launch(const QStringList &Command, const QString &Log) {
        auto P = std::make_unique<QProcess>();
        P->setStandardErrorFile(FDir.filePath(Log));
        const QStringList Full = FAs + Command;
        P->start(Full[0], Full.mid(1));
        if (!P->waitForStarted())
            return nullptr;
        FProcesses.push_back(std::move(P));
        return FProcesses.back().get();
    }

    void StopAll() {
        while (!FProcesses.empty()) {
            QProcess &P = *FProcesses.back();
            if (P.state() != QProcess::NotRunning) {
                P.terminate();
                if (!P.waitForFinished(5000)) {
                    P.kill();
                    P.waitForFinished();
                }
            }
            FProcesses.pop_back();
        }
    }

private slots:
    void cleanup() { StopAll(); }

    void restsInTheCornerOnSway() {
        for (const char *Program : {"sway", "xwininfo", "env"})
            QC_REQUIRE_PROGRAM(Program);
        QVERIFY(FDir.isValid());
        const QString Root = FDir.path();
        if (geteuid() == 0) {
            QC_REQUIRE_PROGRAM("runuser");
            FAs = {"runuser", "-u", "nobody", "--"};
            QVERIFY(QProcess::execute("chown", {"nobody:nogroup", Root}) == 0);
        }
        QVERIFY(QDir().mkpath(Root + "/run"));
        QFile::setPermissions(Root + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
        if (!FAs.isEmpty())
            QVERIFY(QProcess::execute("chown", {"nobody:nogroup", Root + "/run"}) == 0);
        QFile Config(Root + "/sway.conf");
        QVERIFY(Config.open(QIODevice::WriteOnly));
        Config.write(("xwayland enable\nexec env > " + Root + "/env.txt\n").toUtf8());
        Config.close();

        const QStringList Base = {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + Root,
                                  "XDG_RUNTIME_DIR=" + Root + "/run"};
        QVERIFY(Launch(Base + QStringList{"WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                          "WLR_LIBINPUT_NO_DEVICES=1", "sway", "-c",
                                          Root + "/sway.conf"},
                       "sway.log"));
        // sway runs the config's exec line once XWayland's display is known.
        QStringList Env;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         QFile F(Root + "/env.txt");
                         if (!F.open(QIODevice::ReadOnly))
                             return false;
                         Env.clear();
                         for (const QByteArray &Line : F.readAll().split('\n'))
                             if (Line.startsWith("DISPLAY=") || Line.startsWith("SWAYSOCK=") ||
                                 Line.startsWith("WAYLAND_DISPLAY="))
                                 Env << QString::fromUtf8(Line);
                         return Env.size() == 3;
                     },
                     StartTimeoutMs),
                 "sway did not come up (see sway.log)");
        const QString Display = Env.filter(QRegularExpression("^DISPLAY=")).value(0);

        const QString Copy = CopyOfThisProgram(Root + "/bin");
        QVERIFY(!Copy.isEmpty());
        QProcess *Pop =
            Launch(Base + Env +
                       QStringList{"QT_QPA_PLATFORM=xcb", "XDG_CURRENT_DESKTOP=sway",
                                   "LD_LIBRARY_PATH=" + Root + "/bin", Copy, "--show-pop"},
                   "pop.log");
        QVERIFY(Pop);
        QVERIFY2(QTest::qWaitFor([&] { return Pop->canReadLine(); }, StartTimeoutMs),
                 "the reminder window did not come to rest");
        const QStringList Said = QString::fromUtf8(Pop->readLine()).split(' ');
        QCOMPARE(Said.value(0), QString("resting"));
        const int Right = Said.value(6).toInt();
        const int Bottom = Said.value(7).toInt();

        // Where the X server has it: sway would have moved or resized a window it manages.
        QRect Real;
        const bool InCorner = QTest::qWaitFor(
            [&] {
                QProcess Info;
                const QStringList Full =
                    FAs + QStringList{"env", Display, "xwininfo", "-name", "提醒"};
                Info.start(Full[0], Full.mid(1));
                Info.waitForFinished(10000);
                const QString Out = QString::fromUtf8(Info.readAllStandardOutput());
                auto Value = [&](const char *Name) {
                    const QRegularExpressionMatch M =
                        QRegularExpression(QString(Name) + ":\\s+(-?\\d+)").match(Out);
                    return M.hasMatch() ? M.captured(1).toInt() : -1;
                };
                Real = QRect(Value("Absolute upper-left X"), Value("Absolute upper-left Y"),
                             Value("Width"), Value("Height"));
                return Real.right() == Right && Real.bottom() == Bottom;
            },
            StartTimeoutMs);
        QVERIFY2(InCorner, qPrintable(QString("rests at %1,%2 %3x%4, not in the corner %5,%6")
                                          .arg(Real.x())
                                          .arg(Real.y())
                                          .arg(Real.width())
                                          .arg(Real.height())
                                          .arg(Right)
                                          .arg(Bottom)));
        QCOMPARE(Real.size(), QSize(255, 159));
    }
};

int main(int argc, char **argv) {
    for (int I = 1; I < argc; ++I)
        if (qstrcmp(argv[I], "--show-pop") == 0)
            return ShowPop(argc, argv);
    QCoreApplication App(argc, argv);
    tst_PopSway Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_pop_sway.moc"
