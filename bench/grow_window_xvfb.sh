#!/usr/bin/env bash
# Runs bench_grow_window (a refresh of "What grew since the start point"
# with 1,000 applications) with AT-SPI on: a private Xvfb, a session bus
# with the accessibility bus, Qt's AT-SPI bridge switched on
# (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1) and a listener registered for every
# object event, as a screen reader registers, so that the bridge sends its
# D-Bus signals.
#
#   bench/grow_window_xvfb.sh [BENCH_PROGRAM] [benchmark options...]
#
# BENCH_PROGRAM defaults to build/release/bench/bench_grow_window; without
# options it runs 5 repetitions of 50 refreshes each.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"

program=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/release/bench/bench_grow_window}
shift || true
[[ -x $program ]] || e2e_fail "no benchmark program $program (build with -DOSTRA_BUILD_BENCH=ON)"
args=("$@")
if ((${#args[@]} == 0)); then
  args=(--benchmark_repetitions=5 --benchmark_min_time=1 --benchmark_report_aggregates_only=true)
fi

e2e_start_xvfb
e2e_start_atspi
# The screen reader's part: listens to every object event and counts them.
"$E2E_SYS_PYTHON" - "$E2E_TMP/events" "$E2E_TMP/listening" <<'PY' &
import signal, sys
import pyatspi
count = 0
def seen(event):
    global count
    count += 1
def stop(*_):
    with open(sys.argv[1], "w") as f:
        f.write(str(count))
    pyatspi.Registry.stop()
signal.signal(signal.SIGTERM, stop)
pyatspi.Registry.registerEventListener(seen, "object")
open(sys.argv[2], "w").close()
pyatspi.Registry.start()
PY
listener=$!
e2e_track "$listener"
for ((i = 0; i < 100; i++)); do
  [[ -f $E2E_TMP/listening ]] && break
  sleep 0.1
done
[[ -f $E2E_TMP/listening ]] || e2e_fail "the AT-SPI listener did not start"
sleep 0.5

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
unset NO_AT_BRIDGE
"$program" "${args[@]}"
kill -TERM "$listener"
e2e_wait_exit "$listener" 10 || true
echo "AT-SPI object events the listener received: $(cat "$E2E_TMP/events" 2>/dev/null || echo '?')"
