#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Acting on an application from "What grew since the start point", in the
# real program on a private X server with the accessibility bus; the
# buttons are found over AT-SPI by their names and clicked with the
# pointer:
#   - a program of a distinctive name (a copy of memhog) holding 512 MiB,
#     selected in the table: "Pause" stops it (T in /proc/PID/stat) and its
#     row reads "paused"; "Resume" lets it run again;
#   - "End" asks first ("End <name>? It holds ... in 1 process.", buttons
#     "End" and "Cancel"); "End" in the question ends it;
#   - a second one paused is running again within 5 s of Ostra's SIGTERM.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
GREW="What grew since the start point"

# state PID: the process's state letter (T while stopped, - when gone).
state() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo -; return; }
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

# hog NAME MIB: a copy of memhog called NAME holding MIB MiB; sets HOG_PID.
hog() {
  local pidfile=$E2E_TMP/$1.pid i
  cp "$MEMHOG" "$E2E_TMP/$1"
  MEMHOG_MIB=$2 MEMHOG_PIDFILE=$pidfile "$E2E_TMP/$1" &
  HOG_PID=$!
  e2e_track "$HOG_PID"
  for ((i = 0; i < 1200; i++)); do
    [[ -s $pidfile ]] && return 0
    sleep 0.05
  done
  e2e_fail "$1 did not take its memory within 60 s"
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

# enabled NAME: waits until the button NAME of the window is enabled.
enabled() {
  local i
  for ((i = 0; i < 50; i++)); do
    e2e_atspi info --pid "$E2E_PID" --window "$GREW" --name "$1" --role "push button" | grep -q '^states=.*enabled' &&
      return 0
    sleep 0.2
  done
  e2e_fail "the button '$1' did not become enabled"
}

# row NAME REGEX: waits until the table's row of NAME matches REGEX.
row() {
  e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table --match "^$1"$'\t'"$2" --timeout 15 >/dev/null ||
    e2e_fail "the row of $1 never matched '$2'"
}

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\nSoundCheck=0\r\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
sleep 1.5 # the start point's snapshot

hog zebraactone 512
ONE=$HOG_PID
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+g
e2e_wait_window "$GREW" 10
row zebraactone ''
click "$GREW" zebraactone
enabled Pause
# The State column: the sixth, empty until something is done.
heads=$(e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table | sed -n 1p)
e2e_assert_eq $'Application\tAt the start point\tNow\tGrowth\tProcesses\tState' "$heads" "the column headers"

click "$GREW" Pause "push button"
wait_state "$ONE" T 5 || e2e_fail "Pause did not stop zebraactone (state $(state "$ONE"))"
row zebraactone $'.*\tpaused$'
enabled Resume
click "$GREW" Resume "push button"
wait_state "$ONE" S 5 || e2e_fail "Resume did not let zebraactone run (state $(state "$ONE"))"
row zebraactone $'.*\t$'

enabled End
click "$GREW" End "push button"
question=$(e2e_atspi texts --pid "$E2E_PID" --window Confirm --match 'End zebraactone\?' --timeout 10) ||
  e2e_fail "no question before End: $question"
[[ $question == *"End zebraactone? It holds "*" in 1 process."* ]] || e2e_fail "the question: $question"
e2e_alive "$ONE" || e2e_fail "zebraactone ended before the question was answered"
click Confirm End "push button"
e2e_wait_exit "$ONE" 10 || e2e_fail "End did not end zebraactone"
e2e_note "the question: $(grep -m1 'End zebraactone' <<<"$question")"

# A second one paused: running again within 5 s of Ostra's SIGTERM.
hog zebraacttwo 64
TWO=$HOG_PID
xdotool key --clearmodifiers F5
row zebraacttwo ''
click "$GREW" zebraacttwo
enabled Pause
click "$GREW" Pause "push button"
wait_state "$TWO" T 5 || e2e_fail "Pause did not stop zebraacttwo"
e2e_assert_eq "process $TWO" "$(cut -d' ' -f1,2 "$E2E_PROG/paused.txt")" "paused.txt names it"
kill -TERM "$E2E_PID"
wait_state "$TWO" S 5 || e2e_fail "zebraacttwo still stopped 5 s after Ostra's SIGTERM (state $(state "$TWO"))"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "Ostra did not end on SIGTERM"
e2e_pass "paused, resumed and ended after the question; the second running again after SIGTERM"
