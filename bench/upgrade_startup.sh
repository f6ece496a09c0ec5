#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Start-up with the automatic upgrade check due against a server that
# accepts the connection and never answers, beside the same start without
# the check. The check must not hold the window or the monitor back.
#
#   bench/upgrade_startup.sh [RUNS]        (default 5 of each, alternating)
#
# Each run is a fresh program folder from $OSTRA_DIST (default
# build/release/dist) with [my11] SpinEdit1=1, so that the start counts 2,
# and [net] UpdateHost naming the silent server on 127.0.0.1; the runs
# without the check also have [W] Autoconnecttheonlinupgrade1=0. Private
# Xvfb, session bus and StatusNotifierItem host (gtk-sni-tray-standalone).
# Measured from the start of the process (bench/startup_probe.py):
#   window   the main window "Brisel" mapped;
#   figures  the first tray tip, which the first monitor tick writes with
#            the figure labels (the tick comes a second after the start-up
#            sequence, so this is about window + 1000 ms when nothing
#            blocks).
# Prints every run and the medians.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
runs=${1:-5}

# shellcheck source=tests/e2e/lib.sh
. "$here/../tests/e2e/lib.sh"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.0f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

e2e_start_xvfb
e2e_start_sni_host
e2e_start_http_fixture --mode silent --log "$E2E_TMP/silent.log"
port=$E2E_HTTP_PORT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Program: $OSTRA_DIST/$E2E_EXE_NAME; $runs runs of each case"
printf '%-8s %4s %10s %11s\n' case run "window ms" "figures ms"

declare -A window_ms figures_ms
for ((r = 1; r <= runs; r++)); do
  for c in check nocheck; do
    e2e_new_program_folder
    printf '[my11]\r\nSpinEdit1=1\r\n[net]\r\nUpdateHost=127.0.0.1:%s\r\n' "$port" >"$E2E_PROG/tevo.ini"
    [[ $c == check ]] || printf '[W]\r\nAutoconnecttheonlinupgrade1=0\r\n' >>"$E2E_PROG/tevo.ini"
    before=$(grep -c . "$E2E_TMP/silent.log" 2>/dev/null || true)
    result=$(cd "$E2E_TMP/cwd" && "$E2E_SYS_PYTHON" "$here/startup_probe.py" "$E2E_PROG/$E2E_EXE_NAME" 20) ||
      e2e_fail "$c run $r: the probe failed"
    after=$(grep -c . "$E2E_TMP/silent.log" 2>/dev/null || true)
    # The check, when due, has asked the server by the time the figures came.
    if [[ $c == check ]]; then
      ((after == before + 1)) || e2e_fail "$c run $r: the server got $((after - before)) requests, expected 1"
    else
      ((after == before)) || e2e_fail "$c run $r: the server was asked although the check was off"
    fi
    read -r w f <<<"$result"
    window_ms[$c]+="$w "
    figures_ms[$c]+="$f "
    printf '%-8s %4d %10d %11d\n' "$c" "$r" "$w" "$f"
  done
done

echo
echo "Medians of $runs runs (ms from the start of the process):"
printf '%-28s %10s %11s\n' "" "window" "figures"
for c in check nocheck; do
  label="with the check (silent)"
  [[ $c == check ]] || label="without the check"
  printf '%-28s %10d %11d\n' "$label" \
    "$(tr ' ' '\n' <<<"${window_ms[$c]}" | grep . | median)" \
    "$(tr ' ' '\n' <<<"${figures_ms[$c]}" | grep . | median)"
done
