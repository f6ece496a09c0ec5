#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The tray icon in an XEmbed tray (trayer, started before the program): the
# icon window is embedded in trayer's panel; its two pictures alternate; a
# right click opens the popup menu as a window of its own; "Hide" and "Show"
# from that menu unmap and map the main window; a single left click on the
# icon does nothing, a double-click shows the hidden window again;
# "Minimize" leaves the icon mapped, at its size and animating, and a
# double-click on it brings the window back; with the (modal) options window
# open the icon's menu still opens and its "Hide" closes the options window
# and hides the main window; "Exit Program" ends the program, which writes
# its settings.
# (An XEmbed tip cannot be read from outside; the SNI test reads the tip.)
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_start_trayer
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_map_state "$MAIN" IsViewable

# icon_window: waits for the program's icon window inside trayer's panel and
# sets E2E_X, E2E_Y, E2E_W, E2E_H to its geometry and ICON to its id.
icon_window() {
  local line=
  for ((i = 0; i < 100; i++)); do
    line=$(xwininfo -id "$E2E_TRAY_PANEL" -tree 2>/dev/null | grep -F '("ostra" "Ostra")' | head -n 1 || true)
    [[ -n $line ]] && break
    sleep 0.1
  done
  [[ -n $line ]] || e2e_fail "no icon window of the program inside trayer's panel"
  ICON=$(awk '{print $1}' <<<"$line")
  e2e_geometry "$ICON"
}

# The icon: a window of the program inside trayer's panel.
icon_window
ICON_X=$E2E_X ICON_Y=$E2E_Y ICON_W=$E2E_W ICON_H=$E2E_H
e2e_note "icon window $ICON at $ICON_X,$ICON_Y ${ICON_W}x$ICON_H"
e2e_geometry "$E2E_TRAY_PANEL"
((ICON_X >= E2E_X && ICON_Y >= E2E_Y && ICON_X + ICON_W <= E2E_X + E2E_W && ICON_Y + ICON_H <= E2E_Y + E2E_H)) ||
  e2e_fail "the icon ($ICON_X,$ICON_Y ${ICON_W}x$ICON_H) lies outside trayer's panel ($E2E_X,$E2E_Y ${E2E_W}x$E2E_H)"
CX=$((ICON_X + ICON_W / 2)) CY=$((ICON_Y + ICON_H / 2))

# Its picture alternates between two pictures: two points of it, read from
# one capture of the icon's place.
icon_picture() {
  convert "x:root[${ICON_W}x$ICON_H+$ICON_X+$ICON_Y]" -depth 8 \
    -format "%[hex:p{$((ICON_W / 2)),$((ICON_H / 2))}]/%[hex:p{$((ICON_W / 4)),$((ICON_H / 4))}]" info:
}
expect_icon_animating() {
  local -A seen=()
  local changes=0 last='' p k
  for ((i = 0; i < 24; i++)); do
    p=$(icon_picture)
    seen[$p]=$((${seen[$p]:-0} + 1))
    [[ -n $last && $p != "$last" ]] && changes=$((changes + 1))
    last=$p
    sleep 0.03
  done
  e2e_note "icon pictures seen ($1): $(for k in "${!seen[@]}"; do printf '%s x%s  ' "$k" "${seen[$k]}"; done)"
  e2e_assert_eq 2 "${#seen[@]}" "number of different icon pictures ($1)"
  ((changes >= 3)) || e2e_fail "the icon picture changed only $changes times in 24 reads ($1)"
  for k in "${!seen[@]}"; do
    [[ $k != "000000/000000" ]] || e2e_fail "one icon picture is plain black (nothing drawn; $1)"
  done
}
expect_icon_animating "at start"

# menu_window: waits for the popup menu window (a mapped program window that
# is neither the main window nor the icon) and sets MENU_* to its geometry.
menu_window() {
  local w ids
  for ((i = 0; i < 50; i++)); do
    ids=$(xdotool search --onlyvisible --class '^Ostra$' 2>/dev/null || true)
    for w in $ids; do
      [[ $w == "$MAIN" || $w == "$((ICON))" || $w == "${OPTIONS:-}" ]] && continue
      e2e_geometry "$w"
      if ((E2E_W > 100 && E2E_H > 200)); then
        MENU=$w MENU_X=$E2E_X MENU_Y=$E2E_Y MENU_W=$E2E_W MENU_H=$E2E_H
        return 0
      fi
    done
    sleep 0.1
  done
  e2e_fail "no menu window after a right click on the icon"
}

# menu_entry N: the screen row of the N-th of the 24 entries (0-based; only
# for entries above the first separator, where every row has the same
# height: 19 entries share the height with 5 thin separators).
menu_entry_y() { echo $((MENU_Y + (2 * $1 + 1) * MENU_H / 38)); }

open_menu() {
  xdotool mousemove "$CX" "$CY" click 3
  menu_window
  e2e_note "menu window $MENU at $MENU_X,$MENU_Y ${MENU_W}x$MENU_H"
  ((MENU_X >= 0 && MENU_Y >= 0 && MENU_X + MENU_W <= 1280 && MENU_Y + MENU_H <= 1024)) ||
    e2e_fail "the menu lies partly outside the screen"
}

# Right click: the menu; "Hide" (third entry) unmaps the main window.
open_menu
xdotool mousemove $((MENU_X + MENU_W / 3)) "$(menu_entry_y 2)"
sleep 0.2
xdotool click 1
e2e_wait_map_state "$MAIN" IsUnMapped
[[ $(e2e_map_state "$MENU") != IsViewable ]] || e2e_fail "the menu is still open after a click on an entry"
e2e_assert_alive "$E2E_PID" "the program after Hide"

# "Show" (second entry) maps it again, at its place.
open_menu
xdotool mousemove $((MENU_X + MENU_W / 3)) "$(menu_entry_y 1)"
sleep 0.2
xdotool click 1
e2e_wait_map_state "$MAIN" IsViewable
e2e_wait_position "$MAIN" 201 116

# Hide again; a single click on the icon does nothing, a double-click
# shows the window.
open_menu
xdotool mousemove $((MENU_X + MENU_W / 3)) "$(menu_entry_y 2)"
sleep 0.2
xdotool click 1
e2e_wait_map_state "$MAIN" IsUnMapped
xdotool mousemove "$CX" "$CY" click 1
sleep 1
e2e_assert_eq IsUnMapped "$(e2e_map_state "$MAIN")" "main window after a single click on the icon"
xdotool mousemove "$CX" "$CY" click --repeat 2 --delay 80 1
e2e_wait_map_state "$MAIN" IsViewable

# "Minimize" (RxSpeedButton15 on Panel2): the main window goes, the icon
# stays mapped at its size and keeps animating; a double-click on it brings
# the window back.
e2e_geometry "$MAIN"
xdotool mousemove $((E2E_X + 290)) $((E2E_Y + 43)) click 1
e2e_wait_map_state "$MAIN" IsUnMapped
sleep 0.5
e2e_assert_eq IsViewable "$(e2e_map_state "$ICON")" "the icon window while minimized"
e2e_geometry "$ICON"
e2e_assert_eq "${ICON_W}x$ICON_H" "${E2E_W}x$E2E_H" "the icon's size while minimized"
expect_icon_animating "while minimized"
xdotool mousemove "$CX" "$CY" click --repeat 2 --delay 80 1
e2e_wait_map_state "$MAIN" IsViewable

# With the options window open (modal; RxSpeedButton13 on Panel5) the icon
# still answers: a double-click runs "Show", which closes the options
# window; from the menu, "Hide" closes it and hides the main window.
open_options() {
  e2e_geometry "$MAIN"
  xdotool mousemove $((E2E_X + 73)) $((E2E_Y + 323)) click 1
  e2e_wait_window "Resource Emergency Warning Option" 10
  OPTIONS=$E2E_WID
}
options_closed() {
  for ((i = 0; i < 50; i++)); do
    [[ $(e2e_map_state "$OPTIONS") == IsViewable ]] || return 0
    sleep 0.1
  done
  e2e_fail "the options window is still open after $1"
}
open_options
xdotool mousemove "$CX" "$CY" click --repeat 2 --delay 80 1
options_closed "a double-click on the icon"
e2e_assert_eq IsViewable "$(e2e_map_state "$MAIN")" "the main window after Show from the icon"
open_options
open_menu
xdotool mousemove $((MENU_X + MENU_W / 3)) "$(menu_entry_y 2)"
sleep 0.2
xdotool click 1
e2e_wait_map_state "$MAIN" IsUnMapped
options_closed "Hide from the icon's menu"
e2e_assert_ini "$E2E_PROG/tevo.ini" x xx1 95  # closed as by the user: written
OPTIONS=
xdotool mousemove "$CX" "$CY" click --repeat 2 --delay 80 1
e2e_wait_map_state "$MAIN" IsViewable

# Whole captures of the animated icon, for the comparison at the end.
for ((i = 0; i < 8; i++)); do
  convert "x:root[${ICON_W}x$ICON_H+$ICON_X+$ICON_Y]" "$E2E_TMP/animated-$i.png"
  sleep 0.07
done

# "Exit Program", the last entry of the original menu (the entries of what
# grew and "Load history..." follow it, after a separator), ends the
# program, which stores its settings on the way out. Up from no entry picks
# the last one.
open_menu
sleep 0.2
xdotool key Up Up Up Up Return
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program still runs 10 s after Exit Program"
e2e_assert_eq 0 "$E2E_EXIT" "exit status after Exit Program"
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 201
e2e_assert_alive "$E2E_TRAYER_PID" "trayer after the program ended"

# The animation's pictures are drawn by the X server from copies uploaded
# once; the still icon is painted by Qt. The first picture must come out
# the same to the pixel, panel background and edges included.
OSTRA_TRAY_STILL=1 e2e_start_program
e2e_wait_window Brisel 15
icon_window
e2e_assert_eq "$ICON_X,$ICON_Y ${ICON_W}x$ICON_H" "$E2E_X,$E2E_Y ${E2E_W}x$E2E_H" "the still icon's place"
sleep 1
convert "x:root[${ICON_W}x$ICON_H+$ICON_X+$ICON_Y]" "$E2E_TMP/still.png"
same=0 other=0
for f in "$E2E_TMP"/animated-*.png; do
  if [[ $(compare -metric AE "$E2E_TMP/still.png" "$f" null: 2>&1) == 0 ]]; then
    same=$((same + 1))
  else
    other=$((other + 1))
  fi
done
e2e_note "animated captures equal to Qt's still picture: $same, others: $other"
((same >= 1 && other >= 1)) ||
  e2e_fail "the animated icon never matched Qt's painting of its first picture, or never left it"

e2e_pass
