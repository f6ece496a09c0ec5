#!/usr/bin/env bash
# The cue player "ostra-cue" of the program folder plays a long sound to its
# end: a 63 s tone is sent as the only cue and the player's input is closed
# at once, as the program does after its quiet spell. The private
# PulseAudio's sink is recorded meanwhile: the tone sounds for its whole
# length, and the player ends by itself soon after it has finished.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

SEGMENTS=$E2E_LIB_DIR/wavsegments.py
LENGTH=63

e2e_start_pulse
# A silent stream keeps the sink running, so positions in the recording are
# times.
pacat --raw /dev/zero &
e2e_track "$!"
e2e_new_program_folder

tone=$E2E_TMP/long.wav
sox -n -r 8000 -c 1 -b 16 "$tone" synth "$LENGTH" sine 440 vol 0.4
rec=$E2E_TMP/rec.wav
parec -d test_null.monitor --latency-msec=50 --file-format=wav "$rec" &
rec_pid=$!
e2e_track "$rec_pid"
sleep 0.4

start=$(date +%s.%N)
printf '%s\0' "$tone" | "$E2E_PROG/ostra-cue" &
player=$!
e2e_track "$player"
# Well past the length; the player must still be there a little before the
# end and gone a little after it.
sleep $((LENGTH - 2))
e2e_assert_alive "$player" "the cue player $((LENGTH - 2)) s into the $LENGTH s sound"
e2e_wait_exit "$player" 10 || e2e_fail "the cue player did not end after its sound"
ended=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
e2e_assert_eq 0 "$E2E_EXIT" "the cue player's exit status"
sleep 0.5
kill -INT "$rec_pid" 2>/dev/null || true
e2e_wait_exit "$rec_pid" 5 || e2e_fail "parec did not stop"

segs=$(python3 "$SEGMENTS" --threshold 0.05 "$rec") || e2e_fail "cannot analyse the recording"
[[ $(wc -l <<<"$segs") == 1 ]] || e2e_fail "one sounding stretch expected: $segs"
len=$(awk '{ print $2 }' <<<"$segs")
awk -v l="$len" -v e="$LENGTH" 'BEGIN { d = l - e; if (d < 0) d = -d; exit !(d <= 0.2) }' ||
  e2e_fail "the tone sounded $len s of its $LENGTH s"
e2e_pass "the $LENGTH s tone sounded $len s; the player ended after $ended s"
