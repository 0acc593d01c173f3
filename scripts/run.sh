#!/usr/bin/env bash
# Installs what is missing, builds, and starts 晴川助手. Without a display it starts a virtual
# desktop, runs the program there and writes a screenshot of that desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
bin=${QC_BUILD_DIR:-$root/build}/bin
"$bin/qc_seed" "$bin"
# The log and the virtual desktop's state go to a folder of this user's own (see desktop.sh).
# shellcheck source=desktop.sh
. "$root/scripts/desktop.sh"
state=$(qc_private_dir)

if [ -z "${DISPLAY:-}" ]; then
  export QC_DESKTOP_STATE=$state/desktop.state
  desktop_stop
  desktop_start 1280x800
  echo "Virtual desktop on $DISPLAY (stop it with: bash scripts/stop.sh)"
fi

export QINGCHUAN_REPORT_READY=1
log=$state/qingchuan.log
setsid "$bin/qingchuan" >"$log" 2>&1 </dev/null &
pid=$!
for _ in $(seq 100); do
  grep -q '^ready' "$log" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || { echo "qingchuan ended early:"; cat "$log"; exit 1; }
  sleep 0.1
done
echo "qingchuan is running (pid $pid) in the notification area of $DISPLAY; its output: $log"
if [ -n "${QC_DESKTOP_STATE:-}" ]; then
  desktop_track "$pid"
  sleep 2
  shot=${QC_SCREENSHOT:-$root/qingchuan-desktop.png}
  import -window root "$shot"
  echo "Screenshot of the virtual desktop: $shot"
fi
