#!/usr/bin/env bash
# Configures and builds into build/ (or $QC_BUILD_DIR). cfg.ini and DB.mdb are put beside the
# program only where none exist yet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
# CI builds treat a warning as an error, so none slips in unseen.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
# A compiler cache outside the clone: a fresh clone, or the sanitized build beside the plain one,
# recompiles only what changed since any earlier build on this machine. Paths are taken relative
# to the clone, so clones in other folders share the cache.
launcher=
if command -v ccache >/dev/null; then
  export CCACHE_DIR=${CCACHE_DIR:-/var/cache/qingchuan-ccache}
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-5G}
  mkdir -p "$CCACHE_DIR"
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi
# QC_CMAKE_ARGS: more options, as for the sanitized build of scripts/test.sh.
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_WERROR=$werror $launcher ${QC_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
