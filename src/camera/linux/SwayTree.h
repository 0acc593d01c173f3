#pragma once

#include <QByteArray>
#include <QRect>
#include <vector>

namespace camera {

// The windows sway shows, from its layout tree (the answer to GET_TREE, as `swaymsg -t
// get_tree` prints it), in layout pixels with their title bars, the topmost first: full-screen
// windows, then the floating ones (the later of them drawn above), then the tiled ones, which never
// overlap. Windows on hidden workspaces and in the scratchpad are left out. Nothing for a tree that
// cannot be read.
std::vector<QRect> SwayTreeWindows(const QByteArray &Json);

} // namespace camera
