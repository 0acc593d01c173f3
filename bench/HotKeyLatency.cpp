// Delay from a key event to OnHotKeyPressed: Ctrl+Alt+Q is registered through THotKeyManager on
// the X server of $DISPLAY, and a second client presses it with XTest; each round is timed from
// the moment the key press is flushed to the server until the handler runs.
// Usage: bench_hotkey_latency [rounds]   (on a virtual desktop: scripts/desktop.sh)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include "hotkeys/HotKeyManager.h"
#include "platform/linux/XcbHotKeys.h"

namespace {

uint8_t KeyCode(xcb_key_symbols_t *Syms, uint32_t Sym) {
    xcb_keycode_t *Codes = xcb_key_symbols_get_keycode(Syms, Sym);
    const uint8_t Code = Codes ? Codes[0] : 0;
    std::free(Codes);
    return Code;
}

void Fake(xcb_connection_t *C, uint8_t Type, uint8_t Code) {
    xcb_test_fake_input(C, Type, Code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

} // namespace

int main(int argc, char **argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "needs DISPLAY (source scripts/desktop.sh; desktop_start)\n");
        return 2;
    }
    QCoreApplication App(argc, argv);
    const int Rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;

    THotKeyManager Manager(std::make_shared<platform::linux_::TXcbHotKeys>());
    QElapsedTimer Clock;
    QEventLoop Loop;
    qint64 PressedAt = -1;
    Manager.SetOnHotKeyPressed([&](uint32_t, uint16_t) {
        PressedAt = Clock.nsecsElapsed();
        Loop.quit();
    });
    if (!Manager.AddHotKey(49233)) {
        std::fprintf(stderr, "Ctrl+Alt+Q could not be registered\n");
        return 1;
    }

    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    xcb_key_symbols_t *Syms = xcb_key_symbols_alloc(C);
    const uint8_t Ctrl = KeyCode(Syms, 0xffe3), Alt = KeyCode(Syms, 0xffe9), Q = KeyCode(Syms, 'q');
    QTimer Timeout;
    Timeout.setSingleShot(true);
    QObject::connect(&Timeout, &QTimer::timeout, &Loop, &QEventLoop::quit);
    std::vector<double> Micros;
    int Lost = 0;
    for (int I = 0; I < Rounds; ++I) {
        Fake(C, XCB_KEY_PRESS, Ctrl);
        Fake(C, XCB_KEY_PRESS, Alt);
        std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
        PressedAt = -1;
        Clock.start();
        Fake(C, XCB_KEY_PRESS, Q);
        xcb_flush(C);
        Timeout.start(1000);
        Loop.exec();
        Timeout.stop();
        if (PressedAt < 0)
            ++Lost;
        else
            Micros.push_back(PressedAt / 1000.0);
        Fake(C, XCB_KEY_RELEASE, Q);
        Fake(C, XCB_KEY_RELEASE, Alt);
        Fake(C, XCB_KEY_RELEASE, Ctrl);
        std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
    }
    xcb_key_symbols_free(Syms);
    xcb_disconnect(C);
    if (Micros.empty()) {
        std::fprintf(stderr, "no press arrived\n");
        return 1;
    }
    std::sort(Micros.begin(), Micros.end());
    const auto At = [&](double P) {
        return Micros[std::min(Micros.size() - 1, size_t(P * Micros.size()))];
    };
    std::printf("key event -> OnHotKeyPressed, %zu presses (%d lost): median %.0f us, p99 %.0f us, "
                "min %.0f us, max %.0f us\n",
                Micros.size(), Lost, At(0.5), At(0.99), Micros.front(), Micros.back());
    return 0;
}
