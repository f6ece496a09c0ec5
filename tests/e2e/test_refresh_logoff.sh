#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# "Refresh Memory" against a logind stand-in on a private system bus
# (fake_login1.py logs every call it gets). One run of the program, the
# command reached each of its three ways:
#  1. F7 on the main window, "Confirm" answered with Escape: nothing is
#     asked of logind;
#  2. the popup menu entry, the "Confirm" box closed through its close
#     request (WM_DELETE_WINDOW): nothing is asked either;
#  3. a folder at the protection marker's path is no marker: the question
#     comes as usual (Escape again: nothing);
#  4. a file at the marker's path: the plain "Ostra" box comes instead of
#     the question; its OK leaves everything as it was;
#  5. the picture button, answered with Enter (Yes is the default): the
#     log-off request, GetSessionByPID with the program's own pid and then
#     Terminate of the session logind named. The program does not end by
#     itself (the log-off would end it) and still ends normally on SIGTERM.
#  6. a logind that finds no session for the program's pid (as for an
#     application in a user scope on GNOME) but a display session for its
#     user: Enter terminates that session, found through GetUser and the
#     user's Display property.
# The log holds exactly the two calls of step 5, then the four of step 6.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

LOG=$E2E_TMP/login1.log
MARKER=$E2E_TMP/qzx.a
export OSTRA_PROTECTION_MARKER=$MARKER

# logged: the calls logind got so far.
logged() { cat "$LOG" 2>/dev/null || true; }

# nothing_logged WHAT: a second's grace for a late call, then none there.
# popup_menu: the id of a viewable top-level window other than the main
# window (Qt names its popup menus in _NET_WM_NAME only, which xdotool's
# name search does not see); empty when there is none.
popup_menu() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | grep -oE '^ +0x[0-9a-f]+'); do
    ((id != MAIN)) && [[ $(e2e_map_state "$id") == IsViewable ]] && echo "$id" && return 0
  done
  return 0
}

nothing_logged() {
  sleep 1
  [[ -z $(logged) ]] || e2e_fail "$1: logind was called: $(logged | tr '\n' ';')"
  e2e_assert_alive "$E2E_PID" "the program after $1"
}

e2e_start_xvfb
e2e_start_system_bus
e2e_start_fake_login1 "$LOG"
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
main_x=$E2E_X main_y=$E2E_Y
# A point of the display panel that holds no control.
blank_x=$((main_x + 60)) blank_y=$((main_y + 240))

e2e_note "1. F7, Escape"
xdotool mousemove "$blank_x" "$blank_y" click 1
xdotool key F7
e2e_wait_window Confirm 5
e2e_assert_eq "" "$(e2e_visible_windows Ostra)" "plain boxes beside the question"
xdotool key Escape
e2e_wait_window_gone Confirm 5
nothing_logged "Escape"

e2e_note "2. popup menu entry, box closed by its close request"
xdotool mousemove "$blank_x" "$blank_y" click 3
for ((i = 0; i < 100; i++)); do
  [[ -n $(popup_menu) ]] && break
  sleep 0.05
done
[[ -n $(popup_menu) ]] || e2e_fail "no popup menu after a right click on the main window"
# "Refresh Memory" is the menu's first entry.
xdotool key Down Return
e2e_wait_window Confirm 5
python3 "$E2E_LIB_DIR/xclose.py" delete "$E2E_WID" || e2e_fail "could not send the close request"
e2e_wait_window_gone Confirm 5
nothing_logged "the close request"

e2e_note "3. a folder at the marker's path"
mkdir "$MARKER"
xdotool mousemove "$blank_x" "$blank_y" click 1
xdotool key F7
e2e_wait_window Confirm 5
xdotool key Escape
e2e_wait_window_gone Confirm 5
nothing_logged "Escape with a folder at the marker's path"
rmdir "$MARKER"

e2e_note "4. the marker file"
: >"$MARKER"
xdotool mousemove $((main_x + 275)) $((main_y + 276)) click 1
e2e_wait_window Ostra 5
box=$E2E_WID
e2e_geometry "$box"
[[ ${E2E_W}x$E2E_H != 387x137 ]] || e2e_fail "the \"Ostra\" window has the warning window's size"
e2e_expect_no_window Confirm 2
xdotool key Return
for ((i = 0; i < 100; i++)); do
  [[ $(e2e_map_state "$box") != IsViewable ]] && break
  sleep 0.05
done
[[ $(e2e_map_state "$box") != IsViewable ]] || e2e_fail "the \"Ostra\" box stays after OK"
e2e_expect_no_window Confirm 1
nothing_logged "the marker file"
rm "$MARKER"

# refresh_with_enter: the picture button, Enter on "Confirm", then a wait
# for the Terminate and a second for anything after it.
refresh_with_enter() {
  xdotool mousemove $((main_x + 275)) $((main_y + 276)) click 1
  e2e_wait_window Confirm 5
  xdotool key Return
  e2e_wait_window_gone Confirm 5
  for ((i = 0; i < 100; i++)); do
    grep -q '^Session.Terminate' "$LOG" 2>/dev/null && break
    sleep 0.05
  done
  sleep 1
}

e2e_note "5. the picture button, Enter"
refresh_with_enter
expected=$(printf 'Manager.GetSessionByPID %s\nSession.Terminate c%s' "$E2E_PID" "$E2E_PID")
e2e_assert_eq "$expected" "$(logged)" "calls to logind"
e2e_assert_alive "$E2E_PID" "the program after the log-off request"

e2e_note "6. outside every session (GNOME's application scopes): the user's display session"
e2e_stop_pid "$E2E_LOGIN1_PID"
LOG=$E2E_TMP/login1-scope.log
e2e_start_fake_login1 "$LOG" --behaviour no-session --user-display 2
refresh_with_enter
expected=$(printf 'Manager.GetSessionByPID %s\nManager.GetUser %s\nUser.Get Display %s\nSession.Terminate 2' \
  "$E2E_PID" "$(id -u)" "$(id -u)")
e2e_assert_eq "$expected" "$(logged)" "calls to logind outside every session"
e2e_assert_alive "$E2E_PID" "the program after the second log-off request"

kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_assert_eq 0 "$E2E_EXIT" "exit status"

e2e_pass
