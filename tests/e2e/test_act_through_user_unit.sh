#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# An application that runs in its own systemd user unit is paused, resumed
# and ended through the user manager, in the real program on a private X
# server; the buttons are found over AT-SPI and clicked with the pointer.
# A stand-in user manager (fake_systemd_user.py) owns
# org.freedesktop.systemd1 on the test's session bus and logs each call.
# The program's process runs in a control group whose path ends in
# app-gnome-org.example.ZebraUnit-N.scope, as a desktop that starts its
# applications in scopes puts them (a group of the cgroup v2 hierarchy,
# made by the test as root; the program reads it from /proc/PID/cgroup):
#   - its row is named by the unit's application ID;
#   - "Pause" reaches the manager as FreezeUnit of that unit, the row reads
#     "paused", and no signal stops the process itself;
#   - "Resume" reaches it as ThawUnit;
#   - "End", after the question, as KillUnit of the unit with SIGTERM, then
#     SIGCONT; the stand-in does not end it, so 10 s later the row reads
#     "still running" and "End now" is offered: KillUnit with SIGKILL;
#   - paused again, then Ostra killed with SIGKILL: at its next start the
#     unit is thawed (ThawUnit).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/act_lib.sh
. "$(dirname "$0")/act_lib.sh"

V2=/sys/fs/cgroup/unified
[[ -d /sys/fs/cgroup/unified ]] || V2=/sys/fs/cgroup
if [[ $(id -u) != 0 || ! -f $V2/cgroup.procs ]]; then
  echo "SKIP: needs root and a cgroup v2 hierarchy at $V2"
  exit 77
fi
NAME=org.example.ZebraUnit
UNIT=app-gnome-$NAME-$$.scope
GROUP=$V2/ostra-e2e-$$
CALLS=$E2E_TMP/units.log

# The group goes with the test, once its process has ended.
unit_cleanup() {
  local rc=$? i
  set +e
  if [[ -n ${HOG_PID:-} ]]; then
    kill -KILL "$HOG_PID" 2>/dev/null
    wait "$HOG_PID" 2>/dev/null
  fi
  for ((i = 0; i < 100; i++)); do
    rmdir "$GROUP/$UNIT" 2>/dev/null && break
    sleep 0.05
  done
  rmdir "$GROUP" 2>/dev/null
  (exit "$rc")
  e2e__cleanup
}
trap unit_cleanup EXIT
mkdir -p "$GROUP/$UNIT" || e2e_fail "cannot make the control group $GROUP/$UNIT"

# heard CALL: how many times the stand-in has logged the line CALL.
heard() { grep -cxF "$1" "$CALLS" 2>/dev/null || true; }

# calls CALL [COUNT]: waits until the stand-in has logged the line CALL
# COUNT times (default once).
calls() {
  local i
  for ((i = 0; i < 100; i++)); do
    (($(heard "$1") >= ${2:-1})) && return 0
    sleep 0.1
  done
  e2e_fail "the user manager heard '$1' $(heard "$1") times, not ${2:-1}; it heard: $(tr '\n' '|' <"$CALLS")"
}

e2e_start_xvfb
e2e_start_atspi
"$E2E_SYS_PYTHON" "$E2E_LIB_DIR/fake_systemd_user.py" "$CALLS" "$E2E_TMP/units.ready" >"$E2E_TMP/units.out" 2>&1 &
e2e_track "$!"
for ((i = 0; i < 100; i++)); do
  [[ -s $E2E_TMP/units.ready ]] && break
  sleep 0.1
done
[[ -s $E2E_TMP/units.ready ]] || e2e_fail "the stand-in user manager did not start: $(cat "$E2E_TMP/units.out")"

e2e_new_program_folder
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\nSoundCheck=0\r\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
sleep 1.5 # the start point's snapshot

HOG_JOIN=$GROUP/$UNIT/cgroup.procs hog zebraunit 64
grep -qx "0::/ostra-e2e-$$/$UNIT" "/proc/$HOG_PID/cgroup" || e2e_fail "not in the unit's group: $(cat "/proc/$HOG_PID/cgroup")"
open_grew
row "$NAME" ''
click "$GREW" "$NAME"
enabled Pause

click "$GREW" Pause "push button"
calls "FreezeUnit $UNIT"
row "$NAME" $'.*\tpaused$'
e2e_assert_eq S "$(state "$HOG_PID")" "the process's state when its unit was frozen"
enabled Resume
click "$GREW" Resume "push button"
calls "ThawUnit $UNIT"
row "$NAME" $'.*\t$'

enabled End
click "$GREW" End "push button"
question=$(e2e_atspi texts --pid "$E2E_PID" --window Confirm --match "End $NAME\\?" --timeout 10) ||
  e2e_fail "no question before End: $question"
grep -q "KillUnit" "$CALLS" && e2e_fail "the unit was killed before the question was answered"
click Confirm End "push button"
calls "KillUnit $UNIT all 15"
calls "KillUnit $UNIT all 18"
row "$NAME" $'.*\tending$'
e2e_assert_eq S "$(state "$HOG_PID")" "the process's state (the manager, not a signal, ends it)"
row "$NAME" $'.*\tstill running$'
enabled "End now"
click "$GREW" "End now" "push button"
e2e_atspi texts --pid "$E2E_PID" --window Confirm --match "End $NAME now" --timeout 10 >/dev/null ||
  e2e_fail "no question before End now"
click Confirm End "push button"
calls "KillUnit $UNIT all 9"
row "$NAME" $'.*\tending$'

# Offered again once the follow-up finds it still running; paused, then
# Ostra killed: the next start thaws the unit.
row "$NAME" $'.*\tstill running$'
enabled Pause
click "$GREW" Pause "push button"
calls "FreezeUnit $UNIT" 2
row "$NAME" $'.*\tpaused$'
thaws=$(heard "ThawUnit $UNIT")
kill -KILL "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "Ostra did not end on SIGKILL"
grep -qx "unit $UNIT" "$E2E_PROG/paused.txt" || e2e_fail "paused.txt does not name the unit: $(cat "$E2E_PROG/paused.txt")"
e2e_start_program
calls "ThawUnit $UNIT" $((thaws + 1))
e2e_wait_window Brisel 15
for ((i = 0; i < 50; i++)); do
  [[ -z $(cat "$E2E_PROG/paused.txt") ]] && break
  sleep 0.1
done
e2e_assert_eq "" "$(cat "$E2E_PROG/paused.txt")" "paused.txt once the unit was thawed"
e2e_pass "FreezeUnit, ThawUnit, KillUnit (TERM, CONT, KILL) for $UNIT; thawed at the next start after SIGKILL"
