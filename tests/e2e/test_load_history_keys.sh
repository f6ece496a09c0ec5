#!/usr/bin/env bash
# The window "Load history" as a screen-reader and keyboard user meets it on
# the real program, through AT-SPI and real keys (xdotool):
#   - the window is a frame; the span buttons are radio buttons, one
#     checked, and a click on another moves the check to it;
#   - a click gives the plot the focus; End, Left and Home move its cursor,
#     and the read-out under the plot, a label, reads the date and time of
#     the second under the cursor (End: the newest, Home: ten minutes
#     before), with its load;
#   - the span and the window's size chosen are in "tevo.ini" after the
#     close and come back with the next run.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"
export LC_ALL=C

e2e_start_program
e2e_wait_window Brisel 15
MAIN_WID=$E2E_WID
e2e_wait_position "$MAIN_WID" 201 116
blank_x=$((E2E_X + 60)) blank_y=$((E2E_Y + 240))
sleep 3

xdotool mousemove "$blank_x" "$blank_y" click 1
xdotool key ctrl+h
e2e_wait_window "Load history" 15
LH_WID=$E2E_WID

atspi() { e2e_atspi "$@" --pid "$E2E_PID" --window "Load history" --timeout 20; }

# A frame, with radio buttons for the spans.
top=$(atspi dump | head -n 1) || e2e_fail "the window is not on the accessibility bus"
[[ $top == "frame 'Load history'"* ]] || e2e_fail "the window is not a frame: $top"
states=$(atspi info --name "1 hour" --role "radio button" | sed -n 's/^states=//p') ||
  e2e_fail "no radio button \"1 hour\""
[[ ,$states, == *,checked,* ]] || e2e_fail "\"1 hour\" is not checked at first: $states"
read -r x y w h < <(atspi extents --name "10 min" --role "radio button") || e2e_fail "no radio button \"10 min\""
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
for ((i = 0; i < 50; i++)); do
  s10=$(atspi info --name "10 min" --role "radio button" | sed -n 's/^states=//p')
  s1=$(atspi info --name "1 hour" --role "radio button" | sed -n 's/^states=//p')
  [[ ,$s10, == *,checked,* && ,$s1, != *,checked,* ]] && break
  sleep 0.2
done
[[ ,$s10, == *,checked,* && ,$s1, != *,checked,* ]] || e2e_fail "the click did not move the check: 10 min $s10; 1 hour $s1"

# The plot takes the focus; the keys move the cursor, the label reads it.
read -r x y w h < <(atspi extents --name "Load history" --role chart) || e2e_fail "no plot"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
plot_states=$(atspi info --name "Load history" --role chart | sed -n 's/^states=//p')
[[ ,$plot_states, == *,focused,* ]] || e2e_fail "the plot did not take the focus: $plot_states"
xdotool mousemove "$blank_x" "$blank_y" # off the plot: only the keys move the cursor
stamp='^[A-Z][a-z]{2} [0-9]{1,2} [A-Z][a-z]{2} [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}  (load [0-9]+ %  memory pressure |no sample$)'
# read_out OLD: sets READ_TEXT to the label's text once it matches the stamp
# and differs from OLD, and READ_BEFORE / READ_AFTER to the clock's seconds
# around the reading that found it (the plot moves on a second a second,
# the read-out with it).
read_out() {
  local i t
  for ((i = 0; i < 10; i++)); do
    READ_BEFORE=$(date +%s)
    t=$(e2e_atspi label --pid "$E2E_PID" --window "Load history" --role label --text-prefix "$(date '+%a')" \
      --match "$stamp" --timeout 2 2>/dev/null) || t=
    READ_AFTER=$(date +%s)
    if [[ -n $t && $t != "$1" ]]; then
      READ_TEXT=$t
      return 0
    fi
    sleep 0.2
  done
  echo "last read: $t" >&2
  return 1
}
# seconds TEXT: the time of a read-out, in seconds since the epoch.
seconds() { date -d "$(cut -c5- <<<"$1" | sed 's/  load.*//; s/  no sample//')" +%s; }
xdotool key End
read_out "" || e2e_fail "End: no read-out in a label"
end_text=$READ_TEXT
end_t=$(seconds "$end_text")
((end_t >= READ_BEFORE - 2 && end_t <= READ_AFTER)) ||
  e2e_fail "End reads $end_text, not the newest second ($READ_BEFORE..$READ_AFTER)"
# Home: ten minutes before (the first of 600 seconds shown).
xdotool key Home
read_out "$end_text" || e2e_fail "Home did not change the read-out from $end_text"
home_text=$READ_TEXT
home_t=$(seconds "$home_text")
((home_t >= READ_BEFORE - 601 && home_t <= READ_AFTER - 598)) ||
  e2e_fail "Home reads $home_text, not ten minutes before it was read ($READ_BEFORE..$READ_AFTER)"
# Four times Right: four columns on, the fourth second of the span (a
# column is a little less than a second wide).
xdotool key Right Right Right Right
read_out "$home_text" || e2e_fail "Right did not move the read-out from $home_text"
right_text=$READ_TEXT
right_t=$(seconds "$right_text")
((right_t >= READ_BEFORE - 597 && right_t <= READ_AFTER - 595)) ||
  e2e_fail "four Rights from the first column read $right_text ($READ_BEFORE..$READ_AFTER)"
e2e_note "End: $end_text; Home: $home_text; 4 x Right: $right_text"

# Size and span into the settings at the close, back at the next run.
xdotool windowsize "$LH_WID" 900 420
sleep 1
e2e_close_window "$LH_WID"
e2e_wait_window_gone "Load history" 10
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_assert_ini "$E2E_PROG/tevo.ini" LoadHistory Range 600
e2e_assert_ini "$E2E_PROG/tevo.ini" LoadHistory Width 900
e2e_start_program
e2e_wait_window Brisel 15
e2e_wait_position "$E2E_WID" 201 116
xdotool mousemove "$blank_x" "$blank_y" click 1
xdotool key ctrl+h
e2e_wait_window "Load history" 15
states=$(atspi info --name "10 min" --role "radio button" | sed -n 's/^states=//p')
[[ ,$states, == *,checked,* ]] || e2e_fail "the next run does not show the 10 minutes: $states"
e2e_geometry "$E2E_WID"
w=$E2E_W h=$E2E_H
((w == 900 && h == 420)) || e2e_fail "the next run's window is ${w}x$h, not 900x420"
e2e_pass "a frame with radio buttons; the keys move the cursor and the label reads it; span and size kept"
