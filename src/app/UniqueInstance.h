#pragma once

#include <QString>
#include <functional>

#include "platform/InstanceGuard.h"

// One running copy per executable file name (and user).
namespace UniqueInstance {

// The name an instance is known by: the file name of the executable, extension included,
// exactly as the path spells it.
QString InstanceName(const QString &ExeFilePath);

// Claims the instance. Returns true when this process is the first and goes on; otherwise the
// first one has been told, and the process must end at once with ExitCode.
bool Check(platform::IInstanceGuard &Guard, const QString &ExeFilePath, int &ExitCode);

// In the first instance: OnMessage runs for every later start.
void Listen(platform::IInstanceGuard &Guard, std::function<void()> OnMessage);

} // namespace UniqueInstance
