#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The program at rest: CPU time and peak memory over a quiet minute, on a
# private Xvfb with a tray host, with the tray animation running and with
# it switched off (OSTRA_TRAY_STILL=1).
#
#   bench/rest_footprint.sh [SECONDS]           all four cases, one table
#   bench/rest_footprint.sh --one HOST STILL S  one case (HOST: trayer|sni)
#
# The program folder is $OSTRA_DIST (default build/release/dist). CPU is
# user+system time of the program (and of the tray host) from /proc/PID/stat
# over SECONDS (default 60), measured from 5 s after the main window
# appeared; memory is the program's VmHWM at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ ${1:-} != --one ]]; then
  secs=${1:-60}
  printf '%-8s %-10s %14s %14s %12s\n' host animation "program CPU s" "host CPU s" "VmHWM kB"
  for host in trayer sni; do
    for still in 0 1; do
      bash "$0" --one "$host" "$still" "$secs" | tail -n 1
    done
  done
  exit 0
fi
host=$2 still=$3 secs=$4

# The end-to-end helpers give the private display, bus and program folder.
# shellcheck source=tests/e2e/lib.sh
. "$here/../tests/e2e/lib.sh"

cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

e2e_start_xvfb
case $host in
  trayer) e2e_start_trayer; host_pid=$E2E_TRAYER_PID ;;
  sni) e2e_start_sni_host; host_pid=$E2E_SNI_PID ;;
  *) e2e_fail "unknown host $host" ;;
esac
e2e_new_program_folder
if [[ $still == 1 ]]; then export OSTRA_TRAY_STILL=1; else unset OSTRA_TRAY_STILL; fi
e2e_start_program
e2e_wait_window Brisel 15
sleep 5
hz=$(getconf CLK_TCK)
p0=$(cpu_ticks "$E2E_PID") h0=$(cpu_ticks "$host_pid")
sleep "$secs"
e2e_assert_alive "$E2E_PID" "the program"
p1=$(cpu_ticks "$E2E_PID") h1=$(cpu_ticks "$host_pid")
hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$E2E_PID/status")
anim=running
[[ $still == 1 ]] && anim=off
awk -v h="$host" -v a="$anim" -v p=$((p1 - p0)) -v t=$((h1 - h0)) -v hz="$hz" -v m="$hwm" \
  'BEGIN { printf "%-8s %-10s %14.2f %14.2f %12d\n", h, a, p / hz, t / hz, m }'
