#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The whole program, started from a temporary folder that holds a copy of the executable and
// its own cfg.ini and DB.mdb, as a person would start it. Ended when the object goes.
class TAppProcess {
public:
    // ExeName: the file name of the copy (another name is another instance). The default keeps
    // clear of a qingchuan the developer may be running.
    explicit TAppProcess(const QString &ExeName = "qingchuan-test", bool Seed = true);
    ~TAppProcess();
    QString Dir() const { return FDir.path() + "/"; }
    QString ExePath() const { return Dir() + FExeName; }
    // Starts the program and waits until its icon is up and its event loop runs.
    bool Start(int TimeoutMs = 20000);
    // Starts one more copy of the same file and waits for it to end; returns its exit code
    // (-1 when it did not end within TimeoutMs).
    int StartAgain(int TimeoutMs = 5000) const;
    QProcess &Process() { return FProcess; }
    bool IsRunning() const { return FProcess.state() == QProcess::Running; }
    // Waits for the program to end; its exit code, or -1.
    int WaitForExit(int TimeoutMs = 10000);
    QString Output() const { return FOutput; }

private:
    QTemporaryDir FDir;
    QString FExeName;
    QProcess FProcess;
    QString FOutput;
};

// X11 helpers for whole-program tests, through xdotool and xprop.
namespace X11 {
// Visible windows whose title is exactly Title (or contains it with Contains).
QStringList FindWindows(const QString &Title, bool OnlyVisible = true);
// Waits until a visible window with that title exists; its id, or empty.
QString WaitForWindow(const QString &Title, int TimeoutMs = 10000);
// Waits until no visible window with that title exists.
bool WaitForNoWindow(const QString &Title, int TimeoutMs = 10000);
// Runs xdotool with the arguments; its standard output.
QString XDoTool(const QStringList &Args);
// The geometry of a window as x, y, width, height (outer frame not included).
QRect Geometry(const QString &Window);
} // namespace X11
