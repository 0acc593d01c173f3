#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only when one is missing.
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config clang-format clang libclang-rt-14-dev ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6opengl6-dev qt6-webengine-dev
  qt6-webengine-dev-tools qt6-declarative-dev libgl-dev
  # GNOME keeps its keyboard shortcuts in GSettings (GIO); its schema, for the tests of that.
  libglib2.0-dev libglib2.0-bin gnome-settings-daemon-common
  libxcb1-dev libxcb-keysyms1-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb-xkb-dev libxcb-xtest0-dev
  x11-xkb-utils xkb-data
  xvfb xauth xdotool trayer openbox dbus-x11 fonts-noto-cjk xclip x11-utils imagemagick
  sqlite3
  # The whole-program test of a clock set back: the program runs under a faked time of day.
  faketime libfaketime
  # The folder lock's encryption (Lock.exe only).
  libsodium-dev
  xdg-utils
  # The install test: checking the menu entry and metadata, building the Debian package and
  # checking it (lintian), and reading its manual page.
  desktop-file-utils appstream dpkg-dev file binutils util-linux lintian man-db
  # Hotkeys on Wayland sessions: the desktop portal with KDE's backend, and a fake backend in Python.
  xdg-desktop-portal xdg-desktop-portal-kde libkf5globalaccel-bin python3-dbus python3-gi
  # Capture on Wayland sessions: headless sway with the portal's wlr backend, compared with grim.
  sway swaybg xwayland xdg-desktop-portal-wlr pipewire grim qt6-wayland wtype wl-clipboard
  # Hiding browsers on Wayland desktops: a virtual KWin besides the headless sway.
  kwin-wayland
  # The icon on a StatusNotifierItem host: a watcher (the test brings a minimal host).
  haskell-status-notifier-item-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
