#!/usr/bin/env bash
# Runs one benchmark of build/bin on a fresh virtual desktop (Xvfb, openbox, trayer):
#   bash bench/run.sh bench_startup [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${QC_BUILD_DIR:-$root/build}/bin
unset DISPLAY
. "$root/scripts/desktop.sh"
trap desktop_stop EXIT
desktop_start "${QC_BENCH_SCREEN:-1280x800}"
"$bin/$1" "${@:2}"
