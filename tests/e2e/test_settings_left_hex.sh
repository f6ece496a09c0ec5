#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The stored window position is applied at start, read with the settings
# file's number rules, and written back in decimal at close:
#  - "[W]" "left=0x20" puts the window at x 32 (top stays 116); after
#    SIGTERM the file holds left=32;
#  - section and key names in other letter cases, "0X" hex: [w] LEFT=0X30
#    TOP=0x40 puts it at 48,64;
#  - an unreadable left (abc) keeps the design place 201;
#  - a negative left is applied unchanged;
#  - a left in single quotes ('5') reads as 5;
#  - a left off the right edge (5000) is set to 0 when the window is
#    activated, stays there on a bare X server (no window manager: the
#    program's own placement after mapping must not bring 5000 back) and
#    is saved as 0.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

# start_with INI X Y: fresh folder with tevo.ini = INI (printf format), the
# window must show at X,Y.
# shellcheck disable=SC2059
start_with() {
  e2e_note "tevo.ini $(printf '%q' "$(printf "$1")") -> $2,$3"
  e2e_new_program_folder
  printf "$1" >"$E2E_PROG/tevo.ini"
  e2e_start_program
  e2e_wait_window Brisel 15
  e2e_wait_position "$E2E_WID" "$2" "$3"
}

stop_program() {
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program still runs 10 s after SIGTERM"
  e2e_assert_eq 0 "$E2E_EXIT" "exit status after SIGTERM"
}

e2e_start_xvfb

start_with '[W]\nleft=0x20\n' 32 116
sleep 1
e2e_geometry "$E2E_WID"
e2e_assert_eq "32,116" "$E2E_X,$E2E_Y" "window position 1 s later"
stop_program
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 32
e2e_assert_ini "$E2E_PROG/tevo.ini" W top 116

start_with '[w]\r\nLEFT=0X30\r\nTOP=0x40\r\n' 48 64
stop_program

start_with '[W]\nleft=abc\n' 201 116
stop_program
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 201

start_with '[W]\nleft=-40\n' -40 116
stop_program
e2e_assert_ini "$E2E_PROG/tevo.ini" W left -40

start_with "[W]\\nleft='5'\\n" 5 116
stop_program
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 5

start_with '[W]\nleft=5000\ntop=300\n' 0 300
sleep 1
e2e_geometry "$E2E_WID"
e2e_assert_eq "0,300" "$E2E_X,$E2E_Y" "window position 1 s after the edge rule"
stop_program
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 0
e2e_assert_ini "$E2E_PROG/tevo.ini" W top 300

e2e_pass
