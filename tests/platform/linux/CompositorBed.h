#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

class TPortalBed;

// A headless Wayland desktop of one test's own: sway (run as the unprivileged user nobody, since
// sway refuses root) or KWin (--virtual, on a bus the test names), and Qt windows on it. Only the
// processes started here are ever stopped.
class TCompositorBed {
public:
    ~TCompositorBed();
    // Empty when the desktop is up; else why not, naming a program that is not installed.
    // XWayland: with an X server for X11 clients (its display in X11Display()).
    QString StartSway(bool XWayland = false);
    QString StartKWin(const QString &BusAddress, bool XWayland = false);
    // KWin on a bus of its own, started first in Bus (one with no portal on it).
    QString StartKWin(TPortalBed &Bus, bool XWayland = false);
    void Stop();

    QString SwaySocket() const { return FSwaySocket; }
    QString X11Display() const { return FX11Display; }
    // Starts Program (the test itself, say) as a Wayland client of the desktop, or as an X11
    // client through XWayland; null on failure.
    QProcess *Launch(const QString &Program, const QStringList &Arguments, bool X11 = false);

    // Run as a child of the test (argv: the program, a switch, the name): a Qt window standing in
    // for a browser, its Wayland app_id and X11 class both the name, until it is ended.
    static int RunStandIn(int argc, char **argv);

    // sway: runs the commands; sway's exit code.
    int Run(const QStringList &Commands) const;
    // sway: each view by app_id (an X11 one by class), with "tiled", "floating" or "hidden" (in the
    // scratchpad).
    std::map<QString, QString> SwayViews() const;
    // KWin: each window by window class, with "minimized" or "shown"; empty when KWin did not
    // answer.
    std::map<QString, QString> KWinWindows();
    // KWin: runs Body as a script, with l the list of windows; what it leaves in answer.
    QString KWinScript(const QString &Body);

private:
    QString Fail(const QString &Why, bool Missing = false);
    QProcess *Start(const QString &Program, const QStringList &Arguments,
                    const QProcessEnvironment &Env, const QString &Log);
    QString WaitForDisplay();

    QTemporaryDir FDir;
    std::vector<std::unique_ptr<QProcess>> FProcesses; // in the order started
    QString FRuntimeDir;
    QString FWaylandDisplay;
    QString FSwaySocket;
    QString FX11Display;
    bool FX11AsNobody = false; // the X server takes clients of its own user only
    QString FBusAddress;
    int FQueries = 0;
};
