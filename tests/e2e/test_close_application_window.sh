#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# "Close" in "What grew since the start point" asks a real X client's
# window to close the way its own close button would, in the real program
# on a private X server; the buttons are found over AT-SPI and clicked with
# the pointer:
#   - a program without a window (a copy of memhog), selected: "Close" is
#     not offered, while "Pause" is;
#   - a real X client (a copy of the x_window helper: one Qt window with
#     _NET_WM_PID and WM_DELETE_WINDOW), selected: "Close" makes it close
#     its window and end by itself (exit status 0), without a window
#     manager (WM_DELETE_WINDOW to the window) and again with openbox
#     managing the screen (_NET_CLOSE_WINDOW, carried out by openbox).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/act_lib.sh
. "$(dirname "$0")/act_lib.sh"

XWINDOW=${OSTRA_X_WINDOW:-$(cd "$OSTRA_DIST/.." && pwd)/tests/x_window}
[[ -x $XWINDOW ]] || e2e_fail "no x_window helper at $XWINDOW (build the tests)"

# client NAME: a copy of x_window called NAME, its window moved off the
# windows of the program; sets CLIENT_PID.
client() {
  local wid
  cp "$XWINDOW" "$E2E_TMP/$1"
  env -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON "$E2E_TMP/$1" >"$E2E_TMP/$1.out" 2>&1 &
  CLIENT_PID=$!
  e2e_track "$CLIENT_PID"
  wid=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$CLIENT_PID" --name '^x-window test helper$' |
    head -n 1) || e2e_fail "$1 showed no window"
  xdotool windowmove "$wid" 1000 850
}

# closes NAME: selects the row of NAME, presses "Close" and waits until
# the client has ended by itself.
closes() {
  row "$1" ''
  click "$GREW" "$1"
  enabled Close
  e2e_assert_alive "$CLIENT_PID" "$1 before Close"
  click "$GREW" Close "push button"
  e2e_wait_exit "$CLIENT_PID" 10 || e2e_fail "$1 still runs 10 s after Close ($2)"
  e2e_assert_eq 0 "$E2E_EXIT" "$1's exit status after Close ($2)"
}

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\nSoundCheck=0\r\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
sleep 1.5 # the start point's snapshot

hog zebranowindow 16
client zebraxwinone
open_grew

# No window, no Close.
row zebranowindow ''
click "$GREW" zebranowindow
enabled Pause
[[ ,$(button_states Close), != *,enabled,* ]] || e2e_fail "Close is offered for a program without a window"

closes zebraxwinone "no window manager"

e2e_start_openbox
client zebraxwintwo
closes zebraxwintwo "with openbox"
e2e_assert_alive "$E2E_PID" "the program"
e2e_pass "a real window closed by itself through Close, without and with a window manager"
