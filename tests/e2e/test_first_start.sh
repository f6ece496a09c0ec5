#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# First start from a fresh program folder (no tevo.ini): the main window,
# titled exactly "Brisel" (in WM_NAME and in _NET_WM_NAME, which window
# managers and task lists show), appears at its design place 201,116 with
# the design width 390 and, the analysis panel being open, the height 756;
# the data folders are made beside the executable (not in the current
# folder); the settings file is not written before the program closes; the
# program keeps running. The command line is not read: Qt's own options
# (here one that would move it to another platform, one that would mirror
# it) change nothing.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_program_folder
e2e_start_program "$E2E_PROG" -platform offscreen -reverse
e2e_wait_window Brisel 15
for prop in WM_NAME _NET_WM_NAME; do
  title=$(xprop -id "$E2E_WID" "$prop" | sed -n 's/^[^=]*= "\(.*\)"$/\1/p')
  e2e_assert_eq Brisel "$title" "window title ($prop)"
done
e2e_wait_position "$E2E_WID" 201 116
e2e_assert_eq 390 "$E2E_W" "window width"
e2e_assert_eq 756 "$E2E_H" "window height (analysis panel open)"

sleep 3
e2e_assert_alive "$E2E_PID" "the program 3 s after its window appeared"
e2e_geometry "$E2E_WID"
e2e_assert_eq "201,116" "$E2E_X,$E2E_Y" "window position after 3 s"
e2e_assert_eq "$E2E_WID" "$(e2e_visible_windows Brisel)" "the visible \"Brisel\" windows"

for d in startup favorite desktopimage; do
  e2e_assert_dir "$E2E_PROG/$d" "data folder"
done
e2e_assert_no_file "$E2E_PROG/tevo.ini" "settings file (written only at close)"
e2e_assert_eq "" "$(ls -A "$E2E_TMP/cwd")" "files the program left in its current folder"

e2e_pass
