#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The software test of the real program, driven as a user drives it: the
# picture button on the main window, the program chosen in the real open
# dialog by typing its full path, "TEST RESULT" clicked on the report, the
# message box read and answered through AT-SPI. The program under test is
# the helper memhog, configured through the environment the program hands
# on. Three rounds, each in a fresh program folder and a fresh run:
#  1. 200 MiB with a child process: memhog runs with no arguments, in its
#     own process group and its own folder, as the program's child; after
#     "TEST RESULT" both processes are gone (the child may stay a zombie of
#     the container's init, never of the program) and the box says
#     "Well done the test...";
#  2. 800 MiB with a child, both ignoring SIGTERM: ended all the same;
#  3. a program that ended by itself 2 s after its start: the report's
#     memory line says so ("Program memory: peak N MiB ..., ended by
#     itself") while the test goes on; "TEST RESULT" then says "Fail to
#     close the test software...", and leaves no zombie of it behind.
# In rounds 1 and 2 the peak the report shows ("Program memory: peak
# N MiB ...") is within 5% of the "Maximum resident set size" that GNU time
# measures for the same memhog run alone.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
REPORT="Soft Test Report"

# reference_mib MIB: the peak resident size in MiB that /usr/bin/time
# reports for memhog holding MIB MiB (with its child) and then ending.
reference_mib() {
  local out=$E2E_TMP/time-$1.txt kib
  env MEMHOG_MIB="$1" MEMHOG_CHILD=1 MEMHOG_EXIT_AFTER=1 /usr/bin/time -v "$MEMHOG" 2>"$out" ||
    e2e_fail "memhog under /usr/bin/time failed: $(cat "$out")"
  kib=$(awk -F': *' '/Maximum resident set size/ {print $2}' "$out")
  [[ $kib =~ ^[0-9]+$ ]] || e2e_fail "no maximum resident set size in: $(cat "$out")"
  awk -v k="$kib" 'BEGIN { printf "%.1f\n", k / 1024 }'
}

# proc_field PID N: field N of /proc/PID/stat (3 state, 4 ppid, 5 pgrp).
proc_field() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  # After the command name: field 3 is the first word.
  awk -v n=$(($2 - 2)) '{print $n}' <<<"$stat"
}

# ended PID: the process runs no more, and is not left unreaped by the
# program (a zombie whose parent is another process, e.g. an init that
# never reaps, is tolerated).
ended() {
  local state
  state=$(proc_field "$1" 3) || return 0
  [[ $state == Z && $(proc_field "$1" 4) != "$E2E_PID" ]]
}

# wait_ended PID WHAT
wait_ended() {
  local i
  for ((i = 0; i < 200; i++)); do
    ended "$1" && return 0
    sleep 0.05
  done
  e2e_fail "$2 (pid $1) has not ended: state $(proc_field "$1" 3 || echo gone), parent $(proc_field "$1" 4 || echo -)"
}

# peak_of TEXT: the peak MiB of a "Program memory: peak N MiB ..." text.
peak_of() { sed -nE 's/^Program memory: peak ([0-9]+\.[0-9]) MiB.*/\1/p' <<<"$1"; }

# start_test ROUND: a fresh run with the MEMHOG_* variables the caller
# exported, the software test started from the main window's picture
# button and memhog chosen in the open dialog. Sets PARENT and CHILD.
start_test() {
  local round=$1 i
  e2e_new_program_folder
  # The two limit warnings off: their window must not come up while
  # memhog raises the load.
  printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"
  export MEMHOG_PIDFILE=$E2E_TMP/memhog-$round.pid
  e2e_start_program
  e2e_wait_window Brisel 15
  e2e_wait_position "$E2E_WID" 201 116
  e2e_atspi window --pid "$E2E_PID" --window Brisel --timeout 20 >/dev/null ||
    e2e_fail "round $round: the main window is not on the accessibility bus"

  # "dxfPictureButton2" at 264,347 (111x37) of the main window.
  xdotool mousemove $((201 + 264 + 55)) $((116 + 347 + 18)) click 1
  e2e_wait_window "Select the software to test" 10
  local dialog=$E2E_WID
  xdotool windowactivate --sync "$dialog" 2>/dev/null || true
  xdotool type --delay 10 "$MEMHOG"
  # The completer's list may take the first Enter.
  for ((i = 0; i < 3; i++)); do
    xdotool key Return
    e2e_wait_map_state_quiet "$dialog" 3 && break
  done
  [[ $(e2e_map_state "$dialog") != IsViewable ]] || e2e_fail "round $round: the open dialog did not take the typed path"

  for ((i = 0; i < 200; i++)); do
    [[ -s $MEMHOG_PIDFILE ]] && break
    sleep 0.05
  done
  [[ -s $MEMHOG_PIDFILE ]] || e2e_fail "round $round: memhog did not come up (no $MEMHOG_PIDFILE)"
  read -r PARENT CHILD <"$MEMHOG_PIDFILE"
  e2e_wait_window "$REPORT" 10
}

# check_launch ROUND: memhog as the software test must start it.
check_launch() {
  local round=$1
  e2e_assert_eq "$E2E_PID" "$(proc_field "$PARENT" 4)" "round $round: parent of memhog"
  e2e_assert_eq "$PARENT" "$(proc_field "$PARENT" 5)" "round $round: process group of memhog"
  e2e_assert_eq "$PARENT" "$(proc_field "$CHILD" 5)" "round $round: process group of memhog's child"
  [[ $(proc_field "$E2E_PID" 5) != "$PARENT" ]] || e2e_fail "round $round: the program shares memhog's group"
  e2e_assert_eq "$(dirname "$MEMHOG")" "$(readlink "/proc/$PARENT/cwd")" "round $round: memhog's current folder"
  e2e_assert_eq 1 "$(tr '\0' '\n' <"/proc/$PARENT/cmdline" | wc -l)" "round $round: words of memhog's command line"
}

# wait_samples ROUND N: waits until the report's progress shows N seconds.
wait_samples() {
  e2e_atspi value --pid "$E2E_PID" --window "$REPORT" --name Process --role "progress bar" --min "$2" --timeout 30 >/dev/null ||
    e2e_fail "round $1: the report did not reach $2 samples"
}

# press_test_result ROUND: clicks "TEST RESULT" where it stands on the
# report window, and checks that place against the window's layout.
press_test_result() {
  local round=$1 ext x y w h
  ext=$(e2e_atspi extents --pid "$E2E_PID" --window "$REPORT" --name "TEST RESULT" --role "push button") ||
    e2e_fail "round $round: no \"TEST RESULT\" button on the report"
  read -r x y w h <<<"$ext"
  e2e_wait_window "$REPORT" 5
  e2e_geometry "$E2E_WID"
  e2e_assert_eq "$((E2E_X + 232)) $((E2E_Y + 366)) 113 33" "$x $y $w $h" "round $round: place of \"TEST RESULT\""
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

# answer_box ROUND TEXT: the message box "Ostra" shows TEXT; its OK closes it.
answer_box() {
  local round=$1 texts
  texts=$(e2e_atspi texts --pid "$E2E_PID" --window Ostra --match "$2" --timeout 15) ||
    e2e_fail "round $round: no message box \"Ostra\" saying \"$2\": $texts"
  e2e_note "round $round: the box says: $(grep -o "$2" <<<"$texts" | head -n 1)"
  e2e_atspi press --pid "$E2E_PID" --window Ostra --name OK --role "push button" ||
    e2e_fail "round $round: could not press OK on the message box"
  local i
  for ((i = 0; i < 100; i++)); do
    [[ -z $(e2e_visible_windows Ostra) ]] && return 0
    sleep 0.05
  done
  e2e_fail "round $round: the message box is still open after OK"
}

# fault MESSAGE: a fault that does not stop the test: the other rounds
# still run, and the test fails at its end with every fault found.
FAULTS=()
fault() {
  echo "FAULT [$E2E_NAME]: $*" >&2
  FAULTS+=("$*")
}

# memory_line ROUND [MATCH]: sets MEMORY_LINE to the report's "Program
# memory: ..." line once it matches MATCH (default: its final form, "at the
# end"), read as a screen reader reads it (the label whose text starts so);
# empty (and a fault) when it cannot be read.
memory_line() {
  local seen match=${2:-at the end}
  if ! MEMORY_LINE=$(e2e_atspi label --pid "$E2E_PID" --window "$REPORT" --role label \
    --text-prefix "Program memory:" --match "$match" --timeout 10 2>&1); then
    seen=$(e2e_atspi label --pid "$E2E_PID" --window "$REPORT" --name "Program memory" --timeout 1 2>&1 || true)
    fault "round $1: no label of the report reads \"Program memory: ... $match ...\" over AT-SPI" \
      "(${MEMORY_LINE//$'\n'/ | }; the label named \"Program memory\" reads \"${seen//$'\n'/ | }\")"
    MEMORY_LINE=
    # What it shows, for a person to read (kept with E2E_KEEP=1).
    e2e_wait_window "$REPORT" 5
    import -window "$E2E_WID" "$E2E_TMP/report-$1.png" 2>/dev/null || true
  fi
}

# check_peak ROUND REFERENCE_MIB: the report's final peak is within 5% of
# the reference.
check_peak() {
  local round=$1 peak
  memory_line "$round"
  [[ -n $MEMORY_LINE ]] || return 0
  e2e_note "round $round: $MEMORY_LINE (GNU time: $2 MiB)"
  peak=$(peak_of "$MEMORY_LINE")
  if [[ -z $peak ]]; then
    fault "round $round: no peak in \"$MEMORY_LINE\""
  elif ! awk -v p="$peak" -v r="$2" 'BEGIN { exit !(p >= 0.95 * r && p <= 1.05 * r) }'; then
    fault "round $round: peak $peak MiB is not within 5% of GNU time's $2 MiB"
  fi
}

# e2e_wait_map_state_quiet WID SECONDS: true once the window is no longer
# viewable (unmapped or destroyed), false on timeout.
e2e_wait_map_state_quiet() {
  local deadline=$((SECONDS + $2))
  while [[ $(e2e_map_state "$1") == IsViewable ]]; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}

# end_run: the program ends on SIGTERM.
end_run() {
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
  unset MEMHOG_MIB MEMHOG_CHILD MEMHOG_IGNORE_TERM MEMHOG_EXIT_AFTER MEMHOG_PIDFILE
}

ref200=$(reference_mib 200)
ref800=$(reference_mib 800)
e2e_note "GNU time: memhog 200 MiB peaks at $ref200 MiB, 800 MiB at $ref800 MiB"

e2e_start_xvfb
e2e_start_atspi
e2e_start_openbox

e2e_note "1. 200 MiB with a child"
export MEMHOG_MIB=200 MEMHOG_CHILD=1
start_test 1
check_launch 1
wait_samples 1 3
press_test_result 1
wait_ended "$PARENT" "round 1: memhog"
wait_ended "$CHILD" "round 1: memhog's child"
answer_box 1 "Well done the test\.\.\."
check_peak 1 "$ref200"
end_run

e2e_note "2. 800 MiB with a child, SIGTERM ignored"
export MEMHOG_MIB=800 MEMHOG_CHILD=1 MEMHOG_IGNORE_TERM=1
start_test 2
check_launch 2
for pid in "$PARENT" "$CHILD"; do
  ignored=$(awk '/^SigIgn:/ {print $2}' "/proc/$pid/status")
  (((0x$ignored >> 14) & 1)) || e2e_fail "round 2: memhog (pid $pid) does not ignore SIGTERM (SigIgn $ignored)"
done
wait_samples 2 3
press_test_result 2
wait_ended "$PARENT" "round 2: memhog ignoring SIGTERM"
wait_ended "$CHILD" "round 2: memhog's child ignoring SIGTERM"
answer_box 2 "Well done the test\.\.\."
check_peak 2 "$ref800"
end_run

e2e_note "3. a program that ended by itself"
export MEMHOG_MIB=50 MEMHOG_CHILD=1 MEMHOG_EXIT_AFTER=2
start_test 3
e2e_assert_eq "$E2E_PID" "$(proc_field "$PARENT" 4)" "round 3: parent of memhog"
# Wait until it has exited by itself (the program may hold it unreaped
# until the test ends: its pid keeps the process group id taken).
for ((i = 0; i < 200; i++)); do
  ! e2e_alive "$PARENT" && ! e2e_alive "$CHILD" && break
  sleep 0.05
done
! e2e_alive "$PARENT" || e2e_fail "round 3: memhog still runs 10 s after it should have exited"
wait_samples 3 4
# Ended by itself while the test goes on: the line says so, with a peak.
memory_line 3 'ended by itself'
[[ -z $MEMORY_LINE ]] || e2e_note "round 3, sampling: $MEMORY_LINE"
[[ -z $MEMORY_LINE || -n $(peak_of "$MEMORY_LINE") ]] || fault "round 3: no peak in \"$MEMORY_LINE\""
press_test_result 3
answer_box 3 "Fail to close the test software\.\.\."
wait_ended "$PARENT" "round 3: memhog that exited by itself"
wait_ended "$CHILD" "round 3: memhog's child that exited by itself"
memory_line 3 'ended by itself'
[[ -z $MEMORY_LINE ]] || e2e_note "round 3, ended: $MEMORY_LINE"
end_run

if ((${#FAULTS[@]})); then
  e2e_fail "$(printf '%s\n' "${FAULTS[@]}")"
fi
e2e_pass
