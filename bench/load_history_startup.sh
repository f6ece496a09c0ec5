#!/usr/bin/env bash
# Start-up time of the real program with a full day of load history: the
# time from the start of the executable until its main window "Brisel" is
# mapped, on a private Xvfb, side by side from a program folder without
# "load-history.txt" and from one whose file holds 86,400 samples of the
# last 24 hours. Each case runs ROUNDS times (default 5) in turn; prints
# every time and the median of each case.
#
#   bench/load_history_startup.sh [ROUNDS]
#
# Uses the assembled program folder $OSTRA_DIST (default build/release/dist).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"
# shellcheck source=bench/timing.sh
. "$(dirname "$0")/timing.sh"

bench_rounds "${1:-}" 5

e2e_start_xvfb
e2e_new_program_folder
none=$E2E_PROG
e2e_new_program_folder
day=$E2E_PROG

# full_day: a file of the 86,400 seconds before now, load and pressure
# moving, a few events (written afresh before each start of that case, so
# that it always holds a whole day).
full_day() {
  awk -v now="$(date +%s)" 'BEGIN {
    print "ostra load history 1"; printf "@%d\n", now - 86399
    for (i = 0; i < 86400; i++) {
      e = (i % 3600 == 0) ? " sW" : ""
      printf "%d %d%s\n", 30 + (i * 7) % 41, (i * 13) % 10001, e
    } }' >"$day/load-history.txt"
}

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Start until the main window is mapped, $ROUNDS rounds (seconds):"
times_none=() times_day=()
for ((r = 1; r <= ROUNDS; r++)); do
  rm -f "$none/load-history.txt"
  bench_start_and_end "$none"
  times_none+=("$STARTUP")
  full_day
  bench_start_and_end "$day"
  times_day+=("$STARTUP")
  echo "  round $r: no history ${times_none[-1]}, a full day ${times_day[-1]}"
done
echo "Median: no history $(printf '%s\n' "${times_none[@]}" | bench_median) s," \
  "a full day $(printf '%s\n' "${times_day[@]}" | bench_median) s"
