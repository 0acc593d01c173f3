#!/usr/bin/env bash
# scripts/desktop.sh keeps what it started in a state file and desktop_stop ends what the file
# names. Checked here: the state goes only to a folder of this user's own, a planted or changed
# file ends nothing, and only the very processes recorded are ended. Every process this test
# signals is one it started itself.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/desktop.sh
. "$root/scripts/desktop.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() { # NAME CONDITION...
  local name=$1
  shift
  if "$@"; then echo "PASS $name"; else echo "FAIL $name" >&2; failures=$((failures + 1)); fi
}
# Running: not gone and not a zombie (the test's own children stay zombies until it ends).
alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ]
}
gone() { ! alive "$1"; }
# A process of the test's own, under a name with spaces and parentheses, as a command name may
# be; its pid in p.
cp /bin/sleep "$work/odd) (name"
spawn() {
  "$work/odd) (name" 600 >/dev/null 2>&1 &
  p=$!
  pids+=("$p")
}

# The private folder: accepted only when a real folder of this user with mode 700.
mkdir -m 700 "$work/good"
mkdir -m 755 "$work/open"
ln -s "$work/good" "$work/link"
while read -r name dir expect; do
  got=$(XDG_RUNTIME_DIR=$work/$dir qc_private_dir 2>/dev/null) && got=ok || got=refused
  check "private folder: $name" [ "$got" = "$expect" ]
done <<'TABLE'
mode-700-own good ok
mode-755 open refused
symlink link refused
missing none refused
TABLE
# /tmp belongs to root with mode 1777: refused for root and anyone else.
check "private folder: /tmp itself" bash -c ". '$root/scripts/desktop.sh'; ! XDG_RUNTIME_DIR=/tmp qc_private_dir 2>/dev/null"

# The start time is field 22 of /proc/PID/stat, even after a command name with ") (".
spawn
want=$(python3 -c "import sys; print(open('/proc/%s/stat' % sys.argv[1]).read().rsplit(')', 1)[1].split()[19])" "$p")
check "start time after an odd command name" [ "$(qc_start_time "$p")" = "$want" ]

# What desktop_stop ends, case by case: the state file as desktop_track writes it, or as someone
# else might have changed it.
export QC_DESKTOP_STATE=$work/good/state
while read -r name how expect; do
  spawn
  : >"$QC_DESKTOP_STATE"
  case $how in
  tracked) desktop_track "$p" ;;
  other-start) echo "$p $(($(qc_start_time "$p") + 1))" >"$QC_DESKTOP_STATE" ;;
  no-start) echo "$p" >"$QC_DESKTOP_STATE" ;;
  symlink)
    desktop_track "$p"
    mv "$QC_DESKTOP_STATE" "$work/good/real"
    ln -s "$work/good/real" "$QC_DESKTOP_STATE"
    ;;
  esac
  desktop_stop 2>/dev/null
  # Ended: waits up to 5 s for the signal to take effect (it takes milliseconds). Left alone:
  # the check comes after desktop_stop returned, and kill is synchronous in sending, so a
  # process it had signalled would already be dying or gone.
  if [ "$expect" = ended ]; then
    for _ in $(seq 50); do alive "$p" || break; sleep 0.1; done
    check "stop: $name" gone "$p"
  else
    check "stop: $name" alive "$p"
  fi
  kill "$p" 2>/dev/null
  rm -f "$QC_DESKTOP_STATE" "$work/good/real"
done <<'TABLE'
recorded-process tracked ended
same-pid-other-start-time other-start left
pid-without-start-time no-start left
state-file-is-a-link symlink left
TABLE

[ "$failures" = 0 ] || { echo "$failures failed" >&2; exit 1; }
echo "all passed"
