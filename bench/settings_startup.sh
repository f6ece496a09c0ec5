#!/usr/bin/env bash
# Start-up and exit of the real program with a large settings file: the
# time from the start of the executable until its main window "Brisel" is
# mapped, and from SIGTERM until the program has ended (its shutdown writes
# the settings), on a private Xvfb, from a program folder whose "tevo.ini"
# holds only the program's keys and from one padded to 50 MB with another
# program's section. Each case runs ROUNDS times (default 3); prints every
# time and the medians.
#
#   bench/settings_startup.sh [ROUNDS]
#
# Uses the assembled program folder $OSTRA_DIST (default build/release/dist).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"
# shellcheck source=bench/timing.sh
. "$(dirname "$0")/timing.sh"

bench_rounds "${1:-}" 3

e2e_start_xvfb
e2e_new_program_folder
small=$E2E_PROG
printf '[my11]\nSpinEdit1=3\n[W]\nleft=201\ntop=116\n' >"$small/tevo.ini"
e2e_new_program_folder
big=$E2E_PROG
awk 'BEGIN { print "[other]"; for (i = 0; i < 780000; i++) printf "key%d=%060d\n", i, i
             print "[my11]"; print "SpinEdit1=3"; print "[W]"; print "left=201"; print "top=116" }' >"$big/tevo.ini"
size=$(stat -c %s "$big/tevo.ini")
((size >= 50000000)) || e2e_fail "the large tevo.ini has only $size bytes"

# run FOLDER: sets UP (start to mapped window) and DOWN (SIGTERM to exit).
run() {
  local t0
  bench_start_until_mapped "$1"
  UP=$BENCH_UP
  sleep 1
  t0=$(bench_now)
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 60 || e2e_fail "the program did not end on SIGTERM"
  DOWN=$(bench_since "$t0")
}

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); large tevo.ini: $size bytes"
up_s=() down_s=() up_b=() down_b=()
for ((r = 1; r <= ROUNDS; r++)); do
  run "$small"
  up_s+=("$UP") down_s+=("$DOWN")
  run "$big"
  up_b+=("$UP") down_b+=("$DOWN")
  echo "  round $r: small start ${up_s[-1]} s exit ${down_s[-1]} s; 50 MB start ${up_b[-1]} s exit ${down_b[-1]} s"
done
echo "Median start: small $(printf '%s\n' "${up_s[@]}" | bench_median) s, 50 MB $(printf '%s\n' "${up_b[@]}" | bench_median) s"
echo "Median exit:  small $(printf '%s\n' "${down_s[@]}" | bench_median) s, 50 MB $(printf '%s\n' "${down_b[@]}" | bench_median) s"
