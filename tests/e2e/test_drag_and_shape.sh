#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Moving the main window with the mouse and its shape, on a display without
# a window manager (the program moves the window itself then):
#   - a drag that starts on a caption or on a gauge moves the window by
#     exactly the mouse's way;
#   - a drag that starts on a panel's empty area or on the rest timer
#     display does not move it;
#   - the white gaps between the controls are not part of the window: the
#     screen behind shows through, the pointer there is over the root
#     window, and a drag from there does not move the window;
#   - the moved place is what the program stores at its end;
#   - resting the pointer on the small gauge Gauge3 (which passes the mouse
#     through) shows the green rounded tool tip;
#   - a right click on a button of the right column opens the popup menu;
#   - under openbox the window appears at its stored place and a drag moves
#     it exactly too (the window manager does the move then).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
sleep 1  # the start-up sequence and the first re-fill are over

# drag WX WY DX DY: press the left button at window offset WX,WY of the
# window's current place, move by DX,DY in ten steps, release.
drag() {
  local i
  e2e_geometry "$MAIN"
  xdotool mousemove $((E2E_X + $1)) $((E2E_Y + $2))
  sleep 0.1
  xdotool mousedown 1
  sleep 0.1
  for ((i = 1; i <= 10; i++)); do
    xdotool mousemove $((E2E_X + $1 + $3 * i / 10)) $((E2E_Y + $2 + $4 * i / 10))
    sleep 0.03
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.3
}

# expect_at X Y WHAT: the window stands at X,Y (and stays there).
expect_at() {
  e2e_geometry "$MAIN"
  e2e_assert_eq "$1,$2" "$E2E_X,$E2E_Y" "$3"
  e2e_assert_eq 390x756 "${E2E_W}x$E2E_H" "window size after $3"
}

# The "Used Res" caption of the display.
drag 120 97 50 30
expect_at 251 146 "the window after a drag from the \"Used Res\" caption"
# The centre pie gauge (inside the diamond), back up and left.
drag 148 176 -70 -20
expect_at 181 126 "the window after a drag from the centre gauge"
# The analysis panel's "Start Res" bar.
drag 200 414 19 -10
expect_at 200 116 "the window after a drag from the \"Start Res\" bar"

# A panel's empty area: Panel1 between the list buttons and the timer
# buttons; then the rest timer display.
drag 362 161 -40 25
expect_at 200 116 "the window after a drag from Panel1's empty area"
drag 270 188 -30 30
expect_at 200 116 "the window after a drag from the rest timer display"

# The gap between the display and the right column (window offset 340,150)
# and one left of the analysis panel: the screen behind shows, the pointer
# is over the root window there.
root=$(xwininfo -root | awk '/Window id:/ {print $4}')
for gap in "340 150" "20 500" "100 339"; do
  read -r gx gy <<<"$gap"
  ax=$((200 + gx)) ay=$((116 + gy))
  px=$(e2e_pixel "$ax" "$ay")
  [[ $px != FFFFFF ]] || e2e_fail "the gap at window offset $gx,$gy is painted white (part of the window)"
  xdotool mousemove "$ax" "$ay"
  sleep 0.1
  under=$(python3 "$E2E_LIB_DIR/xpointer.py") || e2e_fail "could not ask the X server for the window under the pointer"
  e2e_assert_eq "$((root))" "$under" "window under the pointer at window offset $gx,$gy"
done
# ... while the controls around it are the window's.
for spot in "330 150" "360 150" "120 97"; do
  read -r sx sy <<<"$spot"
  xdotool mousemove $((200 + sx)) $((116 + sy))
  sleep 0.1
  under=$(python3 "$E2E_LIB_DIR/xpointer.py") || e2e_fail "could not ask the X server for the window under the pointer"
  e2e_assert_eq "$MAIN" "$under" "window under the pointer at window offset $sx,$sy"
done
drag 340 150 60 40
expect_at 200 116 "the window after a drag from a gap of the shape"

# The program stores the place it was moved to.
# The tool tip of Gauge3 (2,2 on Panel6 at 1,83): a window of the tip's
# green appears below the pointer.
e2e_geometry "$MAIN"
xdotool mousemove $((E2E_X + 20)) $((E2E_Y + 92))
green=0
for ((i = 0; i < 40 && green < 50; i++)); do
  sleep 0.1
  green=$(import -window root -crop 160x60+$((E2E_X + 10))+$((E2E_Y + 92)) -depth 8 txt:- 2>/dev/null | grep -ci '#00FF40' || true)
done
((green >= 50)) || e2e_fail "no green tool tip below the pointer on Gauge3 ($green pixels)"
xdotool mousemove 5 1000
sleep 0.5

# A right click on "Edit the startup list" (RxSpeedButton16, 0,2 on Panel1
# at 352,73): the popup menu opens as a new window at the pointer.
viewable_toplevels() {
  local w
  for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
    if [[ $(e2e_map_state "$w") == IsViewable ]]; then echo "$w"; fi
  done
}
before=$(viewable_toplevels)
px=$((E2E_X + 362))
xdotool mousemove "$px" $((E2E_Y + 84)) click 3
menu=
for ((i = 0; i < 30; i++)); do
  [[ -z $menu ]] || break
  sleep 0.1
  menu=$(comm -13 <(sort <<<"$before") <(viewable_toplevels | sort) | head -n 1)
done
[[ -n $menu ]] || e2e_fail "no popup menu after a right click on a right-column button"
e2e_geometry "$menu"
e2e_assert_range $((px - 5)) $((px + 5)) "$E2E_X" "menu's left edge (at the pointer)"
xdotool key Escape
for ((i = 0; i < 30; i++)); do
  [[ $(e2e_map_state "$menu") == IsViewable ]] || break
  sleep 0.1
done
[[ $(e2e_map_state "$menu") != IsViewable ]] || e2e_fail "the menu stayed open after Escape"
e2e_geometry "$MAIN"

e2e_close_window "$MAIN"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end after the close request"
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 200
e2e_assert_ini "$E2E_PROG/tevo.ini" W top 116

# Under a window manager (openbox) the program asks it to move the window:
# the window still appears at its stored place and follows the mouse exactly.
e2e_start_openbox
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 200 116
sleep 1
drag 120 97 50 30
expect_at 250 146 "the window after a drag under openbox"
e2e_close_window "$MAIN"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end after the close request under openbox"
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 250

e2e_pass
