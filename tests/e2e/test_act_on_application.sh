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
#   - a second one paused is running again within 5 s of Ostra's SIGTERM;
#   - a third one paused stays stopped when Ostra is killed with SIGKILL
#     (nothing of Ostra runs to resume it), and runs again within 5 s of
#     Ostra's next start.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/act_lib.sh
. "$(dirname "$0")/act_lib.sh"

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
open_grew
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

# A third one paused: stopped while Ostra is killed, running again at the
# next start.
e2e_start_program
e2e_wait_window Brisel 15
sleep 1.5 # the start point's snapshot
hog zebraactthree 64
THREE=$HOG_PID
open_grew
row zebraactthree ''
click "$GREW" zebraactthree
enabled Pause
click "$GREW" Pause "push button"
wait_state "$THREE" T 5 || e2e_fail "Pause did not stop zebraactthree"
row zebraactthree $'.*\tpaused$'
kill -KILL "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "Ostra did not end on SIGKILL"
sleep 1
e2e_assert_eq T "$(state "$THREE")" "zebraactthree's state after Ostra was killed"
e2e_assert_eq "process $THREE" "$(cut -d' ' -f1,2 "$E2E_PROG/paused.txt")" "paused.txt left by the killed run"
e2e_start_program
wait_state "$THREE" S 5 || e2e_fail "zebraactthree still stopped 5 s after the next start (state $(state "$THREE"))"
e2e_wait_window Brisel 15
e2e_assert_eq "" "$(cat "$E2E_PROG/paused.txt")" "paused.txt after the next start"
e2e_pass "paused, resumed and ended after the question; the second running again after SIGTERM, the third at the next start after SIGKILL"
