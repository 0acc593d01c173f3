// Peak memory of the whole program with the portal window shown: its own process and every
// helper process the web engine starts. Runs the real start-up, opens the portal's home page as
// "闯荡江湖" does, lets it settle, then prints the figures and ends.
//
//   source scripts/desktop.sh; desktop_start; build/bin/bench_portal_memory; desktop_stop
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <map>

#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/Portal.h"
#include "app/Web.h"
#include "app/WebView.h"

namespace {

constexpr int SampleMs = 50;
constexpr int BeforeShowMs = 3000; // at rest: the engine starts only with the first showing
constexpr int AfterShowMs = 5000;

struct TSample {
    long RssKb = 0, PssKb = 0;
};

long Field(const QByteArray &Text, const char *Name) {
    const QRegularExpression Re(QString("^%1:\\s+(\\d+) kB").arg(Name),
                                QRegularExpression::MultilineOption);
    const auto M = Re.match(QString::fromLatin1(Text));
    return M.hasMatch() ? M.captured(1).toLong() : 0;
}

QByteArray ReadProc(qint64 Pid, const char *Name) {
    QFile F(QString("/proc/%1/%2").arg(Pid).arg(Name));
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

// This process and all its descendants.
QList<qint64> Tree() {
    std::map<qint64, qint64> Parent;
    for (const QString &Entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool Ok = false;
        const qint64 Pid = Entry.toLongLong(&Ok);
        if (!Ok)
            continue;
        const QByteArray Stat = ReadProc(Pid, "stat");
        const int Close = Stat.lastIndexOf(')');
        if (Close < 0)
            continue;
        const QList<QByteArray> Rest = Stat.mid(Close + 2).split(' ');
        if (Rest.size() > 1)
            Parent[Pid] = Rest[1].toLongLong();
    }
    QList<qint64> Result{QCoreApplication::applicationPid()};
    for (int I = 0; I < Result.size(); ++I)
        for (const auto &[Pid, PPid] : Parent)
            if (PPid == Result[I])
                Result << Pid;
    return Result;
}

struct TBench {
    TSample PeakBefore, PeakShown;
    long HwmSumKb = 0;
    int Processes = 0;
    bool Shown = false;
    bool Loaded = false;
    QElapsedTimer Clock;

    void Sample() {
        TSample Now;
        long Hwm = 0;
        const QList<qint64> Pids = Tree();
        for (qint64 Pid : Pids) {
            const QByteArray Status = ReadProc(Pid, "status");
            Now.RssKb += Field(Status, "VmRSS");
            Hwm += Field(Status, "VmHWM");
            Now.PssKb += Field(ReadProc(Pid, "smaps_rollup"), "Pss");
        }
        TSample &Peak = Shown ? PeakShown : PeakBefore;
        Peak.RssKb = std::max(Peak.RssKb, Now.RssKb);
        Peak.PssKb = std::max(Peak.PssKb, Now.PssKb);
        HwmSumKb = std::max(HwmSumKb, Hwm);
        Processes = std::max(Processes, int(Pids.size()));
    }

    void Report() const {
        std::printf("portal memory (all processes of the program, %d at most)\n", Processes);
        std::printf("  hidden, after start-up:   peak RSS sum %6.1f MiB   peak PSS sum %6.1f MiB\n",
                    PeakBefore.RssKb / 1024.0, PeakBefore.PssKb / 1024.0);
        std::printf("  portal window shown:      peak RSS sum %6.1f MiB   peak PSS sum %6.1f MiB\n",
                    PeakShown.RssKb / 1024.0, PeakShown.PssKb / 1024.0);
        std::printf("  sum of each process's own peak (VmHWM): %6.1f MiB\n", HwmSumKb / 1024.0);
        std::printf("  home page loaded: %s\n", Loaded ? "yes" : "NO");
        std::fflush(stdout);
    }
};

TBench *Bench = nullptr;

// The program reaches its browser views through Qt's meta-object system only (they live in a
// library loaded at first use); so does this benchmark.
class TLoadWatch : public QObject {
    Q_OBJECT
public slots:
    void Finished(bool Ok) { Bench->Loaded = Ok; }
};

void Begin() {
    Bench = new TBench;
    Bench->Clock.start();
    auto *Sampler = new QTimer(QCoreApplication::instance());
    QObject::connect(Sampler, &QTimer::timeout, [] { Bench->Sample(); });
    Sampler->start(SampleMs);
    QTimer::singleShot(BeforeShowMs, [] {
        if (!Frm_WB) {
            std::printf("the portal window was not created\n");
            QCoreApplication::exit(1);
            return;
        }
        Bench->Shown = true;
        Frm_WB->NV(Portal::HomePage());
        if (Frm_WB->wb1())
            QObject::connect(Frm_WB->wb1(), SIGNAL(loadFinished(bool)), new TLoadWatch,
                             SLOT(Finished(bool)));
        QTimer::singleShot(AfterShowMs, [] {
            Bench->Sample();
            Bench->Report();
            QCoreApplication::exit(Bench->Loaded ? 0 : 1);
        });
    });
}

// Runs as soon as the application object exists, inside the real start-up.
void Hook() {
    QTimer::singleShot(0, Begin);
}
Q_COREAPP_STARTUP_FUNCTION(Hook)

} // namespace

int main(int argc, char **argv) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // As the program's own main does, before any thread.
    WebView::PrepareEnvironment();
    return RunApplication(argc, argv);
}

#include "PortalMemory.moc"
