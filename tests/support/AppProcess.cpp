#include "AppProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <xcb/xcb.h>

#include "TestSupport.h"

TAppProcess::TAppProcess(const QString &ExeName, bool Seed)
    : FExeName(ExeName.isEmpty()
                   ? QString("qingchuan-test-%1").arg(QCoreApplication::applicationPid())
                   : ExeName) {
    QFile::copy(QStringLiteral(QC_BIN_DIR "/qingchuan"), ExePath());
    QFile::setPermissions(ExePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (Seed)
        SeedFolder(FDir.path());
    // Companion files the build puts beside the program.
    for (const char *Extra : {"Lock.exe", "libCameraDll.so", "libqc_webview.so"})
        QFile::copy(QStringLiteral(QC_BIN_DIR "/") + Extra, Dir() + Extra);
}

TAppProcess::~TAppProcess() {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000)) {
            FProcess.kill();
            FProcess.waitForFinished(2000);
        }
    }
}

void TAppProcess::AsOnWayland() {
    FWayland = true;
    QFile Ini(Dir() + "cfg.ini");
    if (!Ini.open(QIODevice::ReadOnly))
        return;
    QByteArray Text = Ini.readAll();
    Ini.close();
    const qsizetype Sys = Text.indexOf("[Sys]");
    const qsizetype LineEnd = Sys < 0 ? -1 : Text.indexOf('\n', Sys);
    if (LineEnd < 0)
        Text += Sys < 0 ? "\n[Sys]\nNoHotKeysNoticed=1\n" : "\nNoHotKeysNoticed=1\n";
    else
        Text.insert(LineEnd + 1, "NoHotKeysNoticed=1\n");
    if (Ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Ini.write(Text);
}

bool TAppProcess::Start(int TimeoutMs, const QStringList &Args) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("QINGCHUAN_REPORT_READY", "1");
    Env.insert("QINGCHUAN_POWER_LOG", Dir() + "poweroff.log");
    Env.remove("QT_QPA_PLATFORM");
    // A copy that finds no cfg.ini beside itself keeps its files in the user's folders: those
    // of the test's own folder, never the real ones.
    Env.insert("XDG_CONFIG_HOME", Dir() + "xdg-config");
    Env.insert("XDG_DATA_HOME", Dir() + "xdg-data");
    if (FWayland)
        Env.insert("XDG_SESSION_TYPE", "wayland");
    for (const QString &Name : FExtraEnv.keys())
        Env.insert(Name, FExtraEnv.value(Name));
    FProcess.setProcessEnvironment(Env);
    FProcess.setWorkingDirectory(FDir.path());
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    FProcess.start(ExePath(), Args);
    if (!FProcess.waitForStarted(5000))
        return false;
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Deadline.hasExpired()) {
        FProcess.waitForReadyRead(100);
        FOutput += QString::fromUtf8(FProcess.readAll());
        if (FOutput.contains(QRegularExpression("^ready", QRegularExpression::MultilineOption)))
            return true;
        if (FProcess.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

int TAppProcess::StartAgain(int TimeoutMs, const QStringList &Args) const {
    QProcess Second;
    Second.setWorkingDirectory(FDir.path());
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("QT_QPA_PLATFORM");
    Env.insert("QINGCHUAN_POWER_LOG", Dir() + "poweroff.log");
    Env.insert("XDG_CONFIG_HOME", Dir() + "xdg-config");
    Env.insert("XDG_DATA_HOME", Dir() + "xdg-data");
    Second.setProcessEnvironment(Env);
    Second.start(ExePath(), Args);
    if (!Second.waitForFinished(TimeoutMs)) {
        Second.kill();
        Second.waitForFinished(2000);
        return -1;
    }
    return Second.exitStatus() == QProcess::NormalExit ? Second.exitCode() : -1;
}

int TAppProcess::WaitForExit(int TimeoutMs) {
    if (!FProcess.waitForFinished(TimeoutMs))
        return -1;
    FOutput += QString::fromUtf8(FProcess.readAll());
    return FProcess.exitStatus() == QProcess::NormalExit ? FProcess.exitCode() : -1;
}

QStringList ChildCommandLines(qint64 Parent) {
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

namespace X11 {

QString XDoTool(const QStringList &Args) {
    QProcess P;
    P.start("xdotool", Args);
    P.waitForFinished(10000);
    return QString::fromUtf8(P.readAllStandardOutput()).trimmed();
}

QStringList FindWindows(const QString &Title, bool OnlyVisible) {
    QStringList Args;
    if (OnlyVisible)
        Args << "--onlyvisible";
    Args << "--name" << ("^" + QRegularExpression::escape(Title) + "$");
    const QString Out = XDoTool(QStringList{"search"} + Args);
    return Out.isEmpty() ? QStringList() : Out.split('\n');
}

QString WaitForWindow(const QString &Title, int TimeoutMs) {
    QStringList W;
    return QTest::qWaitFor([&] { return !(W = FindWindows(Title)).isEmpty(); }, TimeoutMs)
               ? W.first()
               : QString();
}

bool WaitForNoWindow(const QString &Title, int TimeoutMs) {
    return QTest::qWaitFor([&] { return FindWindows(Title).isEmpty(); }, TimeoutMs);
}

QRect Geometry(const QString &Window) {
    // xwininfo gives the client area's place on the screen; xdotool's own geometry counts the
    // frame's offset twice for a decorated window.
    QProcess P;
    P.start("xwininfo", {"-id", Window});
    P.waitForFinished(5000);
    QRect R;
    for (const QString &Line : QString::fromUtf8(P.readAllStandardOutput()).split('\n')) {
        const QString Key = Line.section(':', 0, 0).trimmed();
        const int Value = Line.section(':', 1).trimmed().toInt();
        if (Key == "Absolute upper-left X")
            R.moveLeft(Value);
        else if (Key == "Absolute upper-left Y")
            R.moveTop(Value);
        else if (Key == "Width")
            R.setWidth(Value);
        else if (Key == "Height")
            R.setHeight(Value);
    }
    return R;
}

QStringList WindowsOf(qint64 Pid) {
    const QString Out = XDoTool({"search", "--onlyvisible", "--name", ".*"});
    QStringList Mine;
    for (const QString &W : Out.split('\n', Qt::SkipEmptyParts)) {
        QProcess P;
        P.start("xprop", {"-id", W, "_NET_WM_PID"});
        P.waitForFinished(5000);
        if (QString::fromUtf8(P.readAll()).trimmed().endsWith(" = " + QString::number(Pid)))
            Mine << W;
    }
    return Mine;
}

QString WaitForTallWindowOf(qint64 Pid, int TimeoutMs) {
    QString Tall;
    const bool Found = QTest::qWaitFor(
        [&] {
            for (const QString &W : WindowsOf(Pid))
                if (Geometry(W).height() > 40) {
                    Tall = W;
                    return true;
                }
            return false;
        },
        TimeoutMs);
    return Found ? Tall : QString();
}

bool LoadKeymapOfThreeKeys() {
    QTemporaryDir Dir;
    QFile Tiny(Dir.filePath("tiny.xkb"));
    if (!Tiny.open(QIODevice::WriteOnly))
        return false;
    Tiny.write("xkb_keymap {\n"
               "  xkb_keycodes { minimum = 8; maximum = 255;\n"
               "    <AE02> = 11; <LCTL> = 37; <LALT> = 64; };\n"
               "  xkb_types { include \"complete\" };\n"
               "  xkb_compat { include \"complete\" };\n"
               "  xkb_symbols {\n"
               "    key <AE02> { [ 2, at ] };\n"
               "    key <LCTL> { [ Control_L ] };\n"
               "    key <LALT> { [ Alt_L, Meta_L ] };\n"
               "    modifier_map Control { <LCTL> };\n"
               "    modifier_map Mod1 { <LALT> };\n"
               "  };\n"
               "};\n");
    Tiny.close();
    return QProcess::execute("xkbcomp",
                             {"-w", "0", Tiny.fileName(), qEnvironmentVariable("DISPLAY")}) == 0;
}

bool GrabFree(uint32_t KeyCode, uint16_t Mask) {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    bool Free = false;
    if (!xcb_connection_has_error(C)) {
        const xcb_window_t Root = xcb_setup_roots_iterator(xcb_get_setup(C)).data->root;
        xcb_generic_error_t *Error =
            xcb_request_check(C, xcb_grab_key_checked(C, 1, Root, Mask, xcb_keycode_t(KeyCode),
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        Free = !Error;
        std::free(Error);
        if (Free)
            xcb_ungrab_key(C, xcb_keycode_t(KeyCode), Root, Mask);
        std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
    }
    xcb_disconnect(C);
    return Free;
}

bool KeyboardGrabbed() {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    bool Grabbed = false;
    if (!xcb_connection_has_error(C)) {
        const xcb_window_t Root = xcb_setup_roots_iterator(xcb_get_setup(C)).data->root;
        if (auto *R =
                xcb_grab_keyboard_reply(C,
                                        xcb_grab_keyboard(C, 0, Root, XCB_CURRENT_TIME,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                        nullptr)) {
            Grabbed = R->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
            if (R->status == XCB_GRAB_STATUS_SUCCESS)
                xcb_ungrab_keyboard(C, XCB_CURRENT_TIME);
            std::free(R);
        }
        std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
    }
    xcb_disconnect(C);
    return Grabbed;
}

bool WaitForActive(const QString &Window, int TimeoutMs) {
    return QTest::qWaitFor([&] { return XDoTool({"getactivewindow"}).trimmed() == Window; },
                           TimeoutMs);
}

namespace {

// Whether the tray host has taken the window in (it is no longer a child of the root window)
// and shows it. Before that the window is mapped at the top left and then moved into the tray:
// a click meant for the icon would land on the desktop behind it.
bool Docked(const QString &Window) {
    bool Ok = false;
    const xcb_window_t W = Window.toUInt(&Ok);
    if (!Ok)
        return false;
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    bool Docked = false;
    if (!xcb_connection_has_error(C)) {
        const xcb_window_t Root = xcb_setup_roots_iterator(xcb_get_setup(C)).data->root;
        xcb_query_tree_reply_t *Tree = xcb_query_tree_reply(C, xcb_query_tree(C, W), nullptr);
        xcb_get_window_attributes_reply_t *Attributes =
            xcb_get_window_attributes_reply(C, xcb_get_window_attributes(C, W), nullptr);
        Docked = Tree && Attributes && Tree->parent != Root &&
                 Attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(Tree);
        std::free(Attributes);
    }
    xcb_disconnect(C);
    return Docked;
}

// Whether the pointer is over the window itself or one of its children, not over another
// window stacked in front of it: the chain of windows under the pointer, from the root down,
// passes through it.
bool PointerOver(xcb_window_t Window) {
    xcb_connection_t *C = xcb_connect(nullptr, nullptr);
    bool Over = false;
    if (!xcb_connection_has_error(C)) {
        xcb_window_t At = xcb_setup_roots_iterator(xcb_get_setup(C)).data->root;
        // Windows nest a few levels deep (frame, tray host, icon); the cap ends a bad tree.
        for (int Depth = 0; At != XCB_WINDOW_NONE && Depth < 32 && !Over; ++Depth) {
            xcb_query_pointer_reply_t *R =
                xcb_query_pointer_reply(C, xcb_query_pointer(C, At), nullptr);
            At = R && R->same_screen ? R->child : xcb_window_t(XCB_WINDOW_NONE);
            Over = At == Window;
            std::free(R);
        }
    }
    xcb_disconnect(C);
    return Over;
}

} // namespace

bool ClickOn(const QString &Window, int Button, int Repeat, int TimeoutMs) {
    bool Ok = false;
    const xcb_window_t W = Window.toUInt(&Ok);
    if (!Ok)
        return false;
    // The icon's place is read again at each try: the host may have moved it since the last.
    const bool Over = QTest::qWaitFor(
        [&] {
            const QRect G = Geometry(Window);
            if (!G.isValid())
                return false;
            XDoTool({"mousemove", "--sync", QString::number(G.center().x()),
                     QString::number(G.center().y())});
            return PointerOver(W);
        },
        TimeoutMs);
    if (Over)
        XDoTool({"click", "--repeat", QString::number(Repeat), "--delay", "60",
                 QString::number(Button)});
    return Over;
}

QString WaitForTrayIcon(qint64 Pid, int TimeoutMs) {
    QString Icon;
    const bool Found = QTest::qWaitFor(
        [&] {
            for (const QString &W : WindowsOf(Pid)) {
                const QRect G = Geometry(W);
                if (G.height() <= 40 && G.width() <= 40 && Docked(W)) {
                    Icon = W;
                    return true;
                }
            }
            return false;
        },
        TimeoutMs);
    return Found ? Icon : QString();
}

} // namespace X11
