#pragma once

#include <QRect>
#include <optional>

namespace platform {

// The part of Screen (in the X server's coordinates) that the desktop's panels leave free, where
// the desktop says so other than through the X server: sway keeps its bars' edges (waybar,
// swaybar) from Wayland windows only and tells XWayland nothing, so an X11 window resting on
// the screen's edge sits under the bar. Nothing where the desktop does not say (the X server's
// work area then holds), or when it does not answer at once.
std::optional<QRect> DesktopWorkArea(const QRect &Screen);

} // namespace platform
