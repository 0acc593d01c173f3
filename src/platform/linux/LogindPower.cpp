#include "LogindPower.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <fstream>

namespace platform::linux_ {

bool TLogindPower::PowerOff() {
    QDBusConnection Bus = QDBusConnection::systemBus();
    if (!Bus.isConnected())
        return false;
    QDBusInterface Manager("org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", Bus);
    if (!Manager.isValid())
        return false;
    const QDBusMessage Reply = Manager.call("PowerOff", true);
    return Reply.type() == QDBusMessage::ReplyMessage;
}

bool TRecordingPower::PowerOff() {
    std::ofstream Out(FLogFile, std::ios::app);
    Out << "PowerOff\n";
    return static_cast<bool>(Out);
}

} // namespace platform::linux_
