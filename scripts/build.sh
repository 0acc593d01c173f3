#!/usr/bin/env bash
# Configures and builds into build/ (or $QC_BUILD_DIR). cfg.ini and DB.mdb are put beside the
# program only where none exist yet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
