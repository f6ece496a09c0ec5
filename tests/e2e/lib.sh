# shellcheck shell=bash
# shellcheck disable=SC2034 # E2E_* results are read by the test scripts
# Shared helpers for the end-to-end tests: the real `ostra` executable,
# started from a fresh program folder on a private X server.
#
# Source this file first thing in a test script. It
#   - makes a private temporary folder ($E2E_TMP) and points HOME, the XDG
#     folders and TMPDIR into it, so that nothing of the machine's user (or
#     of another test) is read or written, and the program's single-instance
#     lock of one test cannot meet that of another;
#   - gives the program a dead system bus and a dead sound server address
#     (no log-off of the real session, no sound server spawned), unless a
#     test starts its own;
#   - installs an EXIT trap that stops every process the test started (the
#     ones it knows by pid, then any process that still carries this test's
#     token in its environment, e.g. ones the program itself started) and
#     removes $E2E_TMP (kept when E2E_KEEP=1).
#
# $OSTRA_DIST names the assembled program folder (CTest sets it); by hand it
# defaults to build/release/dist of this checkout.
#
# Closing the main window like a user: xdotool cannot ask a window to close
# (its "windowclose" destroys the X window from outside, which is no close
# request, and "windowkill" cuts the program's X connection), and there is
# no wmctrl. e2e_close_window sends the close request with xclose.py:
#   - with a window manager running (e2e_start_openbox): _NET_CLOSE_WINDOW
#     to the root window, the request "wmctrl -c" makes; openbox then sends
#     WM_DELETE_WINDOW to the program, as when the user closes the window
#     from the desktop;
#   - without one: WM_DELETE_WINDOW straight to the window, the same client
#     message a window manager would send.
# Qt turns WM_DELETE_WINDOW into the window's close event either way.
#
# Window geometry: the main window is frameless, and without a window
# manager it is not reparented, so the geometry xwininfo reports is exactly
# what the program set.

set -euo pipefail

E2E_NAME=$(basename "$0" .sh)
E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${OSTRA_DIST:=$(cd "$E2E_LIB_DIR/../.." && pwd)/build/release/dist}"
E2E_EXE_NAME=ostra
E2E_DATA_FILES=(click.wav clicklong.wav button.wav memory.wav start.wav alarm.wav dingdong.wav help.htm)
# Code the executable loads, or starts, from its own folder when needed.
E2E_MODULE_FILES=(libostra_downloads.so ostra-cue)

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/ostra-e2e.XXXXXX")
E2E_PIDS=()        # processes to stop at exit, in start order
E2E_PROG_LOGS=()   # program output files, shown when a test fails
E2E_MOUNTS=()      # mounts under $E2E_TMP, unmounted at exit
E2E_FOLDER_COUNT=0
E2E_START_COUNT=0

# Every process started from here on inherits this token; the exit trap
# stops whatever still carries it.
export OSTRA_E2E_TOKEN="$E2E_TMP"

mkdir -p "$E2E_TMP/home" "$E2E_TMP/tmp" "$E2E_TMP/runtime" "$E2E_TMP/cwd"
chmod 700 "$E2E_TMP/runtime"
export HOME="$E2E_TMP/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
export TMPDIR="$E2E_TMP/tmp"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_TMP/no-system-bus"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-session-bus"
export PULSE_SERVER="unix:$E2E_TMP/no-pulse-server"
export NO_AT_BRIDGE=1
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
unset QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING
export DISPLAY=  # set by e2e_start_xvfb

# ---------------------------------------------------------------- output

e2e_note() { echo "[$E2E_NAME] $*"; }

# e2e_fail MESSAGE: reports the failure with the program's output and the
# window list, and ends the test with status 1.
e2e_fail() {
  echo "FAIL [$E2E_NAME]: $*" >&2
  e2e__diagnostics >&2
  exit 1
}

e2e__diagnostics() {
  local log
  for log in "${E2E_PROG_LOGS[@]}"; do
    if [[ -s $log ]]; then
      echo "--- last lines of $(basename "$log") ---"
      tail -n 30 "$log"
    fi
  done
  if [[ -n $DISPLAY ]] && xdpyinfo >/dev/null 2>&1; then
    echo "--- named windows on $DISPLAY ---"
    xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' | head -n 20 || true
  fi
}

e2e_pass() { echo "PASS [$E2E_NAME]${1:+: $1}"; }

# ------------------------------------------------------------ assertions

# e2e_assert_eq EXPECTED ACTUAL WHAT
e2e_assert_eq() {
  [[ $2 == "$1" ]] || e2e_fail "$3: expected '$1', got '$2'"
}

# e2e_assert_range LOW HIGH ACTUAL WHAT: ACTUAL is an integer in LOW..HIGH.
e2e_assert_range() {
  [[ $3 =~ ^-?[0-9]+$ ]] || e2e_fail "$4: expected an integer in $1..$2, got '$3'"
  (($3 >= $1 && $3 <= $2)) || e2e_fail "$4: expected $1..$2, got $3"
}

e2e_assert_file() { [[ -f $1 ]] || e2e_fail "${2:-file} $1 does not exist"; }
e2e_assert_no_file() { [[ ! -e $1 ]] || e2e_fail "${2:-file} $1 exists but should not"; }
e2e_assert_dir() { [[ -d $1 ]] || e2e_fail "${2:-folder} $1 does not exist"; }

# e2e_assert_alive PID WHAT
e2e_assert_alive() { e2e_alive "$1" || e2e_fail "${2:-process $1} is not running"; }

# ------------------------------------------------------------- processes

# e2e_alive PID: true while PID runs (a finished, unreaped child counts as
# gone).
e2e_alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat:0:1} != Z ]]
}

# e2e_wait_exit PID SECONDS: waits until the child PID ends; sets E2E_EXIT
# to its exit status (128+N for signal N). Returns 1 if it still runs.
e2e_wait_exit() {
  local pid=$1 deadline=$((SECONDS + $2))
  while e2e_alive "$pid"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
  E2E_EXIT=0
  wait "$pid" 2>/dev/null || E2E_EXIT=$?
  return 0
}

# e2e_start_fake_notifications LOG: the stand-in notification service on the
# session bus, writing what it receives to LOG; returns once it owns its name.
e2e_start_fake_notifications() {
  local ready=$E2E_TMP/notes.ready i
  "$E2E_SYS_PYTHON" "$E2E_LIB_DIR/fake_notifications.py" "$1" "$ready" &
  e2e_track "$!"
  for ((i = 0; i < 100; i++)); do
    [[ -f $ready ]] && return 0
    sleep 0.1
  done
  e2e_fail "the stand-in notification service did not start"
}

# e2e__stop PID: TERM, then KILL after 3 s.
e2e__stop() {
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 60; i++)); do
    e2e_alive "$pid" || break
    sleep 0.05
  done
  if e2e_alive "$pid"; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
}

# Pids of processes (other than this shell) that carry this test's token.
e2e__token_pids() {
  local d pid
  for d in /proc/[0-9]*; do
    pid=${d#/proc/}
    [[ $pid == "$$" || $pid == "$BASHPID" ]] && continue
    if grep -qzxF "OSTRA_E2E_TOKEN=$OSTRA_E2E_TOKEN" "$d/environ" 2>/dev/null; then
      echo "$pid"
    fi
  done
}

e2e__cleanup() {
  local rc=$? i pid
  set +e
  trap - EXIT
  # Newest first: the program before its X server.
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    e2e__stop "${E2E_PIDS[i]}"
  done
  for pid in $(e2e__token_pids); do
    kill -KILL "$pid" 2>/dev/null
  done
  for ((i = ${#E2E_MOUNTS[@]} - 1; i >= 0; i--)); do
    umount "${E2E_MOUNTS[i]}" 2>/dev/null || umount -l "${E2E_MOUNTS[i]}"
  done
  if [[ ${E2E_KEEP:-0} == 1 ]]; then
    echo "[$E2E_NAME] kept $E2E_TMP" >&2
  else
    rm -rf "$E2E_TMP"
  fi
  exit "$rc"
}
trap e2e__cleanup EXIT

# e2e_track PID: stop PID at exit.
e2e_track() { E2E_PIDS+=("$1"); }

# ----------------------------------------------------------- environment

# e2e_start_xvfb: a private Xvfb (1280x1024x24) on the first free display
# number from 90 on (skipping numbers whose /tmp/.XN-lock or
# /tmp/.X11-unix/XN exist); waits until it answers and exports DISPLAY.
# Also starts a private D-Bus session bus for the program.
e2e_start_xvfb() {
  local n tries pid
  for ((n = 90; n < 400; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$E2E_TMP/xvfb.log" 2>&1 &
    pid=$!
    for ((tries = 0; tries < 100; tries++)); do
      e2e_alive "$pid" || break # lost this number to someone else
      # The server on :N must be ours: another test may have won the
      # number meanwhile, and its server would answer just the same.
      if [[ $(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") == "$pid" ]] &&
        xdpyinfo -display ":$n" >/dev/null 2>&1; then
        e2e_track "$pid"
        export DISPLAY=":$n"
        E2E_XVFB_PID=$pid
        e2e__start_session_bus
        return 0
      fi
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  e2e_fail "could not start Xvfb"
}

# e2e__start_bus VARIABLE WHAT: a private dbus-daemon, its address
# exported in VARIABLE; stopped at exit.
e2e__start_bus() {
  local out
  out=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) ||
    e2e_fail "could not start a private $2"
  export "$1=${out%%$'\n'*}"
  e2e_track "${out##*$'\n'}"
}

e2e__start_session_bus() { e2e__start_bus DBUS_SESSION_BUS_ADDRESS "D-Bus session bus"; }

# e2e_wm_running: true while a window manager manages the display (the
# window named by _NET_SUPPORTING_WM_CHECK on the root window exists; the
# property itself outlives a manager that ended).
e2e_wm_running() {
  local id
  id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-fA-F]*' | head -n 1)
  [[ -n $id ]] && xwininfo -id "$id" >/dev/null 2>&1
}

# e2e_start_openbox: runs openbox on the test's display and waits until it
# manages the screen.
e2e_start_openbox() {
  local i
  openbox >"$E2E_TMP/openbox.log" 2>&1 &
  E2E_WM_PID=$!
  e2e_track "$E2E_WM_PID"
  for ((i = 0; i < 100; i++)); do
    e2e_wm_running && return 0
    e2e_alive "$E2E_WM_PID" || e2e_fail "openbox ended at start: $(cat "$E2E_TMP/openbox.log")"
    sleep 0.1
  done
  e2e_fail "openbox did not take over the screen within 10 s"
}

# e2e_stop_openbox: ends the window manager again.
e2e_stop_openbox() {
  e2e__stop "$E2E_WM_PID"
  ! e2e_wm_running || e2e_fail "the window manager still runs after it was stopped"
}

# e2e_start_pulse: a private PulseAudio server with a null sink "test_null"
# (record it through test_null.monitor); exports PULSE_SERVER.
e2e_start_pulse() {
  local dir=$E2E_TMP/pulse i
  mkdir -p "$dir"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
    -L "module-null-sink sink_name=test_null rate=44100 norewinds=1" \
    >"$E2E_TMP/pulse.log" 2>&1 &
  e2e_track "$!"
  export PULSE_SERVER="unix:$dir/native"
  for ((i = 0; i < 100; i++)); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  e2e_fail "PulseAudio did not start: $(tail -n 5 "$E2E_TMP/pulse.log")"
}

# ------------------------------------------------------- program folders

# e2e_new_program_folder: a fresh program folder holding only the
# executable and its data files, copied from $OSTRA_DIST (never the
# settings or lists a manual run may have left there). Sets E2E_PROG.
e2e_new_program_folder() {
  E2E_FOLDER_COUNT=$((E2E_FOLDER_COUNT + 1))
  E2E_PROG=$E2E_TMP/prog$E2E_FOLDER_COUNT
  mkdir -p "$E2E_PROG"
  local f
  [[ -x $OSTRA_DIST/$E2E_EXE_NAME ]] || e2e_fail "no executable $OSTRA_DIST/$E2E_EXE_NAME (build first)"
  for f in "$E2E_EXE_NAME" "${E2E_MODULE_FILES[@]}" "${E2E_DATA_FILES[@]}"; do
    [[ -f $OSTRA_DIST/$f ]] || e2e_fail "the program folder $OSTRA_DIST lacks $f"
    cp "$OSTRA_DIST/$f" "$E2E_PROG/"
  done
}

# e2e_start_program [FOLDER [ARG...]]: starts FOLDER/ostra (default:
# $E2E_PROG) with the given command-line arguments in the background, from
# an unrelated current folder, with its output in a log file. Sets E2E_PID.
e2e_start_program() {
  local folder=${1:-$E2E_PROG}
  shift || true
  E2E_START_COUNT=$((E2E_START_COUNT + 1))
  local log=$E2E_TMP/ostra-$E2E_START_COUNT.log
  [[ -n $DISPLAY ]] || e2e_fail "e2e_start_program before e2e_start_xvfb"
  (cd "$E2E_TMP/cwd" && exec "$folder/$E2E_EXE_NAME" "$@") >"$log" 2>&1 &
  E2E_PID=$!
  E2E_PROG_LOGS+=("$log")
  e2e_track "$E2E_PID"
}

# ---------------------------------------------------------------- windows

# e2e_visible_windows NAME: ids of the mapped windows whose title is exactly
# NAME, one a line.
e2e_visible_windows() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}

# e2e_wait_window NAME [SECONDS] [PID]: waits until a window titled exactly
# NAME is mapped and sets E2E_WID. Fails the test on timeout, or early when
# PID (default: the last started program) has ended.
e2e_wait_window() {
  local name=$1 deadline=$((SECONDS + ${2:-15})) pid=${3:-${E2E_PID:-}} ids
  while :; do
    ids=$(e2e_visible_windows "$name")
    if [[ -n $ids ]]; then
      E2E_WID=${ids%%$'\n'*}
      return 0
    fi
    if [[ -n $pid ]] && ! e2e_alive "$pid"; then
      e2e_fail "the program (pid $pid) ended before a window \"$name\" appeared"
    fi
    ((SECONDS < deadline)) || e2e_fail "no window \"$name\" within ${2:-15} s"
    sleep 0.1
  done
}

# e2e_warning_windows: ids of the mapped windows titled "Ostra" that have
# the warning window's size (387x137), one a line.
e2e_warning_windows() {
  local id
  for id in $(e2e_visible_windows Ostra); do
    # A window may close between the listing and this look: it is no
    # warning window then.
    e2e_try_geometry "$id" || continue
    [[ $E2E_W == 387 && $E2E_H == 137 ]] && echo "$id"
  done
  return 0
}

# e2e_wait_warning open|gone SECONDS MESSAGE: waits until a warning window
# is open, or until none is; fails the test with MESSAGE on timeout.
e2e_wait_warning() {
  local deadline=$((SECONDS + $2)) ids
  while :; do
    ids=$(e2e_warning_windows)
    [[ $1 == open && -n $ids || $1 == gone && -z $ids ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "$3"
    sleep 0.1
  done
}

# e2e_geometry WID: sets E2E_X, E2E_Y (absolute, root coordinates), E2E_W,
# E2E_H of the window.
e2e_geometry() {
  e2e_try_geometry "$1" || e2e_fail "window $1 is gone"
}

# e2e_try_geometry WID: the same, returning non-zero when the window is gone.
e2e_try_geometry() {
  local info
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  E2E_X=$(awk -F: '/Absolute upper-left X/ {gsub(/ /, "", $2); print $2}' <<<"$info")
  E2E_Y=$(awk -F: '/Absolute upper-left Y/ {gsub(/ /, "", $2); print $2}' <<<"$info")
  E2E_W=$(awk -F: '/^ *Width:/ {gsub(/ /, "", $2); print $2}' <<<"$info")
  E2E_H=$(awk -F: '/^ *Height:/ {gsub(/ /, "", $2); print $2}' <<<"$info")
}

# e2e_wait_position WID X Y [SECONDS]: waits until the window stands at X,Y
# (the program may place it just after mapping it); fails with the last
# position seen.
e2e_wait_position() {
  local deadline=$((SECONDS + ${4:-5}))
  while :; do
    e2e_geometry "$1"
    [[ $E2E_X == "$2" && $E2E_Y == "$3" ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "window at $E2E_X,$E2E_Y, expected $2,$3"
    sleep 0.1
  done
}

# e2e_close_window WID: asks the window to close as the desktop does (see
# the top of this file): through the window manager when one runs, else
# with WM_DELETE_WINDOW sent directly.
e2e_close_window() {
  local mode=delete
  if e2e_wm_running; then
    mode=net
  fi
  python3 "$E2E_LIB_DIR/xclose.py" "$mode" "$1" || e2e_fail "could not send the close request to window $1"
}

# ------------------------------------------------------------------ files

# e2e_ini_get FILE SECTION KEY: prints the value of KEY in [SECTION]
# (section and key matched without regard to case, surrounding blanks and
# a trailing CR dropped). Returns 1 when there is no such key.
e2e_ini_get() {
  [[ -f $1 ]] || return 1
  awk -v want_section="$2" -v want_key="$3" '
    function trim(s) { sub(/\r$/, "", s); gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    BEGIN { want_section = tolower(want_section); want_key = tolower(want_key) }
    /^[ \t]*\[/ {
      line = trim($0)
      section = tolower(trim(substr(line, 2, length(line) - 2)))
      next
    }
    section == want_section && index($0, "=") > 0 {
      key = tolower(trim(substr($0, 1, index($0, "=") - 1)))
      if (key == want_key) { print trim(substr($0, index($0, "=") + 1)); found = 1; exit }
    }
    END { exit found ? 0 : 1 }
  ' "$1"
}

# e2e_ini_has_section FILE SECTION
e2e_ini_has_section() {
  [[ -f $1 ]] && grep -qiE "^[[:space:]]*\[[[:space:]]*$2[[:space:]]*\][[:space:]]*"$'\r'"?\$" "$1"
}

# e2e_assert_ini FILE SECTION KEY EXPECTED
e2e_assert_ini() {
  local v
  v=$(e2e_ini_get "$1" "$2" "$3") || e2e_fail "$(basename "$1") has no key \"$3\" in section \"$2\""
  e2e_assert_eq "$4" "$v" "$(basename "$1") [$2] $3"
}

# e2e_memory_load: the memory load in percent as the program reads it,
# 100 * (MemTotal - MemAvailable) / MemTotal, rounded.
e2e_memory_load() {
  awk '/^MemTotal:/ {t = $2} /^MemAvailable:/ {a = $2}
       END { printf "%d\n", (100 * (t - a) / t) + 0.5 }' /proc/meminfo
}

# ------------------------------------------------------------ tray hosts
# (the host must run before the program starts: Qt looks for a tray once,
# at start-up)

# The system python, which has the dbus and gi modules (a python3 found
# first on PATH may be another installation without them).
E2E_SYS_PYTHON=/usr/bin/python3

# e2e_tray_selection_owner: prints the X window that owns the XEmbed tray
# selection _NET_SYSTEM_TRAY_S0 of the test's display (0: none).
e2e_tray_selection_owner() {
  "$E2E_SYS_PYTHON" -c '
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
if not d:
    sys.exit("no display")
atom = x.XInternAtom(ctypes.c_void_p(d), b"_NET_SYSTEM_TRAY_S0", 0)
print(x.XGetSelectionOwner(ctypes.c_void_p(d), ctypes.c_ulong(atom)))
'
}

# e2e_start_trayer: the XEmbed tray "trayer" (200x30 at the top right of
# the screen); waits until it owns the tray selection and its panel window
# is mapped. Sets E2E_TRAYER_PID and E2E_TRAY_PANEL (the panel window).
e2e_start_trayer() {
  local i owner
  trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 30 \
    >"$E2E_TMP/trayer.log" 2>&1 &
  E2E_TRAYER_PID=$!
  e2e_track "$E2E_TRAYER_PID"
  for ((i = 0; i < 100; i++)); do
    e2e_alive "$E2E_TRAYER_PID" || e2e_fail "trayer ended at start: $(cat "$E2E_TMP/trayer.log")"
    owner=$(e2e_tray_selection_owner 2>/dev/null || echo 0)
    E2E_TRAY_PANEL=$(xdotool search --onlyvisible --classname '^panel$' 2>/dev/null | head -n 1 || true)
    if [[ $owner != 0 && -n $E2E_TRAY_PANEL ]]; then
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "trayer did not take the tray selection within 10 s"
}

# e2e_sni_watcher_ready: true when org.kde.StatusNotifierWatcher has an
# owner on the session bus and a host has registered with it.
e2e_sni_watcher_ready() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true'
}

# e2e_start_sni_host: the StatusNotifierItem host gtk-sni-tray-standalone
# (with its own watcher) on the test's session bus; waits until the watcher
# answers and the host has registered. Sets E2E_SNI_PID.
e2e_start_sni_host() {
  local i try
  [[ -n $DISPLAY ]] || e2e_fail "e2e_start_sni_host before e2e_start_xvfb"
  # The host now and then dies while it sets itself up (a D-Bus
  # UnknownObject reply it does not expect); a new start is then fine.
  for ((try = 1; try <= 3; try++)); do
    NO_AT_BRIDGE=1 gtk-sni-tray-standalone --top --end --watcher >"$E2E_TMP/sni-host.log" 2>&1 &
    E2E_SNI_PID=$!
    e2e_track "$E2E_SNI_PID"
    for ((i = 0; i < 150; i++)); do
      e2e_alive "$E2E_SNI_PID" || break
      e2e_sni_watcher_ready && return 0
      sleep 0.1
    done
    e2e_alive "$E2E_SNI_PID" ||
      { e2e_note "gtk-sni-tray-standalone ended at start (try $try): $(tail -n 2 "$E2E_TMP/sni-host.log")"; continue; }
    e2e_fail "no StatusNotifier watcher with a registered host within 15 s"
  done
  e2e_fail "gtk-sni-tray-standalone ended at start three times: $(tail -n 5 "$E2E_TMP/sni-host.log")"
}

# e2e_map_state WID: prints IsViewable, IsUnMapped, IsUnviewable, or Gone
# for a window that no longer exists.
e2e_map_state() {
  local info
  if info=$(xwininfo -id "$1" 2>/dev/null); then
    awk -F': *' '/Map State/ {print $2}' <<<"$info"
  else
    echo Gone
  fi
}

# e2e_wait_map_state WID STATE [SECONDS]: waits until the window's map
# state is STATE; fails with the last state seen.
e2e_wait_map_state() {
  local deadline=$((SECONDS + ${3:-5})) state
  while :; do
    state=$(e2e_map_state "$1")
    [[ $state == "$2" ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "window $1 is '$state', expected $2"
    sleep 0.05
  done
}

# e2e_pixel X Y: prints the colour of the screen pixel at X,Y as six hex
# digits RRGGBB.
e2e_pixel() {
  convert "x:root[1x1+$1+$2]" -depth 8 -format '%[hex:p{0,0}]' info: 2>/dev/null
}

# ---------------------------------------------------------------- AT-SPI
# (the widgets read as a screen reader does; see atspi_probe.py)

# e2e_start_atspi: the accessibility bus on the test's session bus (start
# Xvfb first, it brings the bus), and Qt told to publish its widgets there.
# Programs started afterwards can be read with e2e_atspi.
e2e_start_atspi() {
  local i
  [[ -n $DISPLAY ]] || e2e_fail "e2e_start_atspi before e2e_start_xvfb"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_TMP/atspi.log" 2>&1 &
  e2e_track "$!"
  for ((i = 0; i < 100; i++)); do
    if dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null |
      grep -q 'unix:'; then
      export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "the accessibility bus did not come up: $(tail -n 5 "$E2E_TMP/atspi.log")"
}

# e2e_atspi COMMAND ARGS...: runs atspi_probe.py (commands and options
# there), e.g. e2e_atspi label --pid "$E2E_PID" --window "Soft Test Report"
# --name "Program memory". Prints what it found; status 1 on timeout.
e2e_atspi() {
  "$E2E_SYS_PYTHON" "$E2E_LIB_DIR/atspi_probe.py" "$@"
}

# ------------------------------------------- system bus, logind, HTTP

# e2e_start_system_bus: a private bus that the program takes for the
# system bus (exports DBUS_SYSTEM_BUS_ADDRESS); stopped at exit.
e2e_start_system_bus() { e2e__start_bus DBUS_SYSTEM_BUS_ADDRESS "system bus"; }

# e2e_wait_sni_item: waits up to 10 s until a StatusNotifierItem is
# registered with the watcher and sets E2E_SNI_ITEM to the first one.
e2e_wait_sni_item() {
  local i
  E2E_SNI_ITEM=
  for ((i = 0; i < 100; i++)); do
    E2E_SNI_ITEM=$("$E2E_SYS_PYTHON" "$E2E_LIB_DIR/sni_probe.py" items 2>/dev/null | head -n 1 || true)
    [[ -n $E2E_SNI_ITEM ]] && return 0
    sleep 0.1
  done
  e2e_fail "no StatusNotifierItem registered within 10 s"
}

# e2e_start_fake_login1 LOG [OPTIONS...]: the logind stand-in
# fake_login1.py on DBUS_SYSTEM_BUS_ADDRESS, logging its calls to LOG;
# waits until it owns its name. Sets E2E_LOGIN1_PID.
e2e_start_fake_login1() {
  local log=$1 ready i
  shift
  ready=$E2E_TMP/login1-ready.$RANDOM
  "$E2E_SYS_PYTHON" "$E2E_LIB_DIR/fake_login1.py" --log "$log" --ready "$ready" "$@" \
    >"$E2E_TMP/login1.out" 2>&1 &
  E2E_LOGIN1_PID=$!
  e2e_track "$E2E_LOGIN1_PID"
  for ((i = 0; i < 100; i++)); do
    [[ -s $ready ]] && return 0
    e2e_alive "$E2E_LOGIN1_PID" || e2e_fail "fake_login1.py ended at start: $(tail -n 5 "$E2E_TMP/login1.out")"
    sleep 0.1
  done
  e2e_fail "fake_login1.py did not own org.freedesktop.login1 within 10 s"
}

# e2e_start_http_fixture [OPTIONS...]: http_fixture.py on 127.0.0.1 with
# OPTIONS (e.g. --mode silent --root DIR --log FILE); waits for its port.
# Sets E2E_HTTP_PORT and E2E_HTTP_PID.
e2e_start_http_fixture() {
  local portfile i
  portfile=$E2E_TMP/http-port.$RANDOM
  python3 "$E2E_LIB_DIR/http_fixture.py" --port-file "$portfile" "$@" >/dev/null 2>"$E2E_TMP/http.err" &
  E2E_HTTP_PID=$!
  e2e_track "$E2E_HTTP_PID"
  for ((i = 0; i < 100; i++)); do
    if [[ -s $portfile ]]; then
      E2E_HTTP_PORT=$(tr -d ' \n' <"$portfile")
      return 0
    fi
    e2e_alive "$E2E_HTTP_PID" || e2e_fail "http_fixture.py ended at start: $(tail -n 5 "$E2E_TMP/http.err")"
    sleep 0.1
  done
  e2e_fail "http_fixture.py gave no port within 10 s"
}

# e2e_stop_pid PID: stops one process started by the test (TERM, then
# KILL after 3 s) before the test ends.
e2e_stop_pid() { e2e__stop "$1"; }

# e2e_expect_no_window NAME SECONDS [PID]: watches SECONDS long that no
# window titled exactly NAME is mapped; fails as soon as one is, or when
# PID (default: the last started program) ends meanwhile.
e2e_expect_no_window() {
  local name=$1 deadline=$((SECONDS + $2)) pid=${3:-${E2E_PID:-}}
  while ((SECONDS < deadline)); do
    [[ -z $(e2e_visible_windows "$name") ]] || e2e_fail "a window \"$name\" appeared"
    if [[ -n $pid ]] && ! e2e_alive "$pid"; then
      e2e_fail "the program (pid $pid) ended while no \"$name\" window was expected"
    fi
    sleep 0.1
  done
}

# e2e_wait_window_gone NAME [SECONDS]: waits until no window titled
# exactly NAME is mapped.
e2e_wait_window_gone() {
  local name=$1 deadline=$((SECONDS + ${2:-5}))
  while [[ -n $(e2e_visible_windows "$name") ]]; do
    ((SECONDS < deadline)) || e2e_fail "the window \"$name\" is still there after ${2:-5} s"
    sleep 0.05
  done
}

# ------------------------------------------------------ journal stand-in
# (only in a test that sourced private_mounts.sh first)

# e2e_start_fake_journal LOG: a tmpfs over /run/systemd/journal in the
# test's private mount namespace (over its nearest existing parent when the
# folder is missing, so that nothing is made on the machine), and
# fake_journald.py bound at /run/systemd/journal/socket, writing each entry
# it receives to LOG as a JSON line. Sets E2E_JOURNAL_PID.
e2e_start_fake_journal() {
  local dir=/run/systemd/journal top ready i
  [[ $(readlink /proc/self/ns/mnt) != "$(readlink /proc/1/ns/mnt)" ]] ||
    e2e_fail "e2e_start_fake_journal outside a private mount namespace (source private_mounts.sh first)"
  top=$dir
  while [[ ! -d $top ]]; do top=$(dirname "$top"); done
  [[ $top != / ]] || e2e_fail "no folder to mount the private journal folder over"
  mount -t tmpfs -o mode=755,size=16m ostra-test-journal "$top" || e2e_fail "could not mount a tmpfs over $top"
  mkdir -p "$dir"
  ready=$E2E_TMP/journal-ready.$RANDOM
  "$E2E_SYS_PYTHON" "$E2E_LIB_DIR/fake_journald.py" --log "$1" --ready "$ready" >"$E2E_TMP/journal.out" 2>&1 &
  E2E_JOURNAL_PID=$!
  e2e_track "$E2E_JOURNAL_PID"
  for ((i = 0; i < 100; i++)); do
    [[ -s $ready && -S $dir/socket ]] && return 0
    e2e_alive "$E2E_JOURNAL_PID" || e2e_fail "fake_journald.py ended at start: $(tail -n 5 "$E2E_TMP/journal.out")"
    sleep 0.1
  done
  e2e_fail "fake_journald.py did not bind its socket within 10 s"
}

# e2e_journal_select LOG KEY=VALUE...: prints the entries of LOG (JSON
# lines of fake_journald.py) whose fields have all the given values.
e2e_journal_select() {
  local log=$1
  shift
  [[ -f $log ]] || return 0
  "$E2E_SYS_PYTHON" - "$log" "$@" <<'PY'
import json, sys
want = [a.split("=", 1) for a in sys.argv[2:]]
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if all(e.get(k) == v for k, v in want):
        print(line, end="")
PY
}

# e2e_journal_field ENTRY KEY: prints the value of KEY in one JSON entry
# (a field given more than once: each value on its own line).
e2e_journal_field() {
  "$E2E_SYS_PYTHON" -c '
import json, sys
v = json.loads(sys.stdin.read()).get(sys.argv[1])
if v is None:
    sys.exit(1)
print("\n".join(v) if isinstance(v, list) else v)' "$2" <<<"$1"
}
