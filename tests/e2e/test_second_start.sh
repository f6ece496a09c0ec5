#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# One running copy per executable:
#  1. a second start while a copy runs ends with status 0 within 5 s, shows
#     no window of its own and writes nothing; the first copy runs on (same
#     pid, still the one "Brisel" window);
#  2. two starts at the same moment leave exactly one copy running, the
#     other ends with status 0;
#  3. a copy killed with SIGKILL leaves no lock behind: the next start runs,
#     and it again turns a further start away;
#  4. a second start brings back a copy whose windows were minimized (its
#     "Minimize" button), at the same place.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

# second_start_refused WHAT: starts the program from $E2E_PROG while
# another copy runs; it must end with 0 within 5 s without mapping a window.
second_start_refused() {
  e2e_start_program
  local pid=$E2E_PID deadline=$((SECONDS + 5))
  while e2e_alive "$pid"; do
    if [[ -n $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null) ]]; then
      e2e_fail "$1: the second copy (pid $pid) showed a window"
    fi
    ((SECONDS < deadline)) || e2e_fail "$1: the second copy (pid $pid) still runs after 5 s"
    sleep 0.05
  done
  e2e_wait_exit "$pid" 1
  e2e_assert_eq 0 "$E2E_EXIT" "$1: exit status of the second copy"
}

e2e_start_xvfb

e2e_note "1. second start while a copy runs"
e2e_new_program_folder
e2e_start_program
first=$E2E_PID
e2e_wait_window Brisel 15
wid=$E2E_WID
sleep 1
second_start_refused "second start"
sleep 1
e2e_assert_alive "$first" "the first copy after the second start"
e2e_assert_eq "$wid" "$(e2e_visible_windows Brisel)" "the visible \"Brisel\" windows"
e2e_assert_eq "$first" "$(xdotool getwindowpid "$wid" 2>/dev/null)" "pid of the \"Brisel\" window"
e2e_assert_no_file "$E2E_PROG/tevo.ini" "settings file after the refused start"
kill -TERM "$first"
e2e_wait_exit "$first" 10 || e2e_fail "the first copy did not end within 10 s of SIGTERM"

e2e_note "2. two starts at the same moment"
e2e_new_program_folder
e2e_start_program
a=$E2E_PID
e2e_start_program
b=$E2E_PID
deadline=$((SECONDS + 8))
while e2e_alive "$a" && e2e_alive "$b"; do
  ((SECONDS < deadline)) || e2e_fail "both copies still run 8 s after starting together"
  sleep 0.05
done
if e2e_alive "$a"; then survivor=$a loser=$b; else survivor=$b loser=$a; fi
e2e_wait_exit "$loser" 1
e2e_assert_eq 0 "$E2E_EXIT" "exit status of the copy that gave way"
e2e_wait_window Brisel 15 "$survivor"
sleep 1
e2e_assert_alive "$survivor" "the copy that won"
e2e_assert_eq 1 "$(e2e_visible_windows Brisel | wc -l)" "number of visible \"Brisel\" windows"
e2e_assert_eq "$survivor" "$(xdotool getwindowpid "$E2E_WID" 2>/dev/null)" "pid of the \"Brisel\" window"

e2e_note "3. a copy killed with SIGKILL does not block the next start"
kill -KILL "$survivor"
e2e_wait_exit "$survivor" 5 || e2e_fail "the killed copy did not go"
for ((i = 0; i < 50; i++)); do
  [[ -z $(e2e_visible_windows Brisel) ]] && break
  sleep 0.1
done
e2e_start_program
next=$E2E_PID
e2e_wait_window Brisel 15 "$next"
sleep 1
e2e_assert_alive "$next" "the start after SIGKILL"
second_start_refused "second start after SIGKILL"
e2e_assert_alive "$next" "the start after SIGKILL, after another start"

e2e_note "4. a second start restores a minimized copy"
wid=$(e2e_visible_windows Brisel)
e2e_geometry "$wid"
place="$E2E_X,$E2E_Y"
# "Minimize" is the button at 120,0 of the title-bar button panel at 160,34.
xdotool mousemove $((E2E_X + 160 + 129)) $((E2E_Y + 34 + 9)) click 1
for ((i = 0; i < 50; i++)); do
  [[ -z $(e2e_visible_windows Brisel) ]] && break
  sleep 0.1
done
[[ -z $(e2e_visible_windows Brisel) ]] || e2e_fail "\"Minimize\" left the main window on the screen"
e2e_assert_alive "$next" "the minimized copy"
second_start_refused "second start while minimized"
for ((i = 0; i < 50; i++)); do
  [[ -n $(e2e_visible_windows Brisel) ]] && break
  sleep 0.1
done
e2e_assert_eq "$wid" "$(e2e_visible_windows Brisel)" "the visible \"Brisel\" windows after the second start"
e2e_geometry "$wid"
e2e_assert_eq "$place" "$E2E_X,$E2E_Y" "place of the restored window"

e2e_pass
