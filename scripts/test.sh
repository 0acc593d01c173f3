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
# The same suite built with the address and undefined-behaviour sanitizers, into its own folder
# (QC_SANITIZE_SUITE=0 skips it).
asan_build=${QC_ASAN_BUILD_DIR:-$root/build-asan}
if [ "${QC_SANITIZE_SUITE:-1}" != 0 ]; then
  # Warnings are errors in the plain build only: GCC's bounds warnings misfire on the sanitizers'
  # instrumented code.
  QC_BUILD_DIR="$asan_build" QC_CMAKE_ARGS="${QC_CMAKE_ARGS:-} -DQC_SANITIZE=ON -DQC_BUILD_BENCH=OFF -DQC_WERROR=OFF" \
    bash "$root/scripts/build.sh"
fi
# Every parser of outside input is fuzzed for a short while (QC_FUZZ_SECONDS each, 0 to skip).
if [ "${QC_FUZZ_SECONDS:-20}" -gt 0 ]; then
  bash "$root/scripts/fuzz.sh" "${QC_FUZZ_SECONDS:-20}"
fi

# The suite runs as on an X11 session; the Wayland tests start their own bus and portals.
unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS
. "$root/scripts/desktop.sh"
trap desktop_stop EXIT
desktop_start 1280x800
echo "Test desktop on $DISPLAY"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
# Installed like a desktop program: the install tree, the Debian package, and (as root) the
# package installed, run by an unprivileged user, and removed again.
bash "$root/scripts/test-install.sh"
if [ "${QC_SANITIZE_SUITE:-1}" != 0 ]; then
  echo "The suite again, sanitized ($asan_build)"
  cd "$asan_build"
  # Every test runs once here too: a test that passes only on a second run hides a fault. The web
  # engine's allocator pairs new and delete in ways the checker cannot follow. Windows and Qt
  # Quick (under the web view) draw without GL here: the GL driver is unloaded before the leak
  # check, so what it keeps could be neither named nor passed over.
  QT_XCB_GL_INTEGRATION=none QT_QUICK_BACKEND=software \
    ASAN_OPTIONS=new_delete_type_mismatch=0:detect_leaks=1 \
    LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
fi
