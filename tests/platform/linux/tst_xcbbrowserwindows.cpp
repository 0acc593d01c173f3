#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

#include "PortalBed.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "platform/Platform.h"
#include "platform/linux/WaylandBrowserWindows.h"
#include "platform/linux/XcbBrowserWindows.h"
#include "tools/IECtrl.h"

namespace {

// Run as a child of the test: one plain X window with the given WM_CLASS, mapped unless told
// otherwise, whose id goes to standard output; it lives until its standard input closes.
int RunWindow(const char *Instance, const char *Class, bool Map) {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(C))
        return 1;
    xcb_screen_t *Screen = xcb_setup_roots_iterator(xcb_get_setup(C)).data;
    const xcb_window_t W = xcb_generate_id(C);
    xcb_create_window(C, XCB_COPY_FROM_PARENT, W, Screen->root, 10, 10, 200, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, Screen->root_visual, 0, nullptr);
    std::string WmClass = std::string(Instance) + '\0' + Class + '\0';
    xcb_change_property(C, XCB_PROP_MODE_REPLACE, W, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(WmClass.size()), WmClass.data());
    xcb_change_property(C, XCB_PROP_MODE_REPLACE, W, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(Class)), Class);
    const char *PidName = "_NET_WM_PID";
    auto *Pid = xcb_intern_atom_reply(
        C, xcb_intern_atom(C, 0, static_cast<uint16_t>(std::strlen(PidName)), PidName), nullptr);
    const uint32_t Me = static_cast<uint32_t>(getpid());
    xcb_change_property(C, XCB_PROP_MODE_REPLACE, W, Pid->atom, XCB_ATOM_CARDINAL, 32, 1, &Me);
    std::free(Pid);
    if (Map)
        xcb_map_window(C, W);
    std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
    std::printf("%u\n", W);
    std::fflush(stdout);
    // Events are left unread: nothing here needs them.
    while (std::fgetc(stdin) != EOF) {
    }
    xcb_disconnect(C);
    return 0;
}

// Run as a child of the test: the first toggle of a fresh process, whose result ("shown" or
// "hidden") goes to standard output.
int RunFirstToggle() {
    TIECtrl IE(std::make_shared<platform::linux_::TXcbBrowserWindows>(), nullptr);
    IE.HideOrShowIE();
    std::printf("%s\n", TIECtrl::Shown() ? "shown" : "hidden");
    return 0;
}

// The test's own window carries a browser's class and is a browser's window to the child:
// Own is hidden while it runs.
QByteArray FirstToggleOfNewProcess(QWidget &Own) {
    Own.hide();
    QProcess Child;
    Child.start(QCoreApplication::applicationFilePath(), {"--first-toggle"});
    const bool Ok = Child.waitForFinished(10000) && Child.exitCode() == 0;
    Own.show();
    if (!Ok || !QTest::qWaitForWindowExposed(&Own))
        return "failed";
    return Child.readAllStandardOutput().trimmed();
}

// The test's own view of the display.
class TDisplay {
public:
    TDisplay() : FC(xcb_connect(nullptr, nullptr)) {
        const char *Name = "WM_STATE";
        auto *R = xcb_intern_atom_reply(
            FC, xcb_intern_atom(FC, 0, static_cast<uint16_t>(std::strlen(Name)), Name), nullptr);
        FWmState = R ? R->atom : 0;
        std::free(R);
    }
    ~TDisplay() { xcb_disconnect(FC); }
    bool Ok() const { return !xcb_connection_has_error(FC); }
    bool Viewable(xcb_window_t W) {
        auto *R = xcb_get_window_attributes_reply(FC, xcb_get_window_attributes(FC, W), nullptr);
        const bool Result = R && R->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(R);
        return Result;
    }
    // ICCCM state: 1 normal, 3 iconic, 0 or -1 (none) withdrawn.
    int State(xcb_window_t W) {
        auto *R = xcb_get_property_reply(FC, xcb_get_property(FC, 0, W, FWmState, FWmState, 0, 2),
                                         nullptr);
        int Result = -1;
        if (R && R->type != XCB_ATOM_NONE && xcb_get_property_value_length(R) >= 4)
            Result = static_cast<int>(*static_cast<uint32_t *>(xcb_get_property_value(R)));
        std::free(R);
        return Result;
    }
    bool Shown(xcb_window_t W) { return Viewable(W) && State(W) == 1; }
    // Asks the window manager to iconify W, as a task bar's minimise does (ICCCM
    // WM_CHANGE_STATE).
    void Minimise(xcb_window_t W) {
        const char *Name = "WM_CHANGE_STATE";
        auto *R = xcb_intern_atom_reply(
            FC, xcb_intern_atom(FC, 0, static_cast<uint16_t>(std::strlen(Name)), Name), nullptr);
        xcb_client_message_event_t Event{};
        Event.response_type = XCB_CLIENT_MESSAGE;
        Event.format = 32;
        Event.window = W;
        Event.type = R ? R->atom : 0;
        Event.data.data32[0] = 3; // IconicState
        std::free(R);
        xcb_screen_t *Screen = xcb_setup_roots_iterator(xcb_get_setup(FC)).data;
        xcb_send_event(FC, 0, Screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&Event));
        xcb_flush(FC);
    }
    bool Withdrawn(xcb_window_t W) { return !Viewable(W) && State(W) <= 0; }

private:
    xcb_connection_t *FC;
    xcb_atom_t FWmState = 0;
};

// A window of a child process.
class TWindow {
public:
    TWindow(const QString &Instance, const QString &Class, bool Map = true) {
        FProcess.start(QCoreApplication::applicationFilePath(),
                       {"--window", Instance, Class, Map ? "map" : "nomap"});
        if (FProcess.waitForReadyRead(10000))
            Id = FProcess.readLine().trimmed().toUInt();
    }
    ~TWindow() {
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
        FProcess.waitForFinished(1000);
    }
    xcb_window_t Id = 0;

private:
    QProcess FProcess;
};

} // namespace

class tst_XcbBrowserWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(Display.Ok(), "no X display");
        QVERIFY(Firefox.Id && Chromium.Id && Terminal.Id && Helper.Id);
        // One of this program's own windows, whose class is a browser's.
        Own.setWindowTitle("own");
        Own.resize(200, 100);
        Own.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Own));
        for (xcb_window_t W : {Firefox.Id, Chromium.Id, Terminal.Id})
            QTRY_VERIFY(Display.Shown(W));
    }

    // A program started while browsers are on the desktop hides them at its first press; from
    // there the toggle alternates.
    void firstToggleHidesWhatIsOnTheDesktop() {
        QCOMPARE(FirstToggleOfNewProcess(Own), QByteArray("hidden"));
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id));
        QVERIFY(Display.Shown(Terminal.Id));
        IE.ShowIE();
        QVERIFY(TIECtrl::Shown());
        QTRY_VERIFY(Display.Shown(Firefox.Id) && Display.Shown(Chromium.Id));
        IE.HideOrShowIE();
        QVERIFY(!TIECtrl::Shown());
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id));
        IE.HideOrShowIE();
        QVERIFY(TIECtrl::Shown());
        QTRY_VERIFY(Display.Shown(Firefox.Id) && Display.Shown(Chromium.Id));
        // A browser's window that was never on the desktop is not brought up by a show. A map
        // goes through the window manager, which handles its requests in order: once a window
        // mapped after the show is up, a map the show asked for would have been carried out too.
        TWindow Marker("xterm", "XTerm");
        QTRY_VERIFY(Display.Shown(Marker.Id));
        QVERIFY(!Display.Viewable(Helper.Id));
    }

    // The first press of a program started while no browser window is on the desktop shows: it
    // brings back what an earlier run hid.
    void firstToggleWithNoBrowserOnTheDesktopShows() {
        IE.HideIE();
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id));
        QCOMPARE(FirstToggleOfNewProcess(Own), QByteArray("shown"));
        QTRY_VERIFY(Display.Shown(Firefox.Id) && Display.Shown(Chromium.Id));
    }

    // A minimised browser is still on the desktop (the task bar has it): the first press hides
    // it too.
    void firstToggleHidesAMinimisedBrowser() {
        for (xcb_window_t W : {Firefox.Id, Chromium.Id})
            Display.Minimise(W);
        QTRY_VERIFY(Display.State(Firefox.Id) == 3 && Display.State(Chromium.Id) == 3);
        QCOMPARE(FirstToggleOfNewProcess(Own), QByteArray("hidden"));
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id));
        IE.ShowIE();
        QTRY_VERIFY(Display.Shown(Firefox.Id) && Display.Shown(Chromium.Id));
    }

    void hideWithdrawsExactlyTheBrowsers() {
        IE.HideIE();
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id));
        QTRY_VERIFY(Display.Withdrawn(Chromium.Id));
        // Hiding ends with a round trip to the server, so an unmap of any other window would
        // already have been carried out.
        QVERIFY(Display.Shown(Terminal.Id));
        QVERIFY(Own.isVisible());
        QVERIFY(Display.Viewable(static_cast<xcb_window_t>(Own.winId())));
        // A second hide changes nothing.
        IE.HideIE();
        QVERIFY(Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id));

        IE.ShowIE();
        QTRY_VERIFY(Display.Shown(Firefox.Id));
        QTRY_VERIFY(Display.Shown(Chromium.Id));
        QVERIFY(Display.Shown(Terminal.Id));
        // A browser's window that was never on the desktop is not brought up by a show. A map
        // goes through the window manager, which handles its requests in order: once a window
        // mapped after the show is up, a map the show asked for would have been carried out too.
        TWindow Marker("xterm", "XTerm");
        QTRY_VERIFY(Display.Shown(Marker.Id));
        QVERIFY(!Display.Viewable(Helper.Id));
    }

    void browserOpenedAfterHideStaysUntilNextHide() {
        IE.HideIE();
        QTRY_VERIFY(Display.Withdrawn(Firefox.Id));
        TWindow Late("google-chrome", "Google-chrome");
        QTRY_VERIFY(Display.Shown(Late.Id));
        IE.HideIE();
        QTRY_VERIFY(Display.Withdrawn(Late.Id));
        IE.ShowIE();
        QTRY_VERIFY(Display.Shown(Late.Id) && Display.Shown(Firefox.Id));
    }

    // A GNOME session on Wayland, where neither sway's IPC nor KWin is there and the desktop
    // lets no other program reach its Wayland windows: the platform takes its Wayland way, which
    // still withdraws and brings back the X11 browsers (here this test desktop stands for
    // XWayland) and says once, at the first press, that Wayland-native windows stay.
    void gnomeHidesX11BrowsersAndSaysOnce() {
        TPortalBed Bus;
        const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        const QByteArray Names[] = {"XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "SWAYSOCK",
                                    "DBUS_SESSION_BUS_ADDRESS"};
        std::vector<QByteArray> Old;
        for (const QByteArray &Name : Names)
            Old.push_back(qgetenv(Name.constData()));
        qputenv("XDG_SESSION_TYPE", "wayland");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        qunsetenv("SWAYSOCK");
        // The session bus is reached at the first press, on a bus of the test's own.
        qputenv("DBUS_SESSION_BUS_ADDRESS", Bus.BusAddress().toUtf8());
        const auto Windows = platform::CreatePlatform().BrowserWindows;
        QVERIFY(dynamic_cast<platform::linux_::TWaylandBrowserWindows *>(Windows.get()));
        TIECtrl Gnome(Windows, nullptr);
        Dialogs::TDialogScript Script;
        Gnome.HideIE();
        const bool Hidden = QTest::qWaitFor(
            [&] { return Display.Withdrawn(Firefox.Id) && Display.Withdrawn(Chromium.Id); });
        Gnome.ShowIE();
        const bool Shown = QTest::qWaitFor(
            [&] { return Display.Shown(Firefox.Id) && Display.Shown(Chromium.Id); });
        Gnome.HideOrShowIE();
        const bool HiddenAgain = QTest::qWaitFor([&] { return Display.Withdrawn(Firefox.Id); });
        Gnome.HideOrShowIE();
        for (size_t I = 0; I < Old.size(); ++I)
            if (Old[I].isNull())
                qunsetenv(Names[I].constData());
            else
                qputenv(Names[I].constData(), Old[I]);
        QVERIFY(Hidden && Shown && HiddenAgain);
        QTRY_VERIFY(Display.Shown(Firefox.Id));
        QVERIFY(Display.Shown(Terminal.Id));
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text,
                 "在当前桌面上，本程序只能隐藏或显示X11（XWayland）浏览器窗口；"
                 "Wayland原生的浏览器窗口由桌面自己管理，无法由本程序隐藏，请自行最小化。");
    }

    void classNamesMatchIgnoringCase() {
        using platform::linux_::TXcbBrowserWindows;
        QVERIFY(TXcbBrowserWindows::IsBrowserClass("ieframe"));
        QVERIFY(TXcbBrowserWindows::IsBrowserClass("IEFRAME"));
        QVERIFY(TXcbBrowserWindows::IsBrowserClass("Firefox-ESR"));
        QVERIFY(!TXcbBrowserWindows::IsBrowserClass("IEFrame2"));
        QVERIFY(!TXcbBrowserWindows::IsBrowserClass("XTerm"));
        QVERIFY(!TXcbBrowserWindows::IsBrowserClass(""));
    }

private:
    TDisplay Display;
    // Instance and class as Firefox sets them; and a class only in another letter case.
    TWindow Firefox{"Navigator", "firefox"};
    TWindow Chromium{"web", "CHROMIUM"};
    TWindow Terminal{"xterm", "XTerm"};
    TWindow Helper{"firefox", "firefox", false};
    QWidget Own;
    TIECtrl IE{std::make_shared<platform::linux_::TXcbBrowserWindows>(), nullptr};
};

int main(int argc, char **argv) {
    if (argc == 5 && std::strcmp(argv[1], "--window") == 0)
        return RunWindow(argv[2], argv[3], std::strcmp(argv[4], "map") == 0);
    if (argc == 2 && std::strcmp(argv[1], "--first-toggle") == 0)
        return RunFirstToggle();
    QApplication App(argc, argv);
    // The test's own windows then carry a browser's class, and must still be left alone.
    QCoreApplication::setApplicationName("firefox");
    tst_XcbBrowserWindows Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_xcbbrowserwindows.moc"
