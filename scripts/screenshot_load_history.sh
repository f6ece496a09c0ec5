#!/usr/bin/env bash
# Takes docs/load-history.png: the window "Load history" over the last hour
# on a private Xvfb (1280x1024), opened with Ctrl+H on a program whose
# history file holds a made-up hour (the load walking between 40 and 70 %,
# a rise with pressure and a standing warning, a start point), the pointer
# over the plot so that the read-out shows. Builds nothing.
#
#   scripts/screenshot_load_history.sh [PROGRAM_FOLDER] [OUTPUT]
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

dist=${1:-$OSTRA_ROOT/build/release/dist}
out=${2:-$OSTRA_ROOT/docs/load-history.png}

ostra_require_tools Xvfb xdpyinfo xwininfo xdotool import python3
ostra_require_program "$dist"

tmp=$(mktemp -d)
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/prog" "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
cp "$dist/ostra" "$tmp/prog/"
find "$dist" -maxdepth 1 -type f \( -name '*.wav' -o -name '*.htm' \) -exec cp {} "$tmp/prog/" \;
# The limit line at 90 %; the rise warning off, so that no warning opens.
printf '[x]\r\nxx1=90\r\ncheckbox2=0\r\n' >"$tmp/prog/tevo.ini"

# The hour before now, a sample a second.
python3 - "$tmp/prog/load-history.txt" <<'PY'
import math, random, sys, time
random.seed(7)
now = int(time.time())
lines = ["ostra load history 1", "@%d" % (now - 3600)]
load = 48.0
for i in range(3599):
    t = i / 3599
    target = 48 + 8 * math.sin(t * 9) + (22 if 0.55 < t < 0.68 else 0)
    load += (target - load) * 0.05 + random.uniform(-0.6, 0.6)
    pressure = 20 + 15 * math.sin(t * 23) ** 2 + (480 * math.exp(-((t - 0.6) * 40) ** 2))
    events = ""
    if i == 400:
        events = "s"
    if 0.58 * 3599 <= i < 0.64 * 3599:
        events += "W" if i > int(0.58 * 3599) else "wW"
    lines.append("%d %d%s" % (round(load), round(pressure), (" " + events) if events else ""))
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PY

ostra_start_xvfb || {
  echo "error: could not start Xvfb" >&2
  exit 1
}
pids+=("$OSTRA_XVFB_PID")
export DISPLAY=$OSTRA_XVFB_DISPLAY
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime XDG_CONFIG_HOME=$tmp/home/.config LC_ALL=C
export DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$tmp/no-bus
export PULSE_SERVER=unix:$tmp/no-pulse NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING

(cd "$tmp" && exec "$tmp/prog/ostra") >"$tmp/ostra.log" 2>&1 &
pids+=("$!")

wait_window() {
  local wid= i
  for ((i = 0; i < 150; i++)); do
    wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [[ -n $wid ]] && break
    sleep 0.1
  done
  [[ -n $wid ]] || {
    echo "error: no window \"$1\"; program output:" >&2
    cat "$tmp/ostra.log" >&2
    exit 1
  }
  echo "$wid"
}
geometry() {
  local info
  info=$(xwininfo -id "$1")
  awk -F: '/Absolute upper-left X/ {gsub(/ /, "", $2); x = $2} /Absolute upper-left Y/ {gsub(/ /, "", $2); y = $2}
           /^ *Width:/ {gsub(/ /, "", $2); w = $2} /^ *Height:/ {gsub(/ /, "", $2); h = $2}
           END { print x, y, w, h }' <<<"$info"
}

main=$(wait_window Brisel)
sleep 2
read -r mx my _ _ < <(geometry "$main")
xdotool mousemove $((mx + 60)) $((my + 240)) click 1
xdotool key ctrl+h
wid=$(wait_window "Load history")
sleep 1
read -r x y w h < <(geometry "$wid")
# The pointer over the rise, so that the read-out shows.
xdotool mousemove $((x + w * 62 / 100)) $((y + h / 2))
sleep 1.5
mkdir -p "$(dirname "$out")"
import -window root -crop "${w}x$h+$x+$y" +repage "$out"
echo "$out: the window \"Load history\", ${w}x$h at $x,$y"
