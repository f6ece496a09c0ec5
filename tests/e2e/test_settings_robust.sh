#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The settings file under faults, on a bare private X server:
#  1. killed during the shutdown: SIGTERM, then SIGKILL 0..80 ms later, in
#     fresh program folders and over a full old file: the file left behind
#     is absent, or the whole old file, or the whole new one with every key
#     of the shutdown write;
#  2. "tevo.ini" a named pipe: the window appears at once, SIGTERM ends the
#     program, and the pipe is neither read through nor replaced;
#  3. a window stored wholly off the screen (left=-5000 top=-5000) is shown
#     at 0,0 and saved there;
#  4. started without any session bus address: nothing the program starts
#     for itself (a bus through autolaunch) outlives it.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

KEYS=(SpinEdit1 Autoconnecttheonlinupgrade1 checkbox1 FFFF FFFF2 left top Gauge5 LMDLEDLabel3 RxSpeedButton11)

# complete FILE: every key of the shutdown write is there.
complete() {
  local k section
  for k in "${KEYS[@]}"; do
    section=W
    [[ $k == SpinEdit1 ]] && section=my11
    e2e_ini_get "$1" "$section" "$k" >/dev/null || return 1
  done
}

e2e_start_xvfb

e2e_note "1. SIGKILL during the shutdown"
OLD=$'[my11]\nSpinEdit1=3\n[W]\nAutoconnecttheonlinupgrade1=1\ncheckbox1=1\nFFFF=0\nFFFF2=1\nleft=300\ntop=200\nGauge5=12\nLMDLEDLabel3=45\nRxSpeedButton11=0\n[x]\nxx1=80\n'
absent=0 whole_new=0 whole_old=0
for ((run = 0; run < 20; run++)); do
  e2e_new_program_folder
  with_old=$((run % 2))
  ((with_old)) && printf '%s' "$OLD" >"$E2E_PROG/tevo.ini"
  e2e_start_program
  e2e_wait_window Brisel 15
  sleep 0.3
  delay=$(((run * 37) % 81))
  kill -TERM "$E2E_PID"
  sleep "$(printf '0.%03d' "$delay")"
  kill -KILL "$E2E_PID" 2>/dev/null || true
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "run $run: still running after SIGKILL"
  ini=$E2E_PROG/tevo.ini
  if [[ ! -e $ini ]]; then
    ((with_old)) && e2e_fail "run $run: the old settings file is gone"
    absent=$((absent + 1))
  elif ((with_old)) && [[ $(cat "$ini") == "${OLD%$'\n'}" ]]; then
    whole_old=$((whole_old + 1))
  else
    complete "$ini" || e2e_fail "run $run (kill ${delay} ms after SIGTERM): a partial tevo.ini: $(tr '\n' ' ' <"$ini")"
    if ((with_old)); then
      # The whole new file keeps what the shutdown does not write.
      e2e_assert_ini "$ini" x xx1 80
    fi
    whole_new=$((whole_new + 1))
  fi
  e2e_note "run $run: kill after ${delay} ms, old file: $with_old"
done
e2e_note "absent $absent, whole old $whole_old, whole new $whole_new"

e2e_note "2. tevo.ini a named pipe"
e2e_new_program_folder
mkfifo "$E2E_PROG/tevo.ini"
start=$SECONDS
e2e_start_program
e2e_wait_window Brisel 5
((SECONDS - start <= 3)) || e2e_fail "the window took $((SECONDS - start)) s with a pipe as settings file"
e2e_geometry "$E2E_WID"
e2e_assert_eq "201,116" "$E2E_X,$E2E_Y" "position with unreadable settings"
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "SIGTERM did not end the program with a pipe as settings file"
[[ -p $E2E_PROG/tevo.ini ]] || e2e_fail "the pipe was replaced"

e2e_note "3. a window stored wholly off the screen"
e2e_new_program_folder
printf '[W]\nleft=-5000\ntop=-5000\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
e2e_wait_position "$E2E_WID" 0 0 5
sleep 0.5  # past the program's own placement after mapping
e2e_wait_position "$E2E_WID" 0 0 1
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "SIGTERM did not end the program"
e2e_assert_ini "$E2E_PROG/tevo.ini" W left 0
e2e_assert_ini "$E2E_PROG/tevo.ini" W top 0

e2e_note "4. no session bus"
e2e_new_program_folder
before=$(e2e__token_pids | sort)
(
  unset DBUS_SESSION_BUS_ADDRESS
  export XDG_RUNTIME_DIR=$E2E_TMP/runtime-nobus
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  e2e_start_program
  echo "$E2E_PID" >"$E2E_TMP/nobus.pid"
  wait "$E2E_PID"
) &
sub=$!
for ((i = 0; i < 100; i++)); do [[ -s $E2E_TMP/nobus.pid ]] && break; sleep 0.1; done
pid=$(cat "$E2E_TMP/nobus.pid")
e2e_wait_window Brisel 15 "$pid"
sleep 1
kill -TERM "$pid"
wait "$sub" || true
sleep 0.5
after=$(e2e__token_pids | sort)
left=$(comm -13 <(echo "$before") <(echo "$after") | while read -r p; do
  cmd=$(tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline") || continue
  [[ -n $cmd && $cmd != *bash* ]] && echo "$p $cmd"
done)
[[ -z $left ]] || e2e_fail "processes left behind by the program: $left"

e2e_pass
