#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The popup menu from the keyboard, with real key events through the X
# server: on the main window Shift+F10 opens it as the Menu key does, over
# the window (at the control with the focus), and it is the popup menu
# itself: Escape closes it, and its third entry ("Hide"), chosen with the
# arrow keys and Enter, hides the main window.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
sleep 1 # the start-up sequence and the first re-fill are over

viewable_toplevels() {
  local w
  for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
    if [[ $(e2e_map_state "$w") == IsViewable ]]; then echo "$w"; fi
  done
}

# menu_by_key KEY: presses KEY on the main window and waits for a new
# viewable top-level window: sets MENU and its geometry in E2E_X...
menu_by_key() {
  local before i
  xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
  before=$(viewable_toplevels)
  xdotool key --clearmodifiers "$1"
  MENU=
  for ((i = 0; i < 30 && ${#MENU} == 0; i++)); do
    sleep 0.1
    MENU=$(comm -13 <(sort <<<"$before") <(viewable_toplevels | sort) | head -n 1)
  done
  [[ -n $MENU ]] || e2e_fail "no popup menu after $1 on the main window"
  e2e_geometry "$MENU"
  e2e_note "$1: menu window $MENU at $E2E_X,$E2E_Y ${E2E_W}x$E2E_H"
}

# menu_closed WHAT: waits until the menu window is gone from the screen.
menu_closed() {
  local i
  for ((i = 0; i < 30; i++)); do
    [[ $(e2e_map_state "$MENU") == IsViewable ]] || return 0
    sleep 0.1
  done
  e2e_fail "the menu stayed open after $1"
}

e2e_geometry "$MAIN"
MX=$E2E_X MY=$E2E_Y MW=$E2E_W MH=$E2E_H
for key in Menu shift+F10; do
  menu_by_key "$key"
  # The popup menu's 27 entries with their 5 separators: far taller than
  # any control's own menu.
  e2e_assert_range 400 1024 "$E2E_H" "height of the menu opened by $key"
  e2e_assert_range "$MX" $((MX + MW)) "$E2E_X" "left edge of the menu opened by $key (over the window)"
  e2e_assert_range "$MY" $((MY + MH)) "$E2E_Y" "top edge of the menu opened by $key (over the window)"
  xdotool key Escape
  menu_closed "Escape"
done

# Shift+F10, then "Hide" (Refresh Memory, Show, Hide) from the keyboard.
menu_by_key shift+F10
xdotool key Down Down Down Return
menu_closed "Enter on an entry"
e2e_wait_map_state "$MAIN" IsUnMapped
e2e_assert_alive "$E2E_PID" "the program"

e2e_pass
