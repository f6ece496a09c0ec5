#!/usr/bin/env bash
# Runs every benchmark program of the Release build in full and prints the
# results. Builds build/release first (packages must be installed: run
# scripts/test.sh or scripts/run.sh once). Extra arguments go to every
# benchmark program, e.g. --benchmark_filter=Tick or
# --benchmark_repetitions=5. Then times the real program's start with a
# long history on a private Xvfb (bench/history_startup.sh), and measures
# its footprint at rest beside a bare Qt window and conky (bench/footprint.sh).
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

build=$OSTRA_ROOT/build/release
ostra_build "$build" Release -DOSTRA_SANITIZE=OFF -DOSTRA_BUILD_BENCH=ON >&2

export QT_QPA_PLATFORM=offscreen
mapfile -t programs < <(find "$build/bench" -maxdepth 1 -type f -executable -name 'bench_*' 2>/dev/null | sort)
if ((${#programs[@]} == 0)); then
  echo "No benchmark programs in $build/bench." >&2
  exit 1
fi

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Date:    $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$OSTRA_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
status=0
for p in "${programs[@]}"; do
  echo
  echo "=== $(basename "$p") ==="
  "$p" "$@" || status=1
done
echo
echo "=== history_startup.sh ==="
OSTRA_DIST=$build/dist bash "$OSTRA_ROOT/bench/history_startup.sh" || status=1
echo
echo "=== settings_startup.sh ==="
OSTRA_DIST=$build/dist bash "$OSTRA_ROOT/bench/settings_startup.sh" || status=1

# Start-up timing of the real program on a private display.
echo
echo "=== upgrade_startup.sh ==="
OSTRA_DIST=$build/dist bash "$OSTRA_ROOT/bench/upgrade_startup.sh" || status=1

# The program at rest beside a bare Qt tray window and conky, for a minute
# on a private display: on an XEmbed tray (trayer), then on a
# StatusNotifier host.
for host in "" --sni; do
  echo
  echo "=== footprint.sh $host ==="
  OSTRA_DIST=$build/dist OSTRA_BARE_TRAY=$build/bench/bare_tray bash "$OSTRA_ROOT/bench/footprint.sh" $host || status=1
done
exit "$status"
