# shellcheck shell=bash
# Timing helpers shared by the start-up benchmarks. Source after
# tests/e2e/lib.sh.

# bench_rounds ARG DEFAULT: sets ROUNDS to ARG, or DEFAULT when ARG is
# empty; anything but a positive number ends the script.
bench_rounds() {
  ROUNDS=${1:-$2}
  [[ $ROUNDS =~ ^[1-9][0-9]*$ ]] || e2e_fail "ROUNDS must be a positive number, got '$ROUNDS'"
}

# bench_now: seconds since the epoch with nanoseconds.
bench_now() { date +%s.%N; }

# bench_since T0: seconds since T0, three decimals.
bench_since() { awk -v s="$1" -v n="$(bench_now)" 'BEGIN { printf "%.3f\n", n - s }'; }

# bench_median: the median of the numbers on standard input.
bench_median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# bench_start_until_mapped FOLDER: starts FOLDER's program and sets
# BENCH_UP to the seconds until its main window "Brisel" is mapped.
bench_start_until_mapped() {
  local t0 ids
  t0=$(bench_now)
  e2e_start_program "$1"
  while :; do
    ids=$(xdotool search --onlyvisible --name '^Brisel$' 2>/dev/null || true)
    [[ -n $ids ]] && break
    e2e_alive "$E2E_PID" || e2e_fail "the program ended before its main window appeared"
    awk -v s="$t0" -v n="$(bench_now)" 'BEGIN { exit !(n - s > 60) }' && e2e_fail "no main window within 60 s"
    sleep 0.01
  done
  BENCH_UP=$(bench_since "$t0")
}

# bench_start_and_end FOLDER: sets STARTUP to the seconds from the start of
# FOLDER's program until its main window is mapped, then ends it.
bench_start_and_end() {
  bench_start_until_mapped "$1"
  STARTUP=$BENCH_UP
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 30 || e2e_fail "the program did not end on SIGTERM"
}
