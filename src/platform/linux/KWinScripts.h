#pragma once

#include <QDBusConnection>
#include <QString>
#include <memory>
#include <optional>

namespace platform::linux_ {

class TKWinScriptReceiver;

// Small scripts run inside KDE Plasma's KWin over D-Bus, for what KWin tells or does only from
// the inside on Wayland (its windows, their places, minimising them). Each script is loaded,
// run, answers on the bus and is unloaded again. The answer comes as a call to an object of this
// connection that any client of the bus could make: the object's path and each run's token are
// random (128 bits each), and only a call from the connection owning KWin's name is taken.
class TKWinScripts {
public:
    // BusAddress: the session bus to use; empty means the session bus of the environment.
    explicit TKWinScripts(const QString &BusAddress = {});
    ~TKWinScripts();
    TKWinScripts(const TKWinScripts &) = delete;
    TKWinScripts &operator=(const TKWinScripts &) = delete;

    // Whether KWin is on the bus.
    bool Present() const;
    // Runs Body, JavaScript that leaves its answer as text in the variable answer; the answer,
    // or nothing when KWin could not run it or did not answer within a few seconds (a script
    // that throws does not answer). A call made while another one waits gets nothing.
    std::optional<QString> Run(const QString &Body);

private:
    QDBusConnection FBus;
    QString FConnectionName; // non-empty when the connection is ours to close
    std::unique_ptr<TKWinScriptReceiver> FReceiver;
    QString FObjectPath;
    bool FBusy = false;
};

// Text as a JavaScript string literal, for values put into a script.
QString JsString(const QString &Text);

} // namespace platform::linux_
