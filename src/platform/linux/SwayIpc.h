#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// sway's IPC, which other wlroots desktops speak too: one message and its answer over a
// connection of its own. A message is "i3-ipc", the payload's length and the message type (both
// 32-bit, in the machine's byte order), then the payload; the answer has the same form.
namespace platform::linux_::SwayIpc {

constexpr uint32_t RunCommand = 0;
constexpr uint32_t GetWorkspaces = 1;
constexpr uint32_t GetTree = 4;

// The answer's payload; nothing when the socket cannot be reached, does not answer within
// TimeoutMs at each step, or answers with another type or an implausible length.
std::optional<QByteArray> Ask(const QString &Socket, uint32_t Type, const QByteArray &Payload,
                              int TimeoutMs = 3000);

} // namespace platform::linux_::SwayIpc
