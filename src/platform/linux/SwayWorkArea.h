#pragma once

#include <QByteArray>
#include <QRect>
#include <optional>

namespace platform::linux_ {

// From sway's answer to GET_WORKSPACES: the usable rectangle ("rect", the output less its bars)
// of the visible workspace on Screen, the focused one first, cut to Screen. Nothing when no
// visible workspace lies on Screen or the answer is not one.
std::optional<QRect> SwayWorkArea(const QByteArray &Workspaces, const QRect &Screen);

} // namespace platform::linux_
