#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The Debian package, installed and started the way a desktop menu does:
#  1. scripts/package.sh packages the build folder; lintian finds no error;
#     dpkg -i installs it; the installed menu entry and AppStream file
#     validate; the icon, the link <prefix>/bin/ostra and the program
#     folder /usr/lib/ostra are in place;
#  2. a fresh user (useradd) starts the menu entry's Exec through
#     "gio launch" on a private Xvfb: the main window appears at 201,116,
#     the user's ~/.local/share/ostra holds copies of the sounds and the
#     help page;
#  3. a second start from the menu raises the first copy above a window
#     that covered it, ends with status 0, and the first copy runs on;
#  4. SIGTERM writes "tevo.ini" and "res.list" in ~/.local/share/ostra,
#     owned by the user; nothing under /usr/lib/ostra was added or changed;
#  5. dpkg -r removes the package and the folder.
# The user, its home and the package are removed at the end whatever
# happens. Needs root; skipped (77) otherwise.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

if ((EUID != 0)); then
  e2e_note "skipped: installing a package needs root"
  exit 77
fi
: "${OSTRA_BUILD:=$(dirname "$OSTRA_DIST")}"
APP_ID=org.example.ostra
PREFIX=/usr
PROG_DIR=$PREFIX/lib/ostra
DESKTOP=$PREFIX/share/applications/$APP_ID.desktop
METAINFO=$PREFIX/share/metainfo/$APP_ID.metainfo.xml

# Leave the machine as it was: never touch an Ostra installed by someone else.
if dpkg-query -W -f='${Status}' ostra 2>/dev/null | grep -q 'installed'; then
  e2e_fail "the package ostra is installed on this machine already; remove it first"
fi
[[ ! -e $PROG_DIR ]] || e2e_fail "$PROG_DIR exists already"

PKG_INSTALLED=0
TEST_USER=
uid=
pkg_cleanup() {
  local rc=$? pid
  set +e
  if [[ -n $TEST_USER ]] && id "$TEST_USER" >/dev/null 2>&1; then
    # The user's processes first (userdel refuses a user that still runs
    # something); the rest is the X server's, stopped by lib.sh.
    for pid in $(e2e__token_pids); do
      [[ $(stat -c %u "/proc/$pid" 2>/dev/null) == "$uid" ]] && kill -KILL "$pid" 2>/dev/null
    done
    sleep 0.2
    userdel -r "$TEST_USER" >/dev/null 2>&1 || e2e_note "could not remove the user $TEST_USER"
  fi
  if ((PKG_INSTALLED)); then
    dpkg -r ostra >/dev/null 2>&1 || e2e_note "could not remove the package ostra"
  fi
  return "$rc"
}
trap 'pkg_cleanup; e2e__cleanup' EXIT

e2e_note "1. build, check and install the package"
deb=$("$OSTRA_SOURCE/scripts/package.sh" "$OSTRA_BUILD" "$E2E_TMP/package" 2>"$E2E_TMP/package.log" | tail -n 1) ||
  e2e_fail "scripts/package.sh failed: $(tail -n 20 "$E2E_TMP/package.log")"
e2e_assert_file "$deb" "the package"
deps=$(dpkg-deb -f "$deb" Depends)
e2e_note "Depends: $deps"
[[ $deps == *libqt6widgets6* && $deps == *libqt6network6* && $deps == *libcanberra0* && $deps == *qt6-qpa-plugins* ]] ||
  e2e_fail "Depends lacks the libraries dpkg-shlibdeps finds: $deps"
lintian --fail-on error --no-tag-display-limit "$deb" >"$E2E_TMP/lintian.log" 2>&1 ||
  e2e_fail "lintian reports errors: $(cat "$E2E_TMP/lintian.log")"
e2e_note "lintian: $(grep -c '^[EW]:' "$E2E_TMP/lintian.log" || true) errors and warnings"
PKG_INSTALLED=1
dpkg -i "$deb" >"$E2E_TMP/dpkg.log" 2>&1 || e2e_fail "dpkg -i failed: $(cat "$E2E_TMP/dpkg.log")"
desktop-file-validate "$DESKTOP" || e2e_fail "the installed menu entry does not validate"
appstreamcli validate --no-net "$METAINFO" >"$E2E_TMP/appstream.log" 2>&1 ||
  e2e_fail "the installed metainfo does not validate: $(cat "$E2E_TMP/appstream.log")"
for f in ostra "${E2E_MODULE_FILES[@]}" "${E2E_DATA_FILES[@]}"; do e2e_assert_file "$PROG_DIR/$f"; done
e2e_assert_eq "$PROG_DIR/ostra" "$(readlink -f "$PREFIX/bin/ostra")" "target of $PREFIX/bin/ostra"
e2e_assert_file "$PREFIX/share/icons/hicolor/scalable/apps/$APP_ID.svg"
e2e_assert_eq "PNG 48x48" "$(identify -format '%m %wx%h' "$PREFIX/share/icons/hicolor/48x48/apps/$APP_ID.png")" \
  "the 48-pixel icon"
exec_line=$(sed -n 's/^Exec=//p' "$DESKTOP")
e2e_assert_eq "$PREFIX/bin/ostra" "$exec_line" "Exec of the menu entry"
# What the package put there, to see later that the program added nothing.
find "$PROG_DIR" -printf '%p %s %T@ %m\n' | sort >"$E2E_TMP/prog-before"

e2e_note "2. a new user starts Ostra from the menu"
for ((i = 0; i < 20; i++)); do
  TEST_USER=ostrae2e$RANDOM
  id "$TEST_USER" >/dev/null 2>&1 || break
done
useradd -m -s /bin/bash "$TEST_USER" || { TEST_USER=; e2e_fail "useradd failed"; }
uid=$(id -u "$TEST_USER")
gid=$(id -g "$TEST_USER")
user_home=$(getent passwd "$TEST_USER" | cut -d: -f6)
data=$user_home/.local/share/ostra
# The user's runtime folder (the one-copy lock lives there) and session bus.
runtime=$E2E_TMP/user-runtime
mkdir -p "$runtime"
chown "$uid:$gid" "$runtime"
chmod 700 "$runtime"
chmod 711 "$E2E_TMP"

e2e_start_xvfb

# as_user COMMAND...: runs COMMAND as the test user with the environment of
# a desktop session (no XDG_DATA_HOME: the default ~/.local/share), and the
# test's token, so that the cleanup finds what it started.
as_user=(setpriv --reuid="$uid" --regid="$gid" --init-groups
  env -i HOME="$user_home" USER="$TEST_USER" LOGNAME="$TEST_USER" SHELL=/bin/bash
  PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$runtime"
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_TMP/no-system-bus" PULSE_SERVER="unix:$E2E_TMP/no-pulse-server"
  OSTRA_E2E_TOKEN="$OSTRA_E2E_TOKEN")
as_user() { "${as_user[@]}" "$@"; }
as_user dbus-daemon --session --address="unix:path=$runtime/bus" --fork --nopidfile >/dev/null ||
  e2e_fail "no session bus for the user"

# ostra_pids: the running ostra processes of the test user.
ostra_pids() {
  local pid
  for pid in $(e2e__token_pids); do
    [[ $(cat "/proc/$pid/comm" 2>/dev/null) == ostra ]] && e2e_alive "$pid" &&
      [[ $(stat -c %u "/proc/$pid") == "$uid" ]] && echo "$pid"
  done
  return 0
}

(cd / && as_user gio launch "$DESKTOP") >"$E2E_TMP/first.log" 2>&1 || e2e_fail "gio launch failed: $(cat "$E2E_TMP/first.log")"
E2E_PROG_LOGS+=("$E2E_TMP/first.log")
for ((i = 0; i < 100; i++)); do
  first=$(ostra_pids)
  [[ -n $first ]] && break
  sleep 0.1
done
[[ -n $first && $first != *$'\n'* ]] || e2e_fail "expected one running ostra of $TEST_USER, got '${first//$'\n'/ }'"
e2e_wait_window Brisel 20 "$first"
wid=$E2E_WID
e2e_wait_position "$wid" 201 116
e2e_assert_eq "$first" "$(xdotool getwindowpid "$wid" 2>/dev/null)" "pid of the \"Brisel\" window"
for f in "${E2E_DATA_FILES[@]}"; do
  cmp -s "$PROG_DIR/$f" "$data/$f" || e2e_fail "$data/$f is no copy of the shipped $f"
done
e2e_assert_eq "$TEST_USER" "$(stat -c %U "$data" "$data/alarm.wav" | sort -u)" "owner of the user's data"

e2e_note "3. a second start from the menu raises the first copy"
# A plain window over the main window, mapped after it, so on top.
"$E2E_SYS_PYTHON" -c '
import ctypes, ctypes.util, time
x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
    [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XStoreName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_char_p]
x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XFlush.argtypes = [ctypes.c_void_p]
d = ctypes.c_void_p(x.XOpenDisplay(None))
w = x.XCreateSimpleWindow(d, x.XDefaultRootWindow(d), 150, 80, 700, 600, 0, 0, 0x808080)
x.XStoreName(d, w, b"ostra-e2e-cover")
x.XMapWindow(d, w)
x.XFlush(d)
while True:
    time.sleep(60)
' &
e2e_track "$!"
e2e_wait_window ostra-e2e-cover 10 "$!"
cover=$E2E_WID
# stack_index WID: the window's place among the root's children counted
# from the bottom (xwininfo lists the topmost first).
stack_index() {
  xwininfo -root -children | grep -E '^ +0x' | awk '{print $1}' | tac | grep -nx "$(printf '0x%x' "$1")" | cut -d: -f1
}
(($(stack_index "$cover") > $(stack_index "$wid"))) || e2e_fail "the cover window is not above the main window"
# Launched under a subreaper, which collects the exit status of the program
# that gio leaves behind.
(cd / && "$E2E_SYS_PYTHON" "$E2E_LIB_DIR/reap_launch.py" 15 "${as_user[@]}" gio launch "$DESKTOP") \
  >"$E2E_TMP/second.log" 2>&1 ||
  e2e_fail "the second start did not end within 15 s: $(cat "$E2E_TMP/second.log")"
second=$(awk '$2 == "ostra"' "$E2E_TMP/second.log")
[[ -n $second ]] || e2e_fail "no second ostra ran: $(cat "$E2E_TMP/second.log")"
e2e_assert_eq 0 "$(awk '{print $3}' <<<"$second")" "exit status of the second start"
e2e_assert_eq 0 "$(awk '$2 == "gio" {print $3}' "$E2E_TMP/second.log")" "exit status of gio launch"
for ((i = 0; i < 50; i++)); do
  (($(stack_index "$wid") > $(stack_index "$cover"))) && break
  sleep 0.1
done
(($(stack_index "$wid") > $(stack_index "$cover"))) || e2e_fail "the second start did not raise the main window"
e2e_assert_alive "$first" "the first copy after the second start"
e2e_assert_eq "$first" "$(ostra_pids)" "the running copies after the second start"
e2e_assert_eq "$wid" "$(e2e_visible_windows Brisel)" "the visible \"Brisel\" windows"

e2e_note "4. SIGTERM saves into the user's folder"
kill -TERM "$first"
for ((i = 0; i < 200; i++)); do
  e2e_alive "$first" || break
  sleep 0.05
done
e2e_alive "$first" && e2e_fail "the program did not end within 10 s of SIGTERM"
for f in tevo.ini res.list; do
  e2e_assert_file "$data/$f"
  e2e_assert_eq "$TEST_USER" "$(stat -c %U "$data/$f")" "owner of $f"
done
e2e_ini_has_section "$data/tevo.ini" W || e2e_fail "tevo.ini has no [W] section: $(cat "$data/tevo.ini")"
e2e_assert_ini "$data/tevo.ini" W Left 201
for d in startup favorite desktopimage; do e2e_assert_dir "$data/$d"; done
find "$PROG_DIR" -printf '%p %s %T@ %m\n' | sort >"$E2E_TMP/prog-after"
diff "$E2E_TMP/prog-before" "$E2E_TMP/prog-after" >&2 || e2e_fail "the program changed $PROG_DIR"

e2e_note "5. remove the package"
dpkg -r ostra >"$E2E_TMP/dpkg-r.log" 2>&1 || e2e_fail "dpkg -r failed: $(cat "$E2E_TMP/dpkg-r.log")"
PKG_INSTALLED=0
e2e_assert_no_file "$PROG_DIR" "the program folder after dpkg -r"
e2e_assert_no_file "$DESKTOP" "the menu entry after dpkg -r"
e2e_assert_no_file "$PREFIX/bin/ostra" "the link after dpkg -r"

e2e_pass
