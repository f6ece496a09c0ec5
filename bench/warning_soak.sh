#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The real program held in the Warning state: limit [x] xx1=0, so every tick
# finds the load over the limit, blinks the open warning window and plays
# "dingdong.wav" through a private PulseAudio; the warning is never
# acknowledged. Prints the resident set (VmRSS) and the number of open file
# descriptors of the program once a minute, and the change from the first
# sample to the last. Neither should grow.
#
#   bench/warning_soak.sh [SECONDS]     (default 600)
#
# OSTRA_DIST names the program folder (default: build/release/dist).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"

DURATION=${1:-600}
STEP=60

e2e_start_xvfb
e2e_start_pulse
pacat --raw /dev/zero &
e2e_track "$!"
e2e_new_program_folder
printf '[x]\r\nxx1=0\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=1\r\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
for ((i = 0; i < 100; i++)); do
  [[ -n $(e2e_visible_windows Ostra) ]] && break
  sleep 0.1
done
[[ -n $(e2e_visible_windows Ostra) ]] || e2e_fail "the warning window did not open"

sample() {
  local rss fds
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$E2E_PID/status")
  fds=$(find "/proc/$E2E_PID/fd" -mindepth 1 -maxdepth 1 | wc -l)
  echo "$rss $fds"
}

sleep 10 # let the first sounds and paints settle
read -r rss0 fd0 < <(sample)
t0=$SECONDS
printf '%6s %10s %5s\n' "t/s" "VmRSS/kB" "fds"
printf '%6d %10d %5d\n' 0 "$rss0" "$fd0"
while ((SECONDS - t0 < DURATION)); do
  left=$((DURATION - (SECONDS - t0)))
  sleep $((left < STEP ? left : STEP))
  e2e_assert_alive "$E2E_PID" "the program"
  [[ -n $(e2e_visible_windows Ostra) ]] || e2e_fail "the warning window closed by itself"
  read -r rss fd < <(sample)
  printf '%6d %10d %5d\n' $((SECONDS - t0)) "$rss" "$fd"
done
# Still warning aloud at the end: the dingdongs of a few seconds.
parec -d test_null.monitor --file-format=wav "$E2E_TMP/end.wav" &
rec=$!
sleep 4
kill -INT "$rec"
wait "$rec" || true
sounds=$(python3 "$E2E_LIB_DIR/wavsegments.py" --merge-ms 250 "$E2E_TMP/end.wav" | wc -l)
echo "VmRSS: $rss0 kB -> $rss kB ($((rss - rss0)) kB); fds: $fd0 -> $fd ($((fd - fd0)))"
echo "dingdongs in the last 4 s: $sounds"
