#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The shutdown sequence writes the settings file. From a fresh program
# folder, after a first start:
#  1. SIGTERM (as at the end of a desktop session), no window manager: the
#     program ends with status 0;
#  2. the window closed from the desktop, with openbox managing the screen
#     (close request through the window manager, see lib.sh): the program
#     ends with status 0.
# Each time tevo.ini then holds the sections "my11" and "W" (not "x": the
# warning options were never opened), the start counter 1, the first-start
# values of every main window setting, and in "Gauge5" the memory load of
# the moment; "res.list" holds the empty history.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

# check_settings WHAT POSITION: POSITION is the expected "left,top".
check_settings() {
  local ini=$E2E_PROG/tevo.ini what=$1
  e2e_assert_file "$ini" "$what: settings file"
  e2e_ini_has_section "$ini" my11 || e2e_fail "$what: tevo.ini lacks section [my11]"
  e2e_ini_has_section "$ini" W || e2e_fail "$what: tevo.ini lacks section [W]"
  ! e2e_ini_has_section "$ini" x || e2e_fail "$what: tevo.ini has section [x] although the options were never opened"
  e2e_assert_ini "$ini" my11 SpinEdit1 1
  e2e_assert_ini "$ini" W checkbox1 0
  e2e_assert_ini "$ini" W RxSpeedButton11 1
  e2e_assert_ini "$ini" W Autoconnecttheonlinupgrade1 1
  e2e_assert_ini "$ini" W FFFF 0
  e2e_assert_ini "$ini" W FFFF2 0
  e2e_assert_ini "$ini" W LMDLEDLabel3 60
  local left top gauge load
  left=$(e2e_ini_get "$ini" W left) || e2e_fail "$what: no left in [W]"
  top=$(e2e_ini_get "$ini" W top) || e2e_fail "$what: no top in [W]"
  e2e_assert_eq "$2" "$left,$top" "$what: stored window position"
  gauge=$(e2e_ini_get "$ini" W Gauge5) || e2e_fail "$what: no Gauge5 in [W]"
  e2e_assert_range 0 100 "$gauge" "$what: Gauge5"
  load=$(e2e_memory_load)
  e2e_assert_range $((load - 5)) $((load + 5)) "$gauge" "$what: Gauge5 against the memory load now ($load)"
  e2e_assert_file "$E2E_PROG/res.list" "$what: history file"
  e2e_assert_eq 0 "$(stat -c %s "$E2E_PROG/res.list")" "$what: size of res.list (history off: empty list)"
}

e2e_start_xvfb

e2e_note "1. SIGTERM"
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
sleep 2
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "SIGTERM: the program still runs 10 s later"
e2e_assert_eq 0 "$E2E_EXIT" "SIGTERM: exit status"
check_settings "SIGTERM" "201,116"

e2e_note "2. window closed through the window manager"
e2e_start_openbox
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
sleep 2
e2e_geometry "$E2E_WID"
shown="$E2E_X,$E2E_Y"
e2e_close_window "$E2E_WID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "close: the program still runs 10 s after the close request"
e2e_assert_eq 0 "$E2E_EXIT" "close: exit status"
e2e_assert_eq "201,116" "$shown" "close: window position under openbox"
check_settings "close" "201,116"

e2e_pass
