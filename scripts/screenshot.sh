#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window on a private Xvfb (1280x1024),
# started from a fresh copy of the program folder (first start: design
# place, analysis panel open), 3 s after it appeared. Builds nothing.
#
#   scripts/screenshot.sh [PROGRAM_FOLDER] [OUTPUT]
#
# PROGRAM_FOLDER defaults to build/release/dist, OUTPUT to
# docs/screenshot.png. The desktop behind the window is a plain colour, so
# the window's shape shows in its gaps.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

dist=${1:-$OSTRA_ROOT/build/release/dist}
out=${2:-$OSTRA_ROOT/docs/screenshot.png}
desktop='#3b6e8f'

ostra_require_tools Xvfb xdpyinfo xwininfo xdotool import display
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

# A fresh program folder: the executable and its data files only.
mkdir -p "$tmp/prog" "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
cp "$dist/ostra" "$tmp/prog/"
find "$dist" -maxdepth 1 -type f \( -name '*.wav' -o -name '*.htm' \) -exec cp {} "$tmp/prog/" \;

ostra_start_xvfb || {
  echo "error: could not start Xvfb" >&2
  exit 1
}
pids+=("$OSTRA_XVFB_PID")
export DISPLAY=$OSTRA_XVFB_DISPLAY

# Nothing of the user's session is touched: own home, no buses, no sound.
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime XDG_CONFIG_HOME=$tmp/home/.config
export DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$tmp/no-bus
export PULSE_SERVER=unix:$tmp/no-pulse NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING

# (display sets the root background and then reports failure: ignore it)
display -window root -size 8x8 "xc:$desktop" 2>/dev/null || true

(cd "$tmp" && exec "$tmp/prog/ostra") >"$tmp/ostra.log" 2>&1 &
pids+=("$!")

wid=
for ((i = 0; i < 150; i++)); do
  wid=$(xdotool search --onlyvisible --name '^Brisel$' 2>/dev/null | head -n 1 || true)
  [[ -n $wid ]] && break
  sleep 0.1
done
if [[ -z $wid ]]; then
  echo "error: the main window did not appear; program output:" >&2
  cat "$tmp/ostra.log" >&2
  exit 1
fi
sleep 3

info=$(xwininfo -id "$wid")
x=$(awk -F: '/Absolute upper-left X/ {gsub(/ /, "", $2); print $2}' <<<"$info")
y=$(awk -F: '/Absolute upper-left Y/ {gsub(/ /, "", $2); print $2}' <<<"$info")
w=$(awk -F: '/^ *Width:/ {gsub(/ /, "", $2); print $2}' <<<"$info")
h=$(awk -F: '/^ *Height:/ {gsub(/ /, "", $2); print $2}' <<<"$info")
# The pointer away from the window, so that no hover shows.
xdotool mousemove 5 1000
sleep 0.3
mkdir -p "$(dirname "$out")"
import -window root -crop "${w}x$h+$x+$y" +repage "$out"
echo "$out: the main window, ${w}x$h at $x,$y"
