#!/usr/bin/env bash
# Configures and builds into build/ (or $QC_BUILD_DIR). cfg.ini and DB.mdb are put beside the
# program only where none exist yet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
# CI builds treat a warning as an error, so none slips in unseen.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_WERROR=$werror >/dev/null
cmake --build "$build" -j"$(nproc)"
