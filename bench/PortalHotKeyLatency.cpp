// Delay from a key event to OnHotKeyPressed on a Wayland session's path (the desktop portal's
// GlobalShortcuts with KDE's backend: xdg-desktop-portal, xdg-desktop-portal-kde, kglobalaccel5)
// beside the X11 grab path, in one run on one X server. The benchmark starts its own bus, portal
// daemons and Xvfb (the test bed of tests/platform/linux) and stops them at the end. Each round
// presses Ctrl+Alt+Q (through the portal) or Ctrl+Alt+W (grabbed on the X root) with xdotool,
// and is timed from the start of xdotool until the handler runs, so both paths carry the same
// start-up of xdotool (the X11 figure is its floor). XTest presses sent from here in one burst
// never reach KDE's daemon, while xdotool's, with its pauses between the events, do.
// Usage: bench_portal_hotkey_latency [rounds]   (needs no desktop)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "PortalBed.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/linux/PortalGlobalShortcuts.h"
#include "platform/linux/XcbHotKeys.h"

namespace {

struct TPath {
    const char *Name;
    THotKeyManager *Manager;
    const char *Keys; // as xdotool names them
    std::vector<double> Micros;
    int Lost = 0;
};

void Report(TPath &P) {
    if (P.Micros.empty()) {
        std::printf("%-28s no press arrived (%d lost)\n", P.Name, P.Lost);
        return;
    }
    std::sort(P.Micros.begin(), P.Micros.end());
    const auto At = [&](double Q) {
        return P.Micros[std::min(P.Micros.size() - 1, size_t(Q * P.Micros.size()))];
    };
    std::printf("%-28s %zu presses (%d lost): median %.0f us, p99 %.0f us, min %.0f us, "
                "max %.0f us\n",
                P.Name, P.Micros.size(), P.Lost, At(0.5), At(0.99), P.Micros.front(),
                P.Micros.back());
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    const int Rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    TPortalBed Bed;
    if (const QString Why = Bed.Start(TPortalBed::TKind::Kde); !Why.isEmpty()) {
        std::fprintf(stderr, "portal stack: %s\n", qPrintable(Why));
        return 2;
    }
    const std::string Display = Bed.Display().toStdString();

    auto Portal = std::make_shared<platform::linux_::TPortalGlobalShortcuts>(Bed.BusAddress());
    THotKeyManager PortalManager(Portal);
    THotKeyManager X11Manager(std::make_shared<platform::linux_::TXcbHotKeys>(Display));
    const uint16_t PortalId = PortalManager.AddHotKey(49233); // Ctrl+Alt+Q
    if (!PortalId || !X11Manager.AddHotKey(HotKeyCtrl | HotKeyAlt | 'W')) {
        std::fprintf(stderr, "the hotkeys could not be registered\n");
        return 1;
    }
    if (!QTest::qWaitFor([&] { return Portal->Bound(PortalId); }, 20000)) {
        std::fprintf(stderr, "the portal did not bind Ctrl+Alt+Q\n");
        return 1;
    }

    QElapsedTimer Clock;
    QEventLoop Loop;
    qint64 PressedAt = -1;
    const auto Handler = [&](uint32_t, uint16_t) {
        PressedAt = Clock.nsecsElapsed();
        Loop.quit();
    };
    PortalManager.SetOnHotKeyPressed(Handler);
    X11Manager.SetOnHotKeyPressed(Handler);

    TPath Paths[] = {{"portal (KDE backend):", &PortalManager, "ctrl+alt+q", {}},
                     {"X11 grab:", &X11Manager, "ctrl+alt+w", {}}};
    QTimer Timeout;
    Timeout.setSingleShot(true);
    QObject::connect(&Timeout, &QTimer::timeout, &Loop, &QEventLoop::quit);
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("DISPLAY", Bed.Display());
    // The two paths take turns, so both see the same load on the machine.
    for (int I = 0; I < 2 * Rounds; ++I) {
        TPath &P = Paths[I % 2];
        QProcess Press;
        Press.setProcessEnvironment(Env);
        PressedAt = -1;
        Clock.start();
        Press.start("xdotool", {"key", P.Keys});
        Timeout.start(2000);
        Loop.exec();
        Timeout.stop();
        if (PressedAt < 0)
            ++P.Lost;
        else
            P.Micros.push_back(PressedAt / 1000.0);
        Press.waitForFinished();
    }
    std::printf("key event -> OnHotKeyPressed\n");
    for (TPath &P : Paths)
        Report(P);
    return 0;
}
