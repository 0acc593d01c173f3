#!/usr/bin/env bash
# A virtual desktop for machines without a screen: Xvfb, a window manager and a tray host.
# Source it, then call desktop_start [WIDTHxHEIGHT]; it exports DISPLAY and writes the pids to
# $QC_DESKTOP_STATE. desktop_stop ends what desktop_start began.

QC_DESKTOP_STATE=${QC_DESKTOP_STATE:-/tmp/qingchuan-desktop.$$}

desktop_start() {
  local size=${1:-1280x800}
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/qingchuan-runtime-$(id -u)}
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
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
  echo "$xvfb $wm $tray" >"$QC_DESKTOP_STATE"
}

desktop_stop() {
  [ -f "$QC_DESKTOP_STATE" ] || return 0
  local pid
  for pid in $(cat "$QC_DESKTOP_STATE"); do
    kill "$pid" 2>/dev/null || true
  done
  rm -f "$QC_DESKTOP_STATE" "$QC_DESKTOP_STATE.rc.xml"
}
