#pragma once

#include <cstdint>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The whole program, started from a temporary folder that holds a copy of the executable and
// its own cfg.ini and DB.mdb, as a person would start it. Ended when the object goes.
class TAppProcess {
public:
    // ExeName: the file name of the copy (another name is another instance). The default,
    // "qingchuan-test-" and the test's process id, keeps clear of a qingchuan the developer may
    // be running and of the copies of any other test running beside this one.
    explicit TAppProcess(const QString &ExeName = {}, bool Seed = true);
    ~TAppProcess();
    QString Dir() const { return FDir.path() + "/"; }
    QString ExePath() const { return Dir() + FExeName; }
    // Starts the program with Args and waits until its icon is up and its event loop runs.
    bool Start(int TimeoutMs = 20000, const QStringList &Args = {});
    // Starts one more copy of the same file with Args and waits for it to end; returns its exit
    // code (-1 when it did not end within TimeoutMs).
    int StartAgain(int TimeoutMs = 5000, const QStringList &Args = {}) const;
    QProcess &Process() { return FProcess; }
    bool IsRunning() const { return FProcess.state() == QProcess::Running; }
    // Waits for the program to end; its exit code, or -1.
    int WaitForExit(int TimeoutMs = 10000);
    QString Output() const { return FOutput; }
    // The next Start runs the program as on a Wayland session (its windows still go to the
    // test's X server), with the one-time notice that the desktop offers no system-wide hotkeys
    // taken as read, so that no box stands in front of what the test watches.
    void AsOnWayland();
    // An environment variable the next Start sets for the program (a preloaded library, say).
    void SetEnv(const QString &Name, const QString &Value) { FExtraEnv.insert(Name, Value); }

private:
    bool FWayland = false;
    QProcessEnvironment FExtraEnv;
    QTemporaryDir FDir;
    QString FExeName;
    QProcess FProcess;
    QString FOutput;
};

// The command lines of the process's children (the program's helper processes).
QStringList ChildCommandLines(qint64 Parent);

// X11 helpers for whole-program tests, through xdotool and xwininfo.
namespace X11 {
// Visible windows whose title is exactly Title (or contains it with Contains).
QStringList FindWindows(const QString &Title, bool OnlyVisible = true);
// Waits until a visible window with that title exists; its id, or empty.
QString WaitForWindow(const QString &Title, int TimeoutMs = 10000);
// Waits until no visible window with that title exists.
bool WaitForNoWindow(const QString &Title, int TimeoutMs = 10000);
// Runs xdotool with the arguments; its standard output.
QString XDoTool(const QStringList &Args);
// Where a window's client area lies on the screen (the outer frame not included).
QRect Geometry(const QString &Window);
// The visible windows of a process (by the _NET_WM_PID they carry), tray icon included.
QStringList WindowsOf(qint64 Pid);
// Waits for a window of the process taller than a tray icon (a menu, a box); its id, or empty.
QString WaitForTallWindowOf(qint64 Pid, int TimeoutMs = 10000);
// Loads a keymap of three keys, as some tools do: 2, Ctrl and Alt, and no letters. True when
// xkbcomp took it; `setxkbmap us` brings the full keymap back.
bool LoadKeymapOfThreeKeys();
// Whether another client could grab the key code with the modifiers now: a grab is tried and
// let go of again.
bool GrabFree(uint32_t KeyCode, uint16_t Mask);
// Whether some client holds the whole keyboard now, as an open menu does: keys sent before that
// would go to whatever had the focus.
bool KeyboardGrabbed();
// Waits for the process's icon docked in the tray host (a window of the process no bigger than an
// icon, taken in by the host and shown there); its id, or empty.
QString WaitForTrayIcon(qint64 Pid, int TimeoutMs = 10000);
// Waits until the window manager reports the window as the active one.
bool WaitForActive(const QString &Window, int TimeoutMs = 10000);
// Clicks the button Repeat times in the middle of the window, once the pointer is seen over it
// (a tray host may still move its icons after taking one in; a click beside the icon would go
// to the desktop). False, and no click, when the pointer never got there.
bool ClickOn(const QString &Window, int Button, int Repeat = 1, int TimeoutMs = 10000);
} // namespace X11
