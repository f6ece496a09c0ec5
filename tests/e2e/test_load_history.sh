#!/usr/bin/env bash
# The load history on the real program:
#   - a memhog of 4 GiB raises the memory load by about 17 points and its
#     end lowers it again; the test notes the second in which it saw the load
#     cross 7 points from where it was (other programs on a shared machine
#     move it by a few points);
#   - Ctrl+H on the main window opens "Load history", whose plot a screen
#     reader finds by the name "Load history" with a description of what it
#     shows; "Export CSV..." (pressed over AT-SPI) opens the save dialog, the
#     test types a path, and the CSV has the exact header, CRLF line ends,
#     ISO 8601 times with their UTC offset, and the rise and the fall within
#     a second of the seconds the test saw them;
#   - with the main window hidden ("Hide" from its popup menu), so that its
#     monitor tick stays idle, memhog again: the file written at the close
#     holds a row for every second, the rise and the fall among them;
#   - after a close and a new start ten seconds later, the earlier samples
#     are still in the file the new run writes, with a gap between the runs.
# The two limit warnings are off, so that no warning window comes up.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"
history=$E2E_PROG/load-history.txt

e2e_start_program
e2e_wait_window Brisel 15
MAIN_WID=$E2E_WID
e2e_wait_position "$MAIN_WID" 201 116
# A point of the display panel that holds no control.
blank_x=$((E2E_X + 60)) blank_y=$((E2E_Y + 240))
sleep 3 # a few samples at the resting load

# wait_change BASE POINTS: waits until the load differs from BASE by POINTS
# or more; sets LOAD and SEEN (the second it was seen).
wait_change() {
  local i
  for ((i = 0; i < 1200; i++)); do
    LOAD=$(e2e_memory_load)
    if ((LOAD - $1 >= $2 || $1 - LOAD >= $2)); then
      SEEN=$(date +%s)
      return 0
    fi
    sleep 0.05
  done
  e2e_fail "the memory load stayed near $1 %"
}

base=$(e2e_memory_load)
pidfile=$E2E_TMP/hog.pid
MEMHOG_MIB=4096 MEMHOG_PIDFILE=$pidfile "$MEMHOG" &
hog=$!
e2e_track "$hog"
wait_change "$base" 7
up_seen=$SEEN
for ((i = 0; i < 1200; i++)); do
  [[ -s $pidfile ]] && break
  sleep 0.05
done
[[ -s $pidfile ]] || e2e_fail "memhog did not take its memory within 60 s"
sleep 4
high=$(e2e_memory_load)
((high - base >= 8)) || e2e_fail "4 GiB more in use moved the load only from $base % to $high %"
kill_at=$(date +%s)
kill -TERM "$hog"
wait_change "$high" 7 # while memhog hands its memory back
down_seen=$SEEN low=$LOAD
e2e_wait_exit "$hog" 30 || e2e_fail "memhog did not end on SIGTERM"
sleep 3
e2e_note "load $base % -> $high % (seen at $up_seen) -> $low % (seen at $down_seen)"

# Ctrl+H on the main window.
xdotool mousemove "$blank_x" "$blank_y" click 1
xdotool key ctrl+h
e2e_wait_window "Load history" 15
info=$(e2e_atspi info --pid "$E2E_PID" --window "Load history" --name "Load history" --role chart --timeout 20) ||
  e2e_fail "the plot is not on the accessibility bus: $info"
grep -q '^description=Last hour: load lowest [0-9]* %, highest [0-9]* %, latest [0-9]* %; memory pressure ' <<<"$info" ||
  e2e_fail "the plot's description does not sum it up: $info"
highest=$(sed -n 's/^description=.*highest \([0-9]*\) %, latest.*/\1/p' <<<"$info" | head -n 1)
((highest >= high - 2)) || e2e_fail "the description's highest load $highest % is below the $high % seen: $info"

# Export through the save dialog.
out=$E2E_TMP/export/out.csv
mkdir -p "$(dirname "$out")"
e2e_atspi press --pid "$E2E_PID" --window "Load history" --name "Export CSV..." --role "push button" ||
  e2e_fail "no button \"Export CSV...\""
e2e_wait_window "Export CSV" 15
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 10 "$out"
xdotool key Return
for ((i = 0; i < 100; i++)); do
  [[ -s $out ]] && break
  sleep 0.1
done
e2e_assert_file "$out" "exported CSV"

"$E2E_SYS_PYTHON" - "$out" "$up_seen" "$down_seen" "$base" "$high" "$kill_at" <<'PY' || e2e_fail "the CSV does not show the changes (see above)"
import sys
from datetime import datetime

path, up, down, base, high, kill_at = sys.argv[1], *map(int, sys.argv[2:])
raw = open(path, "rb").read()
assert raw.endswith(b"\r\n"), "the last line does not end in CRLF"
lines = raw.decode("ascii").split("\r\n")[:-1]
assert all("\n" not in l and "\r" not in l for l in lines), "a line end other than CRLF"
assert lines[0] == "time,load_percent,pressure_some_avg10,event", lines[0]
rows = {}
for l in lines[1:]:
    t, load, pressure, event = l.split(",")
    when = datetime.fromisoformat(t)
    assert when.utcoffset() is not None, "no UTC offset in " + t
    assert t[-6] in "+-" and t[-3] == ":", "offset not as +HH:MM in " + t
    assert pressure == "" or (float(pressure) >= 0 and len(pressure.split(".")[1]) == 2), pressure
    assert event in ("", "start point", "warning", "acknowledged"), event
    rows[int(when.timestamp())] = int(load)
secs = sorted(rows)
assert secs == sorted(set(secs)), "a second twice"
# The rise: the first second with the load 7 points above the rest (where
# the test saw it cross); the fall: the first from the end of memhog on
# with the load 7 points below the high. The program reads the load just
# after each second begins, the test every 50 ms or so: the seconds agree
# within one.
rise = next(s for s in secs if s >= up - 5 and rows[s] >= base + 7)
assert -1 <= rise - up <= 1, f"the rise is at {rise}, the test saw it at {up}"
fall = next(s for s in secs if s >= kill_at and rows[s] <= high - 7)
assert -1 <= fall - down <= 1, f"the fall is at {fall}, the test saw it at {down}"
# A row every second, and the high between the rise and the end of memhog.
assert all(s in rows for s in range(up - 3, fall + 3)), "a second without its row"
assert max(rows[s] for s in secs if rise <= s < kill_at + 1) >= high - 2, "the high while memhog held its memory"
print(f"rise at {rise} (seen {up}), fall at {fall} (seen {down}), {len(secs)} rows")
PY

# The history window closed, "Hide" from the main window's popup menu (its
# third entry), and memhog again while the main window is hidden.
e2e_wait_window "Load history" 5
e2e_close_window "$E2E_WID"
e2e_wait_window_gone "Load history" 10
xdotool mousemove "$blank_x" "$blank_y" click 3
sleep 0.5
xdotool key Down Down Down Return
e2e_wait_map_state "$MAIN_WID" IsUnMapped 5
sleep 3
base=$(e2e_memory_load)
MEMHOG_MIB=4096 MEMHOG_PIDFILE=$pidfile.2 "$MEMHOG" &
hog=$!
e2e_track "$hog"
wait_change "$base" 7
hidden_up=$SEEN
for ((i = 0; i < 1200; i++)); do
  [[ -s $pidfile.2 ]] && break
  sleep 0.05
done
sleep 4
high=$(e2e_memory_load)
hidden_kill=$(date +%s)
kill -TERM "$hog"
wait_change "$high" 7
hidden_down=$SEEN
e2e_wait_exit "$hog" 30 || e2e_fail "memhog did not end on SIGTERM"
sleep 3
e2e_note "hidden: load $base % -> $high % (seen at $hidden_up) -> $LOAD % (seen at $hidden_down)"
[[ $(e2e_map_state "$MAIN_WID") == IsUnMapped ]] || e2e_fail "the main window came back during the run"

# A close, ten seconds away, a new start: the old samples stay, a gap between.
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_assert_file "$history" "load history file"
first_end=$(awk '/^@/ { t = substr($0, 2) - 1; next } /^[0-9]/ { t++ } END { print t }' "$history")
((first_end >= hidden_down)) || e2e_fail "the saved history ends at $first_end, before the hidden fall at $hidden_down"
"$E2E_SYS_PYTHON" - "$history" "$hidden_up" "$hidden_down" "$base" "$high" "$hidden_kill" <<'PY' ||
import sys
path, up, down, base, high, kill_at = sys.argv[1], *map(int, sys.argv[2:])
rows, t = {}, None
for line in open(path).read().split("\n")[1:]:
    if line.startswith("@"):
        t = int(line[1:])
    elif line:
        rows[t] = int(line.split(" ")[0])
        t += 1
assert all(s in rows for s in range(up - 5, down + 3)), "a second without its row while the main window was hidden"
rise = next(s for s in sorted(rows) if s >= up - 5 and rows[s] >= base + 7)
assert -1 <= rise - up <= 1, f"the rise is at {rise}, the test saw it at {up}"
fall = next(s for s in sorted(rows) if s >= kill_at and rows[s] <= high - 7)
assert -1 <= fall - down <= 1, f"the fall is at {fall}, the test saw it at {down}"
print(f"hidden: rise at {rise} (seen {up}), fall at {fall} (seen {down})")
PY
  e2e_fail "the history of the hidden main window's time does not show the changes (see above)"
sleep 10
e2e_start_program
e2e_wait_window Brisel 15
sleep 4
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM the second time"
"$E2E_SYS_PYTHON" - "$history" "$up_seen" "$first_end" <<'PY' || e2e_fail "the second run did not keep the first run's samples (see above)"
import sys
path, up, first_end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
secs, t = [], None
for line in open(path).read().split("\n")[1:]:
    if line.startswith("@"):
        t = int(line[1:])
    elif line:
        secs.append(t)
        t += 1
assert secs == sorted(secs) and len(secs) == len(set(secs)), "not in order"
assert up in secs, "the rise's second is gone"
later = [s for s in secs if s > first_end]
assert later, "no samples of the second run"
gap = later[0] - first_end
assert gap >= 10, f"the gap between the runs is {gap} s"
print(f"{len(secs)} samples, {len(later)} of the second run after a gap of {gap} s")
PY
e2e_pass "rise and fall in the CSV at their seconds, and in the file while hidden; kept across a restart with a gap"
