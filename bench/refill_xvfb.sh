#!/usr/bin/env bash
# Runs bench_refill (the tick's gauge re-fill on the real main window) on a
# private Xvfb, so that the 300 repaints go through an X server.
#
#   bench/refill_xvfb.sh [BENCH_PROGRAM] [benchmark options...]
#
# BENCH_PROGRAM defaults to build/release/bench/bench_refill; without
# options it runs 9 repetitions and prints mean, median and spread.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/../scripts/common.sh"

program=${1:-$OSTRA_ROOT/build/release/bench/bench_refill}
shift || true
[[ -x $program ]] || {
  echo "error: no benchmark program $program (build with -DOSTRA_BUILD_BENCH=ON)" >&2
  exit 1
}
args=("$@")
if ((${#args[@]} == 0)); then
  args=(--benchmark_repetitions=9 --benchmark_min_time=0.5 --benchmark_report_aggregates_only=true)
fi

tmp=$(mktemp -d)
ostra_start_xvfb || {
  echo "error: could not start Xvfb" >&2
  exit 1
}
trap 'kill "$OSTRA_XVFB_PID" 2>/dev/null || true; wait "$OSTRA_XVFB_PID" 2>/dev/null || true; rm -rf "$tmp"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
DISPLAY=$OSTRA_XVFB_DISPLAY QT_QPA_PLATFORM=xcb HOME=$tmp XDG_RUNTIME_DIR=$tmp \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus NO_AT_BRIDGE=1 \
  "$program" "${args[@]}"
