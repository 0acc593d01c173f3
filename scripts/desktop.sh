#!/usr/bin/env bash
# A virtual desktop for machines without a screen: Xvfb, a window manager and a tray host.
# Source it, then call desktop_start [WIDTHxHEIGHT]; it exports DISPLAY and records what it
# started in $QC_DESKTOP_STATE (by default a file of this shell in qc_private_dir).
# desktop_stop ends what desktop_start began, and what desktop_track added.
#
# The state is kept only where no other user can write: stop ends the processes the file names,
# so a file another user could plant or change would let them have anything ended, by root too.
# And each process is recorded with its start time, so a pid that has since ended and been
# given to another process is left alone.

# A folder only this user can reach: $XDG_RUNTIME_DIR when set, else /tmp/qingchuan-UID. A fixed
# name in /tmp may have been made (or linked) by another user first, so the folder is used only
# when it is a real folder owned by this user with mode 700; else it fails, saying why. In a
# sticky /tmp no one else can rename or remove a folder of ours once checked.
qc_private_dir() {
  local uid dir
  uid=$(id -u)
  dir=${XDG_RUNTIME_DIR:-/tmp/qingchuan-$uid}
  [ -n "${XDG_RUNTIME_DIR:-}" ] || mkdir -m 700 "$dir" 2>/dev/null || true
  if [ -L "$dir" ] || [ ! -d "$dir" ] || [ "$(stat -c %u:%a "$dir")" != "$uid:700" ]; then
    echo "desktop.sh: $dir is not a folder of user $uid with mode 700; not using it" >&2
    return 1
  fi
  echo "$dir"
}

# The start time of process PID (field 22 of /proc/PID/stat, in clock ticks since boot), which
# tells it apart from a later process given the same pid. The fields are counted after the
# command name, which is in parentheses and may itself hold spaces or parentheses.
qc_start_time() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  # shellcheck disable=SC2086 # split into the fields, the state (field 3) first
  set -- $stat
  [ -n "${20:-}" ] && echo "${20}"
}

_desktop_state_file() {
  if [ -z "${QC_DESKTOP_STATE:-}" ]; then
    local dir
    dir=$(qc_private_dir) || return 1
    QC_DESKTOP_STATE=$dir/desktop.$$
  fi
}

# Records processes for desktop_stop to end, each with its start time.
desktop_track() {
  _desktop_state_file || return 1
  local pid start
  for pid in "$@"; do
    start=$(qc_start_time "$pid") || continue
    echo "$pid $start" >>"$QC_DESKTOP_STATE"
  done
}

desktop_start() {
  local size=${1:-1280x800}
  _desktop_state_file || return 1
  XDG_RUNTIME_DIR=$(qc_private_dir) || return 1
  export XDG_RUNTIME_DIR
  export QTWEBENGINE_DISABLE_SANDBOX=1
  local fdfile
  fdfile=$(mktemp)
  # -displayfd picks a free display number and tells it once the server accepts clients.
  setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  local xvfb=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    echo "Xvfb did not start" >&2
    kill "$xvfb" 2>/dev/null
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  # Openbox's own settings without its menus on the bare desktop: a click that misses its window
  # would open one, and an open menu holds the keyboard for whatever runs next.
  local rc=/etc/xdg/openbox/rc.xml
  local wmargs=()
  if [ -f "$rc" ]; then
    sed '/<context name="Root">/,/<\/context>/d' "$rc" >"$QC_DESKTOP_STATE.rc.xml"
    wmargs=(--config-file "$QC_DESKTOP_STATE.rc.xml")
  fi
  setsid openbox "${wmargs[@]}" >/dev/null 2>&1 &
  local wm=$!
  # Wait for the window manager to own its selection before the tray host asks for a dock.
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  setsid trayer --edge bottom --align right --widthtype request --height 32 \
    --SetDockType true --SetPartialStrut true >/dev/null 2>&1 &
  local tray=$!
  for _ in $(seq 50); do
    xprop -root 2>/dev/null | grep -q . && xdotool search --class trayer >/dev/null 2>&1 && break
    sleep 0.1
  done
  : >"$QC_DESKTOP_STATE"
  desktop_track "$xvfb" "$wm" "$tray"
}

desktop_stop() {
  [ -n "${QC_DESKTOP_STATE:-}" ] && [ -f "$QC_DESKTOP_STATE" ] || return 0
  if [ -L "$QC_DESKTOP_STATE" ] || [ ! -O "$QC_DESKTOP_STATE" ]; then
    echo "desktop.sh: $QC_DESKTOP_STATE is not this user's own file; nothing ended" >&2
    return 1
  fi
  local pid start
  while read -r pid start; do
    if ! [[ "$pid" =~ ^[0-9]+$ ]] || [ -z "${start:-}" ]; then continue; fi
    # Only the very process recorded, and only one of this user's.
    if [ "$(qc_start_time "$pid")" = "$start" ] && [ -O "/proc/$pid" ]; then
      kill "$pid" 2>/dev/null || true
    fi
  done <"$QC_DESKTOP_STATE"
  rm -f "$QC_DESKTOP_STATE" "$QC_DESKTOP_STATE.rc.xml"
}
