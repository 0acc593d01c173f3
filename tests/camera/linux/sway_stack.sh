#!/bin/bash
# A headless sway session with the desktop portal's Screenshot, for one test: run as root, it
# starts everything as the unprivileged user USER (sway refuses root) on a bus of its own that
# root may join, writes the session's variables to DIR/session.env once all is up, and stops
# exactly what it started when it receives SIGTERM.
# Usage: sway_stack.sh DIR USER WIDTHxHEIGHT [BACKGROUND.png]
set -u
DIR=$1 U=$2 SIZE=$3 BG=${4:-}
HERE=$(cd "$(dirname "$0")" && pwd)
id "$U" >/dev/null 2>&1 || useradd -M -s /usr/sbin/nologin "$U" || exit 3
install -d -m 755 -o "$U" "$DIR" "$DIR/portals"
install -d -m 700 -o "$U" "$DIR/run" "$DIR/cfg" "$DIR/cache"
cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$HERE/access.portal" "$DIR/portals/"
cp "$HERE/access_portal.py" "$DIR/"
{
  echo "output * resolution $SIZE"
  if [ -n "$BG" ]; then cp "$BG" "$DIR/bg.png"; echo "output * bg $DIR/bg.png center #000000"
  else echo "output * bg #3366aa solid_color"; fi
  # No title bars: their colour follows the focus, which a capture window may take.
  echo "default_border none"; echo "default_floating_border none"
  echo "xwayland enable"
  echo "exec env > $DIR/exec-env.txt"
} > "$DIR/sway.conf"
# Root (the test) joins the user's bus: any user may connect.
cat > "$DIR/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
chown -R "$U" "$DIR"
cat > "$DIR/inner.sh" <<'INNER'
cd "$DIR"
export XDG_RUNTIME_DIR=$DIR/run XDG_CONFIG_HOME=$DIR/cfg XDG_CACHE_HOME=$DIR/cache
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland DBUS_SESSION_BUS_ADDRESS=unix:path=$DIR/bus
PIDS=""
trap 'kill $PIDS 2>/dev/null; exit 0' TERM INT
has() { gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
  -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
dbus-daemon --config-file="$DIR/bus.conf" --nofork > bus.log 2>&1 & PIDS="$!"
for i in $(seq 200); do [ -S "$DIR/bus" ] && break; sleep 0.02; done
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$DIR/sway.conf" > sway.log 2>&1 & PIDS="$! $PIDS"
for i in $(seq 500); do [ -s exec-env.txt ] && break; sleep 0.02; done
export $(grep -E '^(WAYLAND_DISPLAY|DISPLAY|SWAYSOCK)=' exec-env.txt | xargs)
pipewire > pipewire.log 2>&1 & PIDS="$! $PIDS"
for i in $(seq 500); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.02; done
/usr/libexec/xdg-desktop-portal-wlr > xdpw.log 2>&1 & PIDS="$! $PIDS"
/usr/bin/python3 "$DIR/access_portal.py" > access.log 2>&1 & PIDS="$! $PIDS"
for i in $(seq 500); do has org.freedesktop.impl.portal.desktop.wlr &&
  has org.freedesktop.impl.portal.desktop.qcaccess && break; sleep 0.02; done
XDG_DESKTOP_PORTAL_DIR="$DIR/portals" /usr/libexec/xdg-desktop-portal > xdp.log 2>&1 & PIDS="$! $PIDS"
for i in $(seq 500); do has org.freedesktop.portal.Desktop && break; sleep 0.02; done
# The background is drawn by swaybg: wait until the first frame shows it.
if [ -s "$DIR/bg.png" ]; then
  for i in $(seq 500); do pgrep -u "$(id -u)" -x swaybg >/dev/null && break; sleep 0.02; done
fi
env | grep -E '^(WAYLAND_DISPLAY|DISPLAY|SWAYSOCK|XDG_RUNTIME_DIR|DBUS_SESSION_BUS_ADDRESS)=' > session.tmp
mv session.tmp session.env
while :; do sleep 1 & wait $!; done
INNER
runuser -u "$U" -- env DIR="$DIR" bash "$DIR/inner.sh" &
INNER_PID=$!
trap 'kill $INNER_PID 2>/dev/null; wait $INNER_PID; exit 0' TERM INT
wait $INNER_PID
