#!/usr/bin/env bash
# Fails when a source file breaks the folder rules that keep the program portable:
# - X11, xkbcommon, D-Bus and /proc are used only in a linux/ folder (features call src/platform/);
# - nothing outside src/app/ includes a header of src/app/;
# - src/platform/ never uses Qt Widgets;
# - src/config/ and src/dialogs/ use no feature folder;
# - a library hands on only its own headers (qc_export_headers), never all of src/;
# - the settings library and the platform layer link no Qt Widgets.
# Prints each offending line and exits 1; silent and 0 when the tree keeps the rules.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2

fail=0
report() { # rule, grep output
  [ -n "$2" ] || return 0
  echo "$1:"
  printf '%s\n' "$2" | sed 's/^/  /'
  fail=1
}

sources() { git ls-files -- "$@" | grep -E '\.(cpp|h)$'; }

outside_linux=$(sources src | grep -v '/linux/')
report "X11, xkbcommon, D-Bus or /proc outside a linux/ folder" \
  "$(printf '%s\n' "$outside_linux" | xargs -r grep -nE \
    '#include *[<"](xcb/|X11/|xkbcommon/|QtDBus|QDBus)|QNativeInterface::QX11|"/proc/' 2>/dev/null)"

app_headers=$(git ls-files src/app | grep -E '\.h$' | xargs -rn1 basename | paste -sd'|')
report "a header of src/app/ included from another folder" \
  "$(sources src | grep -v '^src/app/' | xargs -r grep -nE \
    "#include *\"(\.\./)*(app/|($app_headers)\")" 2>/dev/null)"

report "Qt Widgets in src/platform/" \
  "$(sources src/platform | xargs -r grep -nE \
    '#include *<(QtWidgets|QWidget|QApplication|QMessageBox|QDialog|QAction|QMenu)|Qt6::Widgets' 2>/dev/null;
     git ls-files 'src/platform/*CMakeLists.txt' | xargs -r grep -n 'Widgets' 2>/dev/null)"

report "src/config/ or src/dialogs/ using a feature folder" \
  "$(sources src/config src/dialogs | xargs -r grep -nE \
    '#include *"(\.\./)*(app|tasks|hotkeys|tools|lock|camera)/' 2>/dev/null)"

report "a library handing all of src/ (or another folder) to whoever links it" \
  "$(git ls-files 'src/*CMakeLists.txt' | xargs -r grep -n 'target_include_directories' 2>/dev/null)"

report "Qt Widgets linked by the settings library or the platform layer" \
  "$(git ls-files 'src/config/CMakeLists.txt' 'src/platform/CMakeLists.txt' | xargs -r grep -n 'Widgets' 2>/dev/null)"

exit $fail
