#!/usr/bin/env bash
# Configures and builds into build/ (or $QC_BUILD_DIR). cfg.ini and DB.mdb are put beside the
# program only where none exist yet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
# CI builds treat a warning as an error, so none slips in unseen.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
# QC_CMAKE_ARGS: more options, as for the sanitized build of scripts/test.sh.
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_WERROR=$werror ${QC_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
