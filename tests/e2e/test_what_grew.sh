#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# What grew since the start point, in the real program on a private X
# server, with a stand-in notification service on the private session bus
# and the accessibility bus:
#   - a program with a distinctive name (a copy of memhog) takes 1 GiB
#     after the start point; Ctrl+G on the main window opens "What grew
#     since the start point", whose table reads over AT-SPI with its six
#     column headers and has that program as its first row, its growth
#     within 10% of the program's own Pss + SwapPss;
#   - a second program taking 4 GiB passes the load limit ([x] xx1, set 8
#     points over the load at start, 4 of them for the first program and 4
#     of margin for the other programs of the machine; the rise warning is
#     off): the warning opens and the service receives exactly one Notify,
#     "Memory load NN%", naming the first program with its growth and
#     offering "What grew"; the ticks while the warning stays open, each
#     still over the limit, send no other;
#   - the service invoking that action opens the window;
#   - "Name what grew in a notification" unticked from the popup menu is
#     kept in tevo.ini ([grow] Notify=0), and the next warning sends none.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
HOG_NAME=zebragrowhog
cp "$MEMHOG" "$E2E_TMP/$HOG_NAME"
GREW="What grew since the start point"
NOTES=$E2E_TMP/notifications.log

# hog NAME MIB PROGRAM [wait]: starts PROGRAM (memhog or a copy) holding MIB
# MiB; with "wait", waits until it holds them. Sets HOG_PID.
hog() {
  local pidfile=$E2E_TMP/$1-$2-$RANDOM.pid i
  MEMHOG_MIB=$2 MEMHOG_PIDFILE=$pidfile "$3" &
  HOG_PID=$!
  e2e_track "$HOG_PID"
  [[ ${4:-} == wait ]] || return 0
  for ((i = 0; i < 1200; i++)); do
    [[ -s $pidfile ]] && return 0
    e2e_alive "$HOG_PID" || e2e_fail "$1 ended at start"
    sleep 0.05
  done
  e2e_fail "$1 did not take its memory within 60 s"
}

wait_warning() {
  e2e_wait_warning open 30 "the load-limit warning did not open within 30 s ($1)"
}

press_ok() {
  e2e_atspi press --pid "$E2E_PID" --window Ostra --name OK --role "push button" ||
    e2e_fail "could not press the warning window's OK"
  e2e_wait_warning gone 5 "the warning window stayed open after OK"
}

notes() { [[ -f $NOTES ]] && wc -l <"$NOTES" || echo 0; }

e2e_start_xvfb
e2e_start_atspi
e2e_start_fake_notifications "$NOTES"

e2e_new_program_folder
load=$(e2e_memory_load)
limit=$((load + 8))
((limit + 17 <= 100)) || e2e_fail "the memory load is $load %: no room for the test's 5 GiB"
e2e_note "memory load $load %, load limit xx1=$limit"
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
sleep 1.5 # the start point's snapshot, taken at the showing

# --- 1 GiB after the start point: the first row of the window
hog "$HOG_NAME" 1024 "$E2E_TMP/$HOG_NAME" wait
ZEBRA=$HOG_PID
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+g
e2e_wait_window "$GREW" 10
table=$(e2e_atspi table --pid "$E2E_PID" --window "$GREW" --role table --match "^$HOG_NAME"$'\t' --timeout 20) ||
  e2e_fail "no row of $HOG_NAME in the table over AT-SPI: $table"
e2e_assert_eq $'Application\tAt the start point\tNow\tGrowth\tProcesses\tState' "$(sed -n 1p <<<"$table")" \
  "the table's column headers over AT-SPI"
IFS=$'\t' read -r name start now growth count _ <<<"$(sed -n 2p <<<"$table")"
e2e_assert_eq "$HOG_NAME" "$name" "the first row's application"
e2e_assert_eq "0.0 MiB" "$start" "its memory at the start point"
e2e_assert_eq 1 "$count" "its processes"
[[ $growth =~ ^\+([0-9]+\.[0-9])\ (MiB|GiB)$ ]] || e2e_fail "growth text '$growth'"
growth_mib=$(awk -v v="${BASH_REMATCH[1]}" -v u="${BASH_REMATCH[2]}" 'BEGIN { printf "%d", u == "GiB" ? v * 1024 : v }')
pss_mib=$(awk '/^Pss:/ {p = $2} /^SwapPss:/ {s = $2} END { printf "%d", (p + s) / 1024 }' "/proc/$ZEBRA/smaps_rollup")
e2e_note "$HOG_NAME: growth $growth ($growth_mib MiB), own Pss $pss_mib MiB, now $now"
e2e_assert_range $((pss_mib * 9 / 10)) $((pss_mib * 11 / 10)) "$growth_mib" "growth against its own Pss (MiB)"
e2e_close_window "$E2E_WID"
e2e_wait_window_gone "$GREW" 5
e2e_assert_eq 0 "$(notes)" "notifications before any warning"

# --- 4 GiB more: the load-limit warning, one notification naming it
hog memhog 4096 "$MEMHOG"
BIG=$HOG_PID
wait_warning "4 GiB taken"
for ((i = 0; i < 100; i++)); do
  (($(notes) >= 1)) && break
  sleep 0.1
done
e2e_assert_eq 1 "$(notes)" "Notify calls when the warning opened"
note=$(sed -n 1p "$NOTES")
e2e_note "notification: $note"
summary=$("$E2E_SYS_PYTHON" -c 'import json,sys; print(json.loads(sys.argv[1])["summary"])' "$note")
body=$("$E2E_SYS_PYTHON" -c 'import json,sys; print(json.loads(sys.argv[1])["body"])' "$note")
actions=$("$E2E_SYS_PYTHON" -c 'import json,sys; print(json.loads(sys.argv[1])["actions"][1])' "$note")
[[ $summary =~ ^Memory\ load\ [0-9]+%$ ]] || e2e_fail "summary '$summary'"
[[ $body == *"$HOG_NAME +1.0 GiB"* ]] || e2e_fail "the body does not name $HOG_NAME +1.0 GiB: '$body'"
# memhog may still be taking its memory when the limit is passed.
[[ $body =~ (^|, )memhog\ \+[0-9.]+\ (MiB|GiB)(,|$) ]] || e2e_fail "the body does not name memhog: '$body'"
e2e_assert_eq "What grew" "$actions" "the notification's action"
sleep 3 # ticks while the warning stays open
e2e_assert_eq 1 "$(notes)" "Notify calls while the warning stays open"

# The action, picked in the notification, opens the window.
dbus-send --session --type=method_call --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
  org.example.NotificationsTest.InvokeLast || e2e_fail "could not invoke the action"
e2e_wait_window "$GREW" 10
GREW_WID=$E2E_WID
press_ok
e2e_close_window "$GREW_WID"
e2e_wait_window_gone "$GREW" 5
kill -TERM "$BIG"
e2e_wait_exit "$BIG" 10 || e2e_fail "memhog did not end"

# --- the entry unticked from the popup menu: kept, and no notification
e2e_geometry "$MAIN"
xdotool mousemove $((E2E_X + 150)) $((E2E_Y + 40)) click 3
sleep 0.5
# Up from no entry picks the last ("Load history..."), the next the entry above.
xdotool key Up Up Return
for ((i = 0; i < 50; i++)); do
  [[ $(e2e_ini_get "$E2E_PROG/tevo.ini" grow Notify || true) == 0 ]] && break
  sleep 0.1
done
e2e_assert_ini "$E2E_PROG/tevo.ini" grow Notify 0
sleep 2 # ticks under the load limit: the acknowledged state ends
hog memhog 4096 "$MEMHOG"
wait_warning "4 GiB taken again"
sleep 2
e2e_assert_eq 1 "$(notes)" "Notify calls with the entry unticked"
press_ok
e2e_pass "first row $HOG_NAME $growth (Pss $pss_mib MiB); one notification: $body"
