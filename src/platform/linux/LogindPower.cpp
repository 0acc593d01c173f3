#include "LogindPower.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <fstream>

namespace platform::linux_ {

TLogindPower::TLogindPower(QString BusAddress) : FBusAddress(std::move(BusAddress)) {}

bool TLogindPower::PowerOff() {
    QDBusConnection Bus =
        FBusAddress.isEmpty()
            ? QDBusConnection::systemBus()
            : QDBusConnection::connectToBus(FBusAddress, "qc.power." + FBusAddress);
    if (!Bus.isConnected())
        return false;
    // A plain method call: an interface object would read the service's description first, a
    // round trip that blocks.
    QDBusMessage Call =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "PowerOff");
    Call << true; // interactive
    Call.setInteractiveAuthorizationAllowed(true);
    // The answer is not waited for: a refusal is not reported, and a power-off that goes ahead
    // ends the program anyway.
    const QDBusPendingCall Pending = Bus.asyncCall(Call);
    return !(Pending.isFinished() && Pending.isError());
}

bool TRecordingPower::PowerOff() {
    std::ofstream Out(FLogFile, std::ios::app);
    Out << "PowerOff\n";
    return static_cast<bool>(Out);
}

} // namespace platform::linux_
