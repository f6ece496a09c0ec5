#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Nothing stays paused past the next start: a run that was killed while it
# held two programs stopped left them named in the data folder's
# paused.txt (PID and start time). The next start lets the first run again
# within 5 s; the second's PID names another start time (as when the PID
# was handed to another program), so it is not touched and stays stopped.
# The file then names nothing.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
cp "$MEMHOG" "$E2E_TMP/zebrapaused"

# state PID: the process's state letter (T while stopped).
state() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo -; return; }
  stat=${stat##*) }
  echo "${stat:0:1}"
}

# start_time PID: field 22 of /proc/PID/stat.
start_time() {
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }
  # shellcheck disable=SC2086 # the fields, split on purpose
  set -- $stat
  echo "${20}"
}

wait_state() {
  local i
  for ((i = 0; i < 100; i++)); do
    [[ $(state "$1") == "$2" ]] && return 0
    sleep 0.05
  done
  return 1
}

e2e_start_xvfb
e2e_new_program_folder

pids=()
for i in 1 2; do
  MEMHOG_MIB=8 "$E2E_TMP/zebrapaused" &
  pids+=("$!")
  e2e_track "$!"
done
for p in "${pids[@]}"; do
  kill -STOP "$p"
  wait_state "$p" T || e2e_fail "process $p did not stop"
done
printf 'process %s %s\nprocess %s %s\n' "${pids[0]}" "$(start_time "${pids[0]}")" \
  "${pids[1]}" "$(($(start_time "${pids[1]}") + 1))" >"$E2E_PROG/paused.txt"

e2e_start_program
e2e_wait_window Brisel 15
wait_state "${pids[0]}" S || e2e_fail "the paused program was not running again within 5 s of the start (state $(state "${pids[0]}"))"
sleep 1
e2e_assert_eq T "$(state "${pids[1]}")" "state of the process whose PID names another start time"
e2e_assert_eq "" "$(cat "$E2E_PROG/paused.txt")" "paused.txt after the start"
e2e_assert_alive "$E2E_PID" "the program"
kill -CONT "${pids[1]}"
e2e_pass "the leftover resumed, the other start time untouched"
