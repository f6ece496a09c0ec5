#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Latency of a sound cue, measured at a private PulseAudio null sink,
# median over 20 cues (or the count given). The goal is under 100 ms.
#   1. The real program: from a mouse click on the dock button "Stick to
#      the right end" (which plays "click.wav") to the first sound. The
#      figure includes starting xdotool and the recording path.
#   2. The platform alone: cue_driver (built here against libostra_core.a)
#      calls LinuxPlatform::playSound for "click.wav"; from the call to the
#      first sound.
#
#   bench/cue_latency.sh [COUNT]
#
# With OSTRA_CUE_GAP=11 every cue comes after a silence longer than the cue
# player's quiet spell: the time of a first cue that starts the player.
#
# OSTRA_DIST names the program folder (default: build/release/dist); the
# build folder holding libostra_core.a is taken as its parent unless
# OSTRA_BUILD says otherwise.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"

COUNT=${1:-20}
BENCH_DIR=$(cd "$(dirname "$0")" && pwd)
SRC_DIR=$(cd "$BENCH_DIR/.." && pwd)
: "${OSTRA_BUILD:=$(cd "$OSTRA_DIST/.." && pwd)}"

e2e_start_xvfb
e2e_start_pulse
pacat --raw /dev/zero &
e2e_track "$!"
e2e_new_program_folder
# No resource warning may sound in between.
printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
sleep 1.5 # past the start sound
echo "== the program: click on the dock button -> click.wav"
python3 "$BENCH_DIR/cue_latency.py" click "$E2E_WID" 27 72 "$COUNT"
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || true

echo "== LinuxSoundPlayer::play -> click.wav"
[[ -f $OSTRA_BUILD/libostra_core.a ]] || e2e_fail "no $OSTRA_BUILD/libostra_core.a (set OSTRA_BUILD)"
# shellcheck disable=SC2046 # pkg-config output is a list of flags
g++ -std=c++20 -O1 -fPIC -I"$SRC_DIR/src" "$BENCH_DIR/cue_driver.cpp" -o "$E2E_TMP/cue_driver" \
  "$OSTRA_BUILD/libostra_core.a" $(pkg-config --cflags --libs Qt6Widgets Qt6DBus libcanberra) ||
  e2e_fail "cannot build cue_driver"
OSTRA_CUE_HELPER=$E2E_PROG/ostra-cue \
  python3 "$BENCH_DIR/cue_latency.py" driver "$E2E_TMP/cue_driver" "$E2E_PROG/click.wav" "$COUNT"
