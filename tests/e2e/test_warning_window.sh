#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The resource emergency warning of the real program on a real display.
# The load limit [x] xx1 is set under the machine's memory load, so the
# first ticks find the load over the limit:
#   - the warning window (title "Ostra", 387x137, centred on the screen)
#     opens by itself within two seconds of the main window;
#   - its colour panel blinks: read at one point across the ticks it is
#     red (255,0,0) and blue (0,0,255) and nothing else;
#   - Escape does not close it;
#   - before "OK" the main window's title strip is blue; pressing "OK"
#     closes the warning, which stays closed although the load is still
#     over the limit, and the title strip and the small load gauge turn red;
#   - at a new start the warning comes again, and its "Exit Program" ends
#     the program with the settings written.
# The rise warning is switched off ([x] checkbox2=0) so that only the load
# limit can fire.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

RED="srgb(255,0,0)"
BLUE="srgb(0,0,255)"

# pixel X Y: the colour at root position X,Y as ImageMagick names it.
pixel() { convert "x:root[1x1+$1+$2]" -format '%[pixel:p{0,0}]' info:; }


load=$(e2e_memory_load)
((load >= 1)) || e2e_fail "the memory load is $load %: no limit below it to pass"
# Ten points of margin: other programs may free memory while the test
# runs, and a load back at the limit would end the acknowledged state.
limit=$((load >= 10 ? load - 10 : 0))
e2e_note "memory load $load %, limit xx1=$limit"

e2e_start_xvfb
e2e_new_program_folder
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
main_x=$E2E_X main_y=$E2E_Y

# --- the warning opens by itself within two seconds
start=$(date +%s.%N)
warn=
while [[ -z $warn ]]; do
  warn=$(e2e_warning_windows)
  awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { exit !(n - s <= 2.0) }' || break
  [[ -n $warn ]] || sleep 0.05
done
[[ -n $warn ]] || e2e_fail "no warning window (\"Ostra\", 387x137) within 2 s of the main window"
waited=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }')
e2e_note "warning window after $waited s"
e2e_assert_eq 1 "$(wc -l <<<"$warn")" "warning windows on screen"
e2e_geometry "$warn"
wx=$E2E_X wy=$E2E_Y
e2e_assert_range 446 447 "$wx" "warning window x (centred on 1280)"
e2e_assert_range 443 444 "$wy" "warning window y (centred on 1024)"

# --- the panel blinks: a point of the panel left of the message, sampled
# over about four ticks.
declare -A seen=()
for ((i = 0; i < 10; i++)); do
  c=$(pixel $((wx + 44)) $((wy + 50)))
  seen[$c]=1
  sleep 0.4
done
colours="${!seen[*]}"
[[ -n ${seen[$RED]:-} && -n ${seen[$BLUE]:-} ]] || e2e_fail "the panel did not blink red/blue: saw $colours"
((${#seen[@]} == 2)) || e2e_fail "the panel showed other colours than red and blue: $colours"
e2e_assert_eq "$warn" "$(e2e_warning_windows)" "the one warning window while it blinks"

# --- Escape, with the keyboard focus on the warning window, leaves it open.
xdotool windowfocus --sync "$warn" 2>/dev/null || e2e_fail "could not focus the warning window"
xdotool key Escape
sleep 1
e2e_assert_eq "$warn" "$(e2e_warning_windows)" "the warning window after Escape"

# --- "OK": the acknowledged state
e2e_assert_eq "$BLUE" "$(pixel $((main_x + 38)) $((main_y + 44)))" "title strip before OK"
xdotool mousemove $((wx + 197)) $((wy + 112)) click 1
for ((i = 0; i < 40; i++)); do
  [[ -z $(e2e_warning_windows) ]] && break
  sleep 0.05
done
[[ -z $(e2e_warning_windows) ]] || e2e_fail "the warning window is still open after OK"
# Left of the "Ostra   V" label: only the strip is there (the button panel
# further right keeps its own blue).
e2e_assert_eq "$RED" "$(pixel $((main_x + 38)) $((main_y + 44)))" "title strip after OK"
if ((load < 85)); then
  # The unfilled right end of the small "Now Res" bar shows its back colour.
  e2e_assert_eq "$RED" "$(pixel $((main_x + 35)) $((main_y + 92)))" "small load gauge after OK"
fi
sleep 3
e2e_assert_eq "" "$(e2e_warning_windows)" "warning windows 3 s after OK (load still over the limit)"
e2e_assert_eq "$RED" "$(pixel $((main_x + 38)) $((main_y + 44)))" "title strip 3 s after OK"
e2e_assert_alive "$E2E_PID" "the program after OK"

# --- "Exit Program" on the warning ends the program through the shutdown
# sequence. A second start from the same folder warns again (the state
# does not outlive a run).
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
rm -f "$E2E_PROG/tevo.ini"
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
for ((i = 0; i < 60; i++)); do
  warn=$(e2e_warning_windows)
  [[ -n $warn ]] && break
  sleep 0.05
done
[[ -n $warn ]] || e2e_fail "no warning window at the second start"
e2e_geometry "$warn"
xdotool mousemove $((E2E_X + 303)) $((E2E_Y + 112)) click 1
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program still runs 10 s after \"Exit Program\""
e2e_assert_eq 0 "$E2E_EXIT" "exit status after \"Exit Program\""
e2e_assert_ini "$E2E_PROG/tevo.ini" W LMDLEDLabel3 60
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 201
e2e_assert_ini "$E2E_PROG/tevo.ini" x xx1 "$limit"

e2e_pass
