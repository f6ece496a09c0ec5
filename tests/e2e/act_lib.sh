# shellcheck shell=bash
# Helpers of the end-to-end tests that act on applications from "What grew
# since the start point": the test programs, their process state, and the
# window's table and buttons found over AT-SPI and clicked with the
# pointer. Source lib.sh first; the window's helpers read the program's
# pid from $E2E_PID.

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
GREW="What grew since the start point"

# state PID: the process's state letter (T while stopped, - when gone).
state() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || {
    echo -
    return
  }
  stat=${stat##*) }
  echo "${stat:0:1}"
}

# wait_state PID LETTER SECONDS
wait_state() {
  local i
  for ((i = 0; i < $3 * 20; i++)); do
    [[ $(state "$1") == "$2" ]] && return 0
    sleep 0.05
  done
  return 1
}

# hog NAME MIB [VAR=VALUE...]: a copy of memhog called NAME holding MIB
# MiB, with more of its settings in its environment; sets HOG_PID. With
# HOG_JOIN naming a control group's cgroup.procs, it joins that group
# before it starts.
hog() {
  local name=$1 mib=$2 pidfile=$E2E_TMP/$1.pid i
  shift 2
  cp "$MEMHOG" "$E2E_TMP/$name"
  # shellcheck disable=SC2016 # expanded by the inner shell
  env "$@" MEMHOG_MIB="$mib" MEMHOG_PIDFILE="$pidfile" \
    sh -c '[ -z "$1" ] || echo $$ >"$1" || exit 9; exec "$2"' sh "${HOG_JOIN:-}" "$E2E_TMP/$name" &
  HOG_PID=$!
  e2e_track "$HOG_PID"
  for ((i = 0; i < 1200; i++)); do
    [[ -s $pidfile ]] && return 0
    e2e_alive "$HOG_PID" || e2e_fail "$name ended at start"
    sleep 0.05
  done
  e2e_fail "$name did not take its memory within 60 s"
}

# click WINDOW NAME [ROLE]: a pointer click in the middle of the object
# named NAME of the window.
click() {
  local box x y w h
  box=$(e2e_atspi extents --pid "$E2E_PID" --window "$1" --name "$2" ${3:+--role "$3"} --timeout 10) ||
    e2e_fail "no '$2' in '$1' over AT-SPI"
  read -r x y w h <<<"$box"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

# button_states NAME: the AT-SPI states of the window's button NAME.
button_states() {
  e2e_atspi info --pid "$E2E_PID" --window "$GREW" --name "$1" --role "push button" | sed -n 's/^states=//p'
}

# enabled NAME: waits until the button NAME of the window is enabled.
enabled() {
  local i
  for ((i = 0; i < 50; i++)); do
    [[ ,$(button_states "$1"), == *,enabled,* ]] && return 0
    sleep 0.2
  done
  e2e_fail "the button '$1' did not become enabled"
}

# row NAME REGEX: waits until the table's row of NAME matches REGEX.
row() {
  e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table --match "^$1"$'\t'"$2" --timeout 15 >/dev/null ||
    e2e_fail "the row of $1 never matched '$2'"
}

# open_grew: opens "What grew since the start point" with its key.
open_grew() {
  xdotool key --clearmodifiers ctrl+g
  e2e_wait_window "$GREW" 10
}
