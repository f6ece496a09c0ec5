#!/usr/bin/env bash
# Regenerates the seven cue sounds in data/sounds with sox: short
# synthesized tones, 16-bit mono PCM at 22050 Hz. The output is repeatable
# (no dither, fixed parameters), so running this again changes nothing.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/data/sounds
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fmt=(-D -r 22050 -c 1 -b 16 -e signed-integer)

# tone FILE SECONDS SYNTH-ARGS... : one synthesized piece with soft edges.
tone() {
  local file=$1 len=$2
  shift 2
  sox "${fmt[@]}" -n "$file" synth "$len" "$@"
}

# click.wav: a 40 ms tick.
tone "$tmp/click.wav" 0.04 sine 2200 fade q 0.001 0.04 0.036
sox "${fmt[@]}" "$tmp/click.wav" "$out/click.wav" gain -n -4

# clicklong.wav: a 250 ms falling "tock".
tone "$tmp/clicklong.wav" 0.25 sine 1400-500 fade q 0.002 0.25 0.22
sox "${fmt[@]}" "$tmp/clicklong.wav" "$out/clicklong.wav" gain -n -4

# button.wav: an 80 ms soft square blip.
tone "$tmp/button.wav" 0.08 square 660 fade q 0.003 0.08 0.05
sox "${fmt[@]}" "$tmp/button.wav" "$out/button.wav" gain -8 lowpass 2500 gain -n -6

# memory.wav: a 500 ms rising sweep.
tone "$tmp/memory.wav" 0.5 sine 300-1500 fade q 0.02 0.5 0.12
sox "${fmt[@]}" "$tmp/memory.wav" "$out/memory.wav" gain -n -5

# start.wav: a 400 ms two-note chime (E5, then A5).
tone "$tmp/start1.wav" 0.2 sine 659.3 fade l 0.005 0.2 0.17
tone "$tmp/start2.wav" 0.2 sine 880 fade l 0.005 0.2 0.17
sox "${fmt[@]}" "$tmp/start1.wav" "$tmp/start2.wav" "$out/start.wav" gain -n -4

# alarm.wav: 1.2 s of repeated beeps (four 150 ms beeps, 150 ms apart).
tone "$tmp/alarm.wav" 0.15 sine 988 fade q 0.005 0.15 0.02
sox "${fmt[@]}" "$tmp/alarm.wav" "$out/alarm.wav" pad 0 0.15 repeat 3 gain -n -3

# dingdong.wav: 700 ms, a high and a low tone, each ringing out.
tone "$tmp/ding.wav" 0.35 sine 784 fade l 0.005 0.35 0.3
tone "$tmp/dong.wav" 0.35 sine 622.3 fade l 0.005 0.35 0.3
sox "${fmt[@]}" "$tmp/ding.wav" "$tmp/dong.wav" "$out/dingdong.wav" gain -n -3

for f in click clicklong button memory start alarm dingdong; do
  printf '%-14s %6d bytes  %s s\n' "$f.wav" "$(stat -c %s "$out/$f.wav")" "$(soxi -D "$out/$f.wav")"
done
