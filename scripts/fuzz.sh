#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, address and undefined-behaviour
# sanitizers) into build-fuzz/ (or $QC_FUZZ_BUILD_DIR) and runs each for a while over its seed
# corpus: bash scripts/fuzz.sh [SECONDS_EACH] [TARGET ...]. New inputs go to a temporary folder,
# never into the tree; a crashing input is kept as build-fuzz/crash-* and the script fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}
shift || true
launcher=
if command -v ccache >/dev/null; then
  # The same cache as scripts/build.sh.
  export CCACHE_DIR=${CCACHE_DIR:-/var/cache/qingchuan-ccache} CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
  mkdir -p "$CCACHE_DIR"
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
cmake --build "$build" -j"$(nproc)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
status=0
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  echo "fuzz_$t: ${seconds} s"
  # A fixed seed: a run explores the same inputs in the same order on every machine, so what CI
  # finds, the same command finds here.
  if ! (cd "$build" && "./fuzz_$t" -seed="${QC_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 "$work" "$root/fuzz/corpus/$t" >"$build/fuzz_$t.log" 2>&1); then
    echo "fuzz_$t FAILED; its log:"
    tail -n 60 "$build/fuzz_$t.log"
    status=1
  else
    grep -E '^Done [0-9]+ runs' "$build/fuzz_$t.log" | tail -n 1 || true
  fi
  rm -rf "$work"
done
exit $status
