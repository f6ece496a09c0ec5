#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The program at rest beside two yardsticks, all side by side on one
# private Xvfb and all started together:
#   - Ostra with the tray animation running,
#   - Ostra with the animation off (OSTRA_TRAY_STILL=1),
#   - Ostra with the animation off and its main window hidden ("Hide" from
#     the popup menu of the main window): the monitor's tick idle, the load
#     history reading the load itself,
#   - bare_tray: a bare Qt 6 window with a tray icon and a label updated
#     once a second from /proc/meminfo (bench/bare_tray, built here),
#   - conky showing ${memperc} once a second (installed here when missing).
# The two Ostra copies get program folders and runtime folders of their own,
# so their one-copy guards do not meet; all share the display, the session
# bus and the tray host.
#
#   bench/footprint.sh [--sni] [SECONDS]   measure SECONDS (default 60)
#   bench/footprint.sh --smoke [--sni]     a 3 s run that only proves the
#                                          script works (no package install)
#   bench/footprint.sh --base DIST ...     also the program of the program
#                                          folder DIST (another build, e.g.
#                                          of main), the same two ways, in
#                                          the same run: before and after
#   bench/footprint.sh --textfile ...      one more copy, animation off,
#                                          whose "tevo.ini" sets [export]
#                                          TextfileDir to a folder of its
#                                          own: the collector's file beside
#                                          the copy without it
#
# The tray host is trayer (XEmbed); with --sni it is the StatusNotifier host
# gtk-sni-tray-standalone instead. Qt takes a StatusNotifier host whenever
# one is on the bus, so then bare_tray's icon goes there as well, and the
# comparison stays like with like.
#
# After a warm-up of 5 s (from the moment every window is up) each process
# is measured over SECONDS:
#   CPU ms/min      user+system time of all its threads (/proc/PID/stat),
#                   per minute;
#   ctx switches/s  voluntary + involuntary context switches of its threads
#                   (/proc/PID/task/*/status), per second, thread by thread:
#                   a thread that ends in between (Qt's drawing helpers
#                   end 30 s after start-up) counts nothing;
#   peak RSS        VmHWM at the end;
#   PSS, private    Pss and Private_Clean + Private_Dirty from
#                   /proc/PID/smaps_rollup at the end.
# MB are 1024 kB. CPU time comes in clock ticks (10 ms), so over 60 s the
# figure moves in steps of 10 ms/min. Below the table, the CPU and context
# switches of the shared X server, tray host and session bus, which carry
# and draw every tray frame.
#
# The program folder is $OSTRA_DIST (default build/release/dist); bare_tray
# is $OSTRA_BARE_TRAY, else built as the target bare_tray of the build
# folder that holds $OSTRA_DIST.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

smoke=0 host=trayer secs=60 warmup=5 base= textfile=0
while (($#)); do
  case $1 in
    --smoke) smoke=1 ;;
    --base)
      base=$(cd "${2:?--base needs a program folder}" && pwd)
      shift
      ;;
    --sni) host=sni ;;
    --textfile) textfile=1 ;;
    -h | --help)
      sed -n '3,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
      exit 0
      ;;
    *)
      [[ $1 =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [--smoke] [--sni] [--textfile] [--base DIST] [SECONDS]" >&2; exit 2; }
      secs=$1
      ;;
  esac
  shift
done
((smoke)) && secs=3 warmup=1

: "${OSTRA_DIST:=$root/build/release/dist}"
export OSTRA_DIST

# conky and the display tools. The smoke run installs nothing: it leaves
# conky out when it is missing.
# shellcheck source=scripts/packages.sh
. "$root/scripts/packages.sh"
if ((!smoke)); then
  ostra_install_packages "${OSTRA_BENCH_PACKAGES[@]}"
fi
have_conky=1
command -v conky >/dev/null || have_conky=0
((have_conky || smoke)) || { echo "conky is not installed" >&2; exit 1; }

if [[ -z ${OSTRA_BARE_TRAY:-} ]]; then
  build=$(dirname "$OSTRA_DIST")
  [[ -f $build/CMakeCache.txt ]] || { echo "no build folder at $build (build first)" >&2; exit 1; }
  cmake --build "$build" --target bare_tray >&2
  OSTRA_BARE_TRAY=$build/bench/bare_tray
fi
[[ -x $OSTRA_BARE_TRAY ]] || { echo "no bare_tray program at $OSTRA_BARE_TRAY" >&2; exit 1; }

# The private display, bus, home and program folders.
# shellcheck source=tests/e2e/lib.sh
. "$root/tests/e2e/lib.sh"
E2E_NAME=footprint

# ------------------------------------------------------------ measuring

hz=$(getconf CLK_TCK)
# cpu_ticks PID: user+system clock ticks of all threads, ended ones included.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
# ctx_threads PID: "TID SWITCHES" of each thread now alive.
ctx_threads() {
  local t
  for t in /proc/"$1"/task/*; do
    awk -v tid="${t##*/}" '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print tid, s + 0 }' \
      "$t/status" 2>/dev/null || true
  done
}
# ctx_since BEFORE AFTER: the switches between two ctx_threads listings,
# thread by thread: a thread started in between counts whole, one that
# ended in between counts nothing (its last figures are gone with it).
ctx_since() {
  awk 'NR == FNR { before[$1] = $2; next } { s += $2 - ($1 in before ? before[$1] : 0) } END { print s + 0 }' \
    <(printf '%s\n' "$1") <(printf '%s\n' "$2")
}
# status_kb PID FIELD / rollup_kb PID FIELD...: a figure in kB.
status_kb() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"; }
rollup_kb() {
  local pid=$1
  shift
  awk -v want=" $* " 'index(want, " " substr($1, 1, length($1) - 1) " ") { s += $2 } END { print s + 0 }' \
    "/proc/$pid/smaps_rollup"
}

# wait_window PID TITLE: waits until PID has a mapped window titled TITLE
# (for conky, which names no pid on its window: any such window).
wait_window() {
  local pid=$1 title=$2 deadline=$((SECONDS + 30)) by_pid=(--all --pid "$1")
  [[ $title == conky ]] && by_pid=()
  until [[ -n $(xdotool search "${by_pid[@]}" --onlyvisible --name "^$title\$" 2>/dev/null) ]]; do
    e2e_alive "$pid" || e2e_fail "$title (pid $pid) ended before its window appeared"
    ((SECONDS < deadline)) || e2e_fail "no window \"$title\" of pid $pid within 30 s"
    sleep 0.1
  done
}

# tray_items: how many icons the tray host shows.
tray_items() {
  if [[ $host == sni ]]; then
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
      org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
      string:RegisteredStatusNotifierItems 2>/dev/null | grep -c 'string "' || true
  else
    # trayer puts each embedded icon into a socket window of its panel.
    xwininfo -tree -id "$E2E_TRAY_PANEL" 2>/dev/null | grep -cE '^ +0x[0-9a-f]+ "[^"]*": \("' || true
  fi
}

# ------------------------------------------------------------- start-up

e2e_start_xvfb
case $host in
  trayer) e2e_start_trayer; host_pid=$E2E_TRAYER_PID host_name="trayer" ;;
  sni) e2e_start_sni_host; host_pid=$E2E_SNI_PID host_name="gtk-sni-tray-standalone" ;;
esac

names=() pids=() titles=()
# start_ostra LABEL STILL [DIST [TEXTFILE_DIR]]: a copy of its own program
# folder (from DIST, default $OSTRA_DIST) and runtime folder; with
# TEXTFILE_DIR, its "tevo.ini" names that folder for the collector's file.
start_ostra() {
  local run=$E2E_TMP/runtime-$((${#pids[@]} + 1))
  mkdir -p "$run"
  chmod 700 "$run"
  OSTRA_DIST=${3:-$OSTRA_DIST} e2e_new_program_folder
  if [[ -n ${4:-} ]]; then
    mkdir -p "$4"
    printf '[export]\nTextfileDir=%s\n' "$4" >"$E2E_PROG/tevo.ini"
  fi
  if [[ $2 == 1 ]]; then export OSTRA_TRAY_STILL=1; else unset OSTRA_TRAY_STILL; fi
  XDG_RUNTIME_DIR=$run e2e_start_program
  unset OSTRA_TRAY_STILL
  names+=("$1") pids+=("$E2E_PID") titles+=(Brisel)
}

cat >"$E2E_TMP/conkyrc" <<'EOF'
conky.config = {
    out_to_x = true,
    out_to_console = false,
    own_window = true,
    own_window_type = 'normal',
    own_window_title = 'conky',
    background = false,
    update_interval = 1,
    minimum_width = 120,
    minimum_height = 30,
};
conky.text = [[${memperc}]];
EOF

start_ostra "Ostra, tray animation on" 0
start_ostra "Ostra, animation off (\`OSTRA_TRAY_STILL=1\`)" 1
start_ostra "Ostra, animation off, main window hidden" 1
hide=${pids[-1]}
if ((textfile)); then
  start_ostra "Ostra, animation off, \`[export] TextfileDir\` set" 1 "$OSTRA_DIST" "$E2E_TMP/textfile"
fi
if [[ -n $base ]]; then
  start_ostra "base build, tray animation on" 0 "$base"
  start_ostra "base build, animation off (\`OSTRA_TRAY_STILL=1\`)" 1 "$base"
fi
(cd "$E2E_TMP/cwd" && exec "$OSTRA_BARE_TRAY") >"$E2E_TMP/bare_tray.log" 2>&1 &
e2e_track "$!"
E2E_PROG_LOGS+=("$E2E_TMP/bare_tray.log")
names+=("bare Qt 6 window + tray icon, 1 s label from /proc/meminfo") pids+=("$!") titles+=(bare_tray)
if ((have_conky)); then
  (cd "$E2E_TMP/cwd" && exec conky -c "$E2E_TMP/conkyrc") >"$E2E_TMP/conky.log" 2>&1 &
  e2e_track "$!"
  E2E_PROG_LOGS+=("$E2E_TMP/conky.log")
  names+=("conky (\`\${memperc}\`, 1 s)") pids+=("$!") titles+=(conky)
else
  e2e_note "conky is not installed: left out of this smoke run"
fi

for i in "${!pids[@]}"; do
  wait_window "${pids[i]}" "${titles[i]}"
done
# The Qt programs put an icon in the tray; wait for them (a warning only:
# the figures stay worth seeing).
icons=$((${#pids[@]} - have_conky))
deadline=$((SECONDS + 10))
until (($(tray_items) >= icons)); do
  if ((SECONDS >= deadline)); then
    e2e_note "warning: the tray shows $(tray_items) icons, expected $icons"
    break
  fi
  sleep 0.2
done

# "Hide" from the popup menu of the copy's main window: raised above the
# other copies, which stand at the same place, a right click on its display
# panel, then the menu's third entry by keyboard.
wid=$(xdotool search --all --pid "$hide" --onlyvisible --name '^Brisel$' | head -n 1)
xdotool windowraise "$wid"
sleep 0.3
e2e_geometry "$wid"
xdotool mousemove $((E2E_X + 60)) $((E2E_Y + 240)) click 3
sleep 0.5
xdotool key Down Down Down Return
e2e_wait_map_state "$wid" IsUnMapped 5

sleep "$warmup"

# ------------------------------------------------------------ measuring

shared_names=(Xvfb "$host_name") shared_pids=("$E2E_XVFB_PID" "$host_pid")
# The session bus (started by e2e_start_xvfb right after the X server)
# carries every frame to a StatusNotifier host.
for p in "${E2E_PIDS[@]}"; do
  if [[ $(cat "/proc/$p/comm" 2>/dev/null) == dbus-daemon ]]; then
    shared_names+=("dbus-daemon (session bus)") shared_pids+=("$p")
    break
  fi
done
all=("${pids[@]}" "${shared_pids[@]}")
declare -A t0 c0 t1 c1
load0=$(cut -d' ' -f1-3 /proc/loadavg)
for p in "${all[@]}"; do t0[$p]=$(cpu_ticks "$p") c0[$p]=$(ctx_threads "$p"); done
start=$(date +%s.%N)
sleep "$secs"
for p in "${all[@]}"; do t1[$p]=$(cpu_ticks "$p") c1[$p]=$(ctx_threads "$p"); done
span=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.3f", n - s }')
load1=$(cut -d' ' -f1-3 /proc/loadavg)

for i in "${!pids[@]}"; do
  e2e_assert_alive "${pids[i]}" "${names[i]}"
done
if ((textfile)); then
  [[ -f $E2E_TMP/textfile/ostra-$(id -un).prom ]] || e2e_fail "the copy with TextfileDir wrote no file"
fi

# cpu_ctx PID: "CPU ms/min | ctx switches/s" over the measured span.
cpu_ctx() {
  awk -v t=$((t1[$1] - t0[$1])) -v c="$(ctx_since "${c0[$1]}" "${c1[$1]}")" -v hz="$hz" -v s="$span" \
    'BEGIN { printf "%.0f | %.1f", t * 1000 / hz * 60 / s, c / s }'
}
mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }

echo "Footprint at rest: tray host $host_name, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')," \
  "commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "Measured over ${span} s after a ${warmup} s warm-up; load average $load0 before, $load1 after."
awk -v hz="$hz" -v s="$span" 'BEGIN { printf "CPU time comes in clock ticks: 1 tick is %.1f ms/min over this span.\n", 1000 / hz * 60 / s }'
echo
echo "| program | CPU ms/min | ctx switches/s | peak RSS | PSS | private |"
echo "|---|---|---|---|---|---|"
for i in "${!pids[@]}"; do
  p=${pids[i]}
  echo "| ${names[i]} | $(cpu_ctx "$p") | $(mb "$(status_kb "$p" VmHWM)") |" \
    "$(mb "$(rollup_kb "$p" Pss)") | $(mb "$(rollup_kb "$p" Private_Clean Private_Dirty)") |"
done
echo
echo "Shared by all of them:"
echo
echo "| process | CPU ms/min | ctx switches/s |"
echo "|---|---|---|"
for i in "${!shared_pids[@]}"; do
  echo "| ${shared_names[i]} | $(cpu_ctx "${shared_pids[i]}") |"
done
