#!/usr/bin/env bash
# The program as a desktop program: installs the build into a temporary folder and checks the
# tree, the menu entry, the AppStream metadata and the manual page; builds the Debian package and
# inspects it (lintian finds no error and no warning); then, as root only (CI runs as root on a
# throwaway machine), installs the package, reads its manual page with man, runs the installed
# program as an unprivileged user whose home is a temporary folder, checks that its cfg.ini and
# database appear in that home's XDG folders and that a task stored there fires, and removes the
# package again (dpkg -r, not purge), checking that nothing of it is left, not even dpkg's record.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QC_BUILD_DIR:-$root/build}
work=$(mktemp -d /tmp/qc-install.XXXXXX)
chmod 755 "$work"
user=qc-install-$$
installed=0
app=
fail() {
  echo "test-install: $*" >&2
  exit 1
}
# The test user's processes: the program and the web engine's helpers it started. They end with
# the program; up to 10 s for that, then they are ended by their ids (only this user's, a user
# made by this script for this run).
stop_user_processes() {
  local pids
  for _ in $(seq 100); do
    pids=$(pgrep -u "$user" || true)
    [ -z "$pids" ] && return 0
    sleep 0.1
  done
  for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
  for _ in $(seq 50); do
    [ -z "$(pgrep -u "$user" || true)" ] && return 0
    sleep 0.1
  done
}
cleanup() {
  # Only what this script started or made.
  if [ -n "$app" ]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  if id "$user" >/dev/null 2>&1; then
    stop_user_processes
    userdel "$user" || echo "test-install: could not remove the user $user" >&2
  fi
  if [ "$(type -t desktop_stop)" = function ]; then desktop_stop; fi
  if [ "$installed" = 1 ]; then
    dpkg --purge qingchuan >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build" --target qingchuan qc_lock CameraDll qc_webview qc_templates qc_docs >/dev/null

echo "== Install into a temporary folder"
dest=$work/dest
DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/qingchuan
usr/lib/qingchuan/libCameraDll.so
usr/lib/qingchuan/libqc_webview.so
usr/libexec/qingchuan/Lock.exe
usr/share/applications/io.github.qingchuan.Qingchuan.desktop
usr/share/doc/qingchuan/changelog.Debian.gz
usr/share/doc/qingchuan/copyright
usr/share/icons/hicolor/128x128/apps/qingchuan.png
usr/share/icons/hicolor/16x16/apps/qingchuan.png
usr/share/icons/hicolor/22x22/apps/qingchuan.png
usr/share/icons/hicolor/24x24/apps/qingchuan.png
usr/share/icons/hicolor/256x256/apps/qingchuan.png
usr/share/icons/hicolor/32x32/apps/qingchuan.png
usr/share/icons/hicolor/48x48/apps/qingchuan.png
usr/share/icons/hicolor/64x64/apps/qingchuan.png
usr/share/icons/hicolor/scalable/apps/qingchuan.svg
usr/share/lintian/overrides/qingchuan
usr/share/man/man1/qingchuan.1.gz
usr/share/metainfo/io.github.qingchuan.Qingchuan.metainfo.xml
usr/share/qingchuan/DB.mdb
usr/share/qingchuan/cfg.ini"
actual=$(cd "$dest" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
  fail "installed tree differs:"$'\n'"$(diff <(echo "$expected" | LC_ALL=C sort) <(echo "$actual"))"
# No cfg.ini beside the installed program: that is what keeps an installed copy out of bin/.
[ ! -e "$dest/usr/bin/cfg.ini" ] || fail "cfg.ini installed beside the program"
# shellcheck disable=SC2016 # a literal $ORIGIN
readelf -d "$dest/usr/bin/qingchuan" | grep -q 'RUNPATH.*\$ORIGIN/\.\./lib/qingchuan' ||
  fail "the program's run path does not name lib/qingchuan"
for size in 16 22 24 32 48 64 128 256; do
  file "$dest/usr/share/icons/hicolor/${size}x${size}/apps/qingchuan.png" |
    grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} is not that size"
done
# Every library the program needs is found in the installed tree alone.
if LD_LIBRARY_PATH='' ldd "$dest/usr/bin/qingchuan" | grep -q 'not found'; then
  fail "unresolved libraries: $(ldd "$dest/usr/bin/qingchuan" | grep 'not found')"
fi
grep -q '^Name=晴川助手$' "$dest/usr/share/applications/io.github.qingchuan.Qingchuan.desktop" ||
  fail "desktop entry without its name"
desktop-file-validate "$dest/usr/share/applications/io.github.qingchuan.Qingchuan.desktop"
appstreamcli validate --no-net "$dest/usr/share/metainfo/io.github.qingchuan.Qingchuan.metainfo.xml"
# The installed copy answers --version from its own folder, no display needed.
env -u DISPLAY HOME="$work" "$dest/usr/bin/qingchuan" --version | grep -q '^qingchuan [0-9]' ||
  fail "the installed program does not answer --version"
# The manual page formats without a warning and describes every option --help lists.
page=$dest/usr/share/man/man1/qingchuan.1.gz
warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has faults: $warnings"
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null)
grep -q '^NAME' <<<"$text" || fail "the manual page does not format"
options=$(env -u DISPLAY HOME="$work" "$dest/usr/bin/qingchuan" --help | grep -o -- '--[a-z][a-z-]*' | LC_ALL=C sort -u)
[ -n "$options" ] || fail "qingchuan --help lists no option"
for option in $options; do
  grep -q -- "^ *\(-[a-z], \)\?$option\b" <<<"$text" ||
    fail "the manual page does not describe $option, which qingchuan --help lists"
done

echo "== Build and inspect the Debian package"
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/qingchuan_*.deb)
dpkg-deb --info "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
for dep in libqt6core6 libqt6widgets6 libqt6webenginewidgets6 libqt6sql6-sqlite libxcb1; do
  [[ "$depends" == *"$dep"* ]] || fail "the package does not depend on $dep: $depends"
done
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort)
[ "$contents" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
  fail "package contents differ:"$'\n'"$(diff <(echo "$expected" | LC_ALL=C sort) <(echo "$contents"))"
echo "package: $(stat -c %s "$deb") bytes, installed size $(dpkg-deb --field "$deb" Installed-Size) KiB"
# No maintainer scripts: the package has nothing to do beyond placing its files, and a postrm
# alone would keep it registered (state "rc") after dpkg -r.
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort | tr '\n' ' ')
[ "$control" = "control md5sums " ] || fail "the package's control area holds more than control and md5sums: $control"
# Debian's own checks of a package: any error or warning fails (information and notes are shown).
lint=$(lintian --allow-root --no-cfg "$deb" 2>&1) || true
[ -z "$lint" ] || echo "$lint"
if grep -q '^[EW]: ' <<<"$lint"; then
  fail "lintian found errors or warnings in the package"
fi

if [ "$(id -u)" != 0 ]; then
  echo "== Not root: the package is not installed here (CI runs this part)"
  exit 0
fi
status=$(dpkg-query -W -f='${db:Status-Abbrev}' qingchuan 2>/dev/null || true)
case $status in
'' | un*) ;;
# Left by an earlier removal, before the package lost its postrm: dpkg's record of it and that
# postrm. Not this test's doing, so it is purged before the system is looked at.
rc*)
  echo "A qingchuan package left registered by an earlier removal (state rc): purged first"
  dpkg --purge qingchuan >/dev/null
  ;;
*) fail "a qingchuan package is installed already (state $status); this test installs and removes its own" ;;
esac

# What of the program's name lies in the system folders before; the same must be left after.
system_names() {
  find /usr /etc /var /opt -xdev -iname '*qingchuan*' 2>/dev/null | LC_ALL=C sort
}
before=$(system_names)

echo "== Install the package"
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
[ -x /usr/bin/qingchuan ] || fail "/usr/bin/qingchuan missing after installing"
[ "$(man -w qingchuan 2>/dev/null)" = /usr/share/man/man1/qingchuan.1.gz ] ||
  fail "man does not find the manual page: $(man -w qingchuan 2>&1)"
LC_ALL=C MANWIDTH=200 man qingchuan 2>/dev/null | grep -q -- '--version' ||
  fail "man qingchuan does not show the page"

echo "== Run the installed program as an unprivileged user"
home=$work/home
mkdir -p "$home"
useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user"
chown "$user:" "$home"
runtime=$work/runtime
mkdir -p "$runtime" && chown "$user:" "$runtime" && chmod 700 "$runtime"
export QC_DESKTOP_STATE=$work/desktop
# shellcheck source=scripts/desktop.sh
. "$root/scripts/desktop.sh"
desktop_start 1280x800
log=$work/app.log
setpriv --reuid="$user" --regid="$user" --init-groups --reset-env \
  env HOME="$home" USER="$user" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$runtime" \
  QTWEBENGINE_DISABLE_SANDBOX=1 QINGCHUAN_REPORT_READY=1 LANG=C.UTF-8 \
  /usr/bin/qingchuan >"$log" 2>&1 &
app=$!
# Up to 60 s for the icon on a loaded two-core machine; it usually takes a few seconds.
for _ in $(seq 600); do
  grep -q '^ready ' "$log" && break
  kill -0 "$app" 2>/dev/null || fail "the installed program ended: $(cat "$log")"
  sleep 0.1
done
grep -q '^ready ' "$log" || fail "the installed program did not come up: $(cat "$log")"

ini=$home/.config/qingchuan/cfg.ini
db=$home/.local/share/qingchuan/DB.mdb
[ -f "$ini" ] || fail "no $ini"
[ -f "$db" ] || fail "no $db"
if [ "$(stat -c %U "$ini")" != "$user" ] || [ "$(stat -c %U "$db")" != "$user" ]; then
  fail "the user's files do not belong to the user"
fi
grep -q "^ConnStr=Provider=SQLite;Data Source=$db\$" "$ini" ||
  fail "cfg.ini does not name the database in the data folder: $(grep ConnStr "$ini")"
[ ! -e /usr/bin/cfg.ini ] && [ ! -e /usr/bin/DB.mdb ] || fail "files written beside the program"

# The main window, opened from the icon, shows its web strip: the web-view library is found in
# the private folder. The icon is the program's window no taller than the tray (up to 30 s).
icon=
for _ in $(seq 300); do
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
    h=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
    [ -n "$h" ] && [ "$h" -le 40 ] && icon=$w && break
  done
  [ -n "$icon" ] && break
  sleep 0.1
done
[ -n "$icon" ] || fail "no tray icon of the installed program"
xdotool mousemove --window "$icon" 8 8 click --repeat 2 --delay 60 1
main=
for _ in $(seq 300); do
  main=$(xdotool search --onlyvisible --name '^晴川助手\(简易版\)$' 2>/dev/null || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "the main window did not open from the icon"
# Up to 60 s: the first showing starts the web engine, the slowest part of the program.
for _ in $(seq 600); do
  grep -q '/usr/lib/qingchuan/libqc_webview.so' "/proc/$app/maps" && break
  sleep 0.1
done
grep -q '/usr/lib/qingchuan/libqc_webview.so' "/proc/$app/maps" ||
  fail "the web-view library was not loaded from /usr/lib/qingchuan: $(cat "$log")"
grep -q '/usr/lib/qingchuan/libCameraDll.so' "/proc/$app/maps" ||
  fail "the capture library was not loaded from /usr/lib/qingchuan"

# A daily reminder a few seconds ahead, stored the way the task editor stores it: whole days and
# the time of day as OLE Automation dates.
setpriv --reuid="$user" --regid="$user" --init-groups sqlite3 "$db" "
  INSERT INTO Task (任务名称, 开始日期, 开始时间, 任务类型, 内容, 执行目标, 执行方式)
  SELECT '安装测试', CAST(julianday(date(t)) - julianday('1899-12-30') AS INTEGER),
         round((julianday(t) - julianday(date(t))) * 86400) / 86400.0,
         '定时提醒', '装好的程序也会提醒', '', '每天'
  FROM (SELECT datetime('now', 'localtime', '+5 seconds') AS t);"
# The reminder comes at its second (5 s ahead); up to 60 s allows for a loaded machine.
fired=
for _ in $(seq 600); do
  fired=$(xdotool search --onlyvisible --name '^提醒$' 2>/dev/null || true)
  [ -n "$fired" ] && break
  sleep 0.1
done
[ -n "$fired" ] || fail "the stored task did not fire: $(cat "$log")"
echo "reminder window $fired"

kill "$app"
wait "$app" 2>/dev/null || true
app=
stop_user_processes
userdel "$user" || fail "could not remove the user $user"
desktop_stop

echo "== Remove the package"
# Removed, not purged, as a user removes it: with no configuration files and no maintainer scripts
# dpkg keeps no record of it either (no state "rc").
dpkg -r qingchuan >/dev/null
installed=0
if status=$(dpkg-query -W -f='${db:Status-Abbrev}' qingchuan 2>/dev/null); then
  fail "dpkg still knows the package after dpkg -r (state $status)"
fi
after=$(system_names)
[ "$before" = "$after" ] ||
  fail "left after removal:"$'\n'"$(diff <(echo "$before") <(echo "$after"))"
# The user's own files stay theirs.
[ -f "$ini" ] && [ -f "$db" ] || fail "removing the package touched the user's files"
echo "test-install: all checks passed"
