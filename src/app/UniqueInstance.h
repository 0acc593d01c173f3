#pragma once

#include <QString>
#include <functional>

#include "CommandLine.h"
#include "platform/InstanceGuard.h"

// One running copy per executable file name (and user).
namespace UniqueInstance {

// The name an instance is known by: the file name of the executable, extension included,
// exactly as the path spells it.
QString InstanceName(const QString &ExeFilePath);

// Claims the instance. Returns true when this process is the first and goes on; otherwise the
// first one has been handed Action (None: a plain start), and the process must end at once with
// ExitCode.
bool Check(platform::IInstanceGuard &Guard, const QString &ExeFilePath, int &ExitCode,
           CommandLine::TAction Action = CommandLine::TAction::None);

// In the first instance: OnMessage runs for every later start, with the action it was given.
void Listen(platform::IInstanceGuard &Guard,
            std::function<void(CommandLine::TAction Action)> OnMessage);

} // namespace UniqueInstance
