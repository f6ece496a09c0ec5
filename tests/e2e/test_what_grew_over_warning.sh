#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# "What grew since the start point" while the modal limit warning is open,
# in the real program on a private X server without a window manager, with
# a stand-in notification service and the accessibility bus (to find the
# controls and read the table; every input is a real X event from xdotool):
#   - the load limit [x] xx1 is under the machine's load, so the warning
#     opens at the first ticks and the notification with "What grew" comes;
#     20 small programs of distinct names started after the start point
#     give the table rows enough to scroll;
#   - the service invoking the action opens the window beside the warning:
#     the two do not overlap;
#   - a pointer click on the "Application" header sorts the table by name,
#     a second one the other way;
#   - the mouse wheel over the table scrolls it, Ctrl+Home scrolls back;
#   - Escape closes the window, the warning stays open;
#   - opened again from the notification, the window is beside the warning
#     again, and the warning's "OK" (a pointer click) still closes it.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

GREW="What grew since the start point"
NOTES=$E2E_TMP/notifications.log

load=$(e2e_memory_load)
((load >= 1)) || e2e_fail "the memory load is $load %: no limit below it to pass"
limit=$((load >= 10 ? load - 10 : 0))

e2e_start_xvfb
e2e_start_atspi
e2e_start_fake_notifications "$NOTES"

invoke() {
  dbus-send --session --type=method_call --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.example.NotificationsTest.InvokeLast || e2e_fail "could not invoke the notification's action"
}

# names: the table's application column over AT-SPI, one a line.
names() {
  e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table --timeout 20 | sed 1d | cut -f1
}

# extents_of NAME ROLE: sets X Y W H of the object over AT-SPI.
extents_of() {
  local e
  e=$(e2e_atspi extents --pid "$E2E_PID" --window "$GREW" --name "$1" --role "$2" --timeout 10) ||
    e2e_fail "no $2 \"$1\" in the window over AT-SPI"
  read -r X Y W H <<<"$e"
}

# apart WID_A WID_B: fails when the two windows overlap.
apart() {
  local ax ay aw ah
  e2e_geometry "$1"
  ax=$E2E_X ay=$E2E_Y aw=$E2E_W ah=$E2E_H
  e2e_geometry "$2"
  if ((ax < E2E_X + E2E_W && E2E_X < ax + aw && ay < E2E_Y + E2E_H && E2E_Y < ay + ah)); then
    e2e_fail "the window ($ax,$ay ${aw}x$ah) covers the warning ($E2E_X,$E2E_Y ${E2E_W}x$E2E_H)"
  fi
  e2e_note "window at $ax,$ay ${aw}x$ah, warning at $E2E_X,$E2E_Y ${E2E_W}x$E2E_H"
}

e2e_new_program_folder
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
e2e_wait_warning open 30 "the load-limit warning did not open (load $load %, limit $limit)"
WARN=$(e2e_warning_windows | head -n 1)
for i in $(seq -w 1 20); do
  cp /bin/sleep "$E2E_TMP/zzgrow$i"
  "$E2E_TMP/zzgrow$i" 600 &
  e2e_track "$!"
done
for ((i = 0; i < 100; i++)); do
  (($(wc -l <"$NOTES" 2>/dev/null || echo 0) >= 1)) && break
  sleep 0.1
done
[[ -s $NOTES ]] || e2e_fail "no notification as the warning opened"

# --- opened by the notification's action while the warning is open
invoke
e2e_wait_window "$GREW" 10
GREW_WID=$E2E_WID
apart "$GREW_WID" "$WARN"
e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table --match '^zzgrow20' --timeout 20 >/dev/null ||
  e2e_fail "the table has no row of the programs started after the start point"
# is_sorted asc|desc: true when the application column, read now, is in
# that order of names without regard to case. (Short-lived processes of
# the test itself may come and go between two readings.)
is_sorted() {
  names | "$E2E_SYS_PYTHON" -c '
import sys
rows = sys.stdin.read().splitlines()
keys = [r.lower() for r in rows]
ok = keys == sorted(keys, reverse=sys.argv[1] == "desc") and len(rows) > 20
sys.exit(0 if ok else 1)' "$1"
}
wait_sorted() {
  for ((i = 0; i < 50; i++)); do
    is_sorted "$1" && return 0
    sleep 0.2
  done
  e2e_fail "the rows are not sorted by name ($1) after $2: $(names | tr '\n' ' ')"
}
! is_sorted asc || e2e_fail "the table is sorted by name already: the header click would prove nothing"

# --- a click on the header sorts by name, a second the other way
extents_of Application "table column header"
xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 1
wait_sorted asc "a click on \"Application\""
sleep 0.6 # not a double click
xdotool click 1
wait_sorted desc "a second click on \"Application\""

# --- the wheel scrolls the table; Ctrl+Home (a key) scrolls back
top=zzgrow20 # the first row by name, the other way
extents_of "$top" "table cell"
top_y=$Y
xdotool mousemove $((X + 20)) $((Y + 60)) click 5 click 5 click 5
for ((i = 0; i < 50; i++)); do
  extents_of "$top" "table cell"
  ((Y < top_y)) && break
  sleep 0.1
done
((Y < top_y)) || e2e_fail "the wheel did not scroll the table (first row at y $Y, was $top_y)"
e2e_note "the wheel moved the first row from y $top_y to $Y"
e2e_geometry "$GREW_WID"
xdotool mousemove $((E2E_X + E2E_W / 2)) $((E2E_Y + E2E_H / 2)) click 1 key ctrl+Home
for ((i = 0; i < 50; i++)); do
  extents_of "$top" "table cell"
  ((Y == top_y)) && break
  sleep 0.1
done
e2e_assert_eq "$top_y" "$Y" "the first row's y after Ctrl+Home"

# --- Escape closes it; the warning stays
xdotool key Escape
e2e_wait_window_gone "$GREW" 5
e2e_assert_eq "$WARN" "$(e2e_warning_windows | head -n 1)" "the warning window after Escape in the other window"

# --- again from the notification; the warning's OK still works
invoke
e2e_wait_window "$GREW" 10
GREW_WID=$E2E_WID
apart "$GREW_WID" "$WARN"
e2e_geometry "$WARN"
xdotool mousemove $((E2E_X + 197)) $((E2E_Y + 112)) click 1
e2e_wait_warning gone 5 "the warning window stayed open after a click on its OK"
[[ -n $(e2e_visible_windows "$GREW") ]] || e2e_fail "the window closed with the warning"
e2e_pass
