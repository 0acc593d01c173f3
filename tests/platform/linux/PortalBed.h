#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// A private desktop-portal stack for one test: its own session bus and, for the real KDE
// backend, its own X server. Only the processes started here are ever stopped.
class TPortalBed {
public:
    enum class TKind {
        NoPortal,        // the bus alone
        FakeBackend,     // xdg-desktop-portal in front of fake_portal.py
        FakeNoShortcuts, // the same, but the backend offers no GlobalShortcuts
        Kde,             // xdg-desktop-portal, xdg-desktop-portal-kde and kglobalaccel5 on Xvfb
        BareDisplay,     // the bus and an Xvfb of its own, with no tray host and no portal
        StatusNotifier,  // the same, with status-notifier-watcher and a minimal tray host
    };
    ~TPortalBed();
    // Empty when the stack is up; else why not, naming a program that is not installed (the
    // test fails: the project's setup installs them all). Display: an X server to use for the
    // KDE backend instead of an Xvfb of the bed's own.
    QString Start(TKind Kind, const QString &Display = {});
    void Stop();

    QString BusAddress() const { return FAddress; }
    QString Display() const { return FDisplay; }
    // A connection of the test's own to the bus.
    QDBusConnection Bus() const;
    // Calls test.fakeportal.Control.Method on the fake backend; the reply's first value.
    QVariant Control(const QString &Method, const QVariantList &Arguments = {}) const;
    // Ends the fake backend and starts a new one, as a desktop's backend that crashed and was
    // started again: its bus name goes and comes back, and it knows no session of before.
    QString RestartFakeBackend();
    // Runs a program to its end with the bed's bus and display; its exit code.
    int Run(const QString &Program, const QStringList &Arguments) const;

private:
    QProcess *Launch(const QString &Program, const QStringList &Arguments,
                     const QProcessEnvironment &Env, bool ReadOutput = false);
    bool WaitForNames(const QStringList &Names);
    QString Fail(const QString &Why, bool Missing = false);
    bool StartDisplay();

    QTemporaryDir FDir;
    std::vector<std::unique_ptr<QProcess>> FProcesses; // in the order started
    QString FAddress;
    QString FDisplay;
    QString FConnectionName;
    QProcessEnvironment FEnv;
    QProcess *FFakeBackend = nullptr;
    QString FPython;
};

// Ends the processes, the last started first (clients before the desktop or bus they use), each
// asked to end and then made to when it does not within 5 s; empties the list.
void EndInReverse(std::vector<std::unique_ptr<QProcess>> &Processes);
