#!/usr/bin/env bash
# Start-up time of the real program with a long history: the time from the
# start of the executable until its main window "Brisel" is mapped, on a
# private Xvfb, from a program folder whose "res.list" is empty and from one
# whose "res.list" holds 100,000 lines. Each case runs ROUNDS times
# (default 5) in turn; prints every time and the median of each case.
#
#   bench/history_startup.sh [ROUNDS]
#
# Uses the assembled program folder $OSTRA_DIST (default build/release/dist).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"
# shellcheck source=bench/timing.sh
. "$(dirname "$0")/timing.sh"

bench_rounds "${1:-}" 5

e2e_start_xvfb

# Two program folders: the big list is written once; the program rewrites
# it at each close, with the same entries.
e2e_new_program_folder
empty=$E2E_PROG
: >"$empty/res.list"
e2e_new_program_folder
big=$E2E_PROG
awk 'BEGIN { for (i = 0; i < 100000; i++)
               printf "%d%% [%d] DATETIME:%02d:%02d:%02d\r\n", i % 101, i, int(i / 3600) % 100, int(i / 60) % 60, i % 60 }' \
  >"$big/res.list"
((big_lines = $(wc -l <"$big/res.list")))
((big_lines == 100000)) || e2e_fail "the long res.list has $big_lines lines"

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Start until the main window is mapped, $ROUNDS rounds (seconds):"
times_empty=() times_big=()
for ((r = 1; r <= ROUNDS; r++)); do
  bench_start_and_end "$empty"
  times_empty+=("$STARTUP")
  bench_start_and_end "$big"
  times_big+=("$STARTUP")
  ((lines = $(wc -l <"$big/res.list")))
  ((lines == 100000)) || e2e_fail "after round $r the long res.list has $lines lines"
  echo "  round $r: empty res.list ${times_empty[-1]}, 100,000 lines ${times_big[-1]}"
done
echo "Median: empty res.list $(printf '%s\n' "${times_empty[@]}" | bench_median) s," \
  "100,000 lines $(printf '%s\n' "${times_big[@]}" | bench_median) s"
