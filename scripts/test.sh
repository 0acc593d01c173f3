#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless: a virtual desktop
# (Xvfb, openbox, trayer) is started for the tests that need X11 and stopped afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
# The cheap gates first: formatting and the folder rules.
bash "$root/scripts/check-format.sh"
bash "$root/scripts/check-layering.sh"
bash "$root/scripts/build.sh"
build=${QC_BUILD_DIR:-$root/build}
# Every parser of outside input is fuzzed for a short while (QC_FUZZ_SECONDS each, 0 to skip).
if [ "${QC_FUZZ_SECONDS:-20}" -gt 0 ]; then
  bash "$root/scripts/fuzz.sh" "${QC_FUZZ_SECONDS:-20}"
fi

unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
. "$root/scripts/desktop.sh"
trap desktop_stop EXIT
desktop_start 1280x800
echo "Test desktop on $DISPLAY"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
