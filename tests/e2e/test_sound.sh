#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Sound cues of the real program through a real sound server: a private
# PulseAudio with a null sink, whose monitor is recorded with parec while
# the program plays; the recording is then cut into its sounding stretches
# (wavsegments.py) and compared with the files that were played.
#
#   1. The first start plays "start.wav" (activation of the main window):
#      the recording holds the file's beeps at the file's own offsets and
#      lengths; the dock button "Stick to the right end" plays "click.wav"
#      with the file's length (soxi -D, +-50 ms).
#   2. A replaced "start.wav" (a 0.8 s tone) arrives with its full length.
#   3. A second cue cuts off the first: "start.wav" is a quiet 2 s tone and
#      the dock button is clicked 0.5 s after the window appears; the tone
#      stops where the click starts and nothing sounds after the click.
#   4. A missing "start.wav", and one that is no wave file, play the
#      desktop's "bell" sound instead.
#   5. With "Use Sound" off ([x] SoundCheck=0) neither the start nor the
#      click makes a sound.
#   6. Under a window manager, "start.wav" plays when the main window
#      becomes the program's active window (at start, and back from the
#      information window), not when the user comes back to it from another
#      application (twice here).
#   7. The connection to the sound server is closed 10 s after the last
#      cue has ended (never during a sound: an 11 s "start.wav" plays
#      whole); the next click
#      opens it again and "click.wav" sounds with its full length. The
#      cues are played by the cue player "ostra-cue" beside the executable;
#      the program never maps the sound libraries itself.
#   8. Without "ostra-cue" in the program folder: no sound, the click still
#      works and the program ends normally.
# The resource warnings are switched off in every run so that no
# "dingdong.wav" can sound in between.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

SEGMENTS=$E2E_LIB_DIR/wavsegments.py
BELL=/usr/share/sounds/freedesktop/stereo/bell.oga

e2e_start_xvfb
e2e_start_pulse
# A silent stream keeps the null sink running, so that its monitor delivers
# a continuous signal and positions in a recording are times.
pacat --raw /dev/zero &
e2e_track "$!"

# ------------------------------------------------------------- helpers

# rec_start NAME: records the sink into $E2E_TMP/NAME.wav (REC_FILE).
# A short fragment size: with the default one the server hands the
# recorder its audio in chunks of up to two seconds, and the last chunk is
# lost when the recorder is stopped.
rec_start() {
  REC_FILE=$E2E_TMP/$1.wav
  parec -d test_null.monitor --latency-msec=50 --file-format=wav "$REC_FILE" &
  REC_PID=$!
  e2e_track "$REC_PID"
  sleep 0.4
}

rec_stop() {
  kill -INT "$REC_PID" 2>/dev/null || true
  e2e_wait_exit "$REC_PID" 5 || e2e_fail "parec did not stop"
  [[ -s $REC_FILE ]] || e2e_fail "the recording $REC_FILE is empty"
}

# segments FILE [THRESHOLD]: "start length peak" lines of the sounding
# stretches of FILE.
segments() {
  python3 "$SEGMENTS" --threshold "${2:-0.01}" "$1" || e2e_fail "cannot analyse $1"
}

# near ACTUAL EXPECTED TOLERANCE WHAT: |ACTUAL - EXPECTED| <= TOLERANCE.
near() {
  awk -v a="$1" -v e="$2" -v t="$3" 'BEGIN { d = a - e; if (d < 0) d = -d; exit !(d <= t) }' ||
    e2e_fail "$4: expected $2 +- $3, got $1"
}

# less ACTUAL LIMIT WHAT: ACTUAL < LIMIT.
less() {
  awk -v a="$1" -v l="$2" 'BEGIN { exit !(a < l) }' || e2e_fail "$3: expected below $2, got $1"
}

# field LINES N COLUMN: column (1 start, 2 length, 3 peak) of line N.
field() { awk -v n="$2" -v c="$3" 'NR == n { print $c }' <<<"$1"; }
count() { if [[ -z $1 ]]; then echo 0; else wc -l <<<"$1"; fi; }

# prepare [SOUND]: a fresh program folder whose settings switch both
# resource warnings off and "Use Sound" to SOUND (default 1).
prepare() {
  e2e_new_program_folder
  printf '[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\nSoundCheck=%s\r\n' "${1:-1}" >"$E2E_PROG/tevo.ini"
}

# run_program ACTION: starts the program while recording, waits for its
# window, runs the shell function ACTION, and ends the program.
run_program() {
  e2e_start_program
  e2e_wait_window Brisel 15
  "$1"
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
}

# recorded NAME ACTION: run_program ACTION while recording into NAME.wav.
recorded() {
  rec_start "$1"
  run_program "$2"
  rec_stop
}

click_dock() { xdotool mousemove --window "$E2E_WID" 27 72 click 1; }

# ------------------------------------------- 1. start and click, shipped

# The dock click moves the window to the right edge of the 1280 pixel
# screen, leaving only the dock tab (x 1280 + 1 - 38): proof that the click
# reached the program.
action_start_then_click() {
  sleep 1.5
  click_dock
  e2e_wait_position "$E2E_WID" 1243 116
  sleep 1
}
prepare
recorded shipped action_start_then_click
rec=$(segments "$REC_FILE")
file=$(segments "$E2E_PROG/start.wav")
click_len=$(soxi -D "$E2E_PROG/click.wav")
nfile=$(count "$file")
e2e_assert_eq $((nfile + 1)) "$(count "$rec")" "sounding stretches recorded (start.wav's $nfile, then the click): $rec"
t0=$(field "$rec" 1 1)
f0=$(field "$file" 1 1)
for ((i = 1; i <= nfile; i++)); do
  near "$(awk -v a="$(field "$rec" "$i" 1)" -v b="$t0" 'BEGIN { print a - b }')" \
    "$(awk -v a="$(field "$file" "$i" 1)" -v b="$f0" 'BEGIN { print a - b }')" 0.02 "start.wav beep $i offset"
  near "$(field "$rec" "$i" 2)" "$(field "$file" "$i" 2)" 0.02 "start.wav beep $i length"
done
near "$(field "$rec" $((nfile + 1)) 2)" "$click_len" 0.05 "click.wav length (soxi -D $click_len)"
e2e_note "start.wav: $nfile beeps as in the file; click.wav: $(field "$rec" $((nfile + 1)) 2) s (file $click_len s)"

# --------------------------------------------- 2. a replaced start.wav

action_wait() { sleep 2; }
prepare
sox -n -r 22050 -c 1 -b 16 "$E2E_PROG/start.wav" synth 0.8 sine 660 vol 0.5
tone_len=$(soxi -D "$E2E_PROG/start.wav")
recorded tone action_wait
rec=$(segments "$REC_FILE")
e2e_assert_eq 1 "$(count "$rec")" "sounding stretches of the 0.8 s start tone: $rec"
near "$(field "$rec" 1 2)" "$tone_len" 0.05 "recorded start tone length (soxi -D $tone_len)"
e2e_note "0.8 s start.wav: recorded $(field "$rec" 1 2) s"

# ------------------------------------------ 3. the second cue cuts off

action_click_during_tone() {
  sleep 0.5
  click_dock
  sleep 2.5
}
prepare
# Quiet enough (peak 0.3) to tell it from the click (peak 0.63).
sox -n -r 22050 -c 1 -b 16 "$E2E_PROG/start.wav" synth 2 sine 440 vol 0.3
recorded cut action_click_during_tone
all=$(segments "$REC_FILE")
loud=$(segments "$REC_FILE" 0.45)
e2e_assert_eq 1 "$(count "$loud")" "clicks in the recording (stretches above 0.45): $loud"
tone_start=$(field "$all" 1 1)
tone_len=$(field "$all" 1 2)
click_start=$(field "$loud" 1 1)
last=$(count "$all")
sound_end=$(awk -v s="$(field "$all" "$last" 1)" -v l="$(field "$all" "$last" 2)" 'BEGIN { print s + l }')
click_end=$(awk -v s="$click_start" -v l="$(field "$loud" 1 2)" 'BEGIN { print s + l }')
since_tone=$(awk -v c="$click_start" -v t="$tone_start" 'BEGIN { print c - t }')
awk -v d="$since_tone" 'BEGIN { exit !(d > 0.1 && d < 1.8) }' ||
  e2e_fail "the click did not come during the tone (tone at $tone_start, click at $click_start)"
less "$tone_len" 1.9 "length of the 2 s tone's stretch (cut off by the click)"
near "$sound_end" "$click_end" 0.03 "end of all sound vs end of the click (nothing of the tone after the click)"
e2e_note "2 s tone cut after $since_tone s; sound ends at the click's end ($sound_end s)"

# ----------------------------------------- 4. a missing file: the bell

prepare
rm "$E2E_PROG/start.wav"
sox "$BELL" "$E2E_TMP/bell.wav"
bell=$(segments "$E2E_TMP/bell.wav")
recorded bell action_wait
rec=$(segments "$REC_FILE")
e2e_assert_eq "$(count "$bell")" "$(count "$rec")" "sounding stretches for a missing start.wav (the bell has $(count "$bell")): $rec"
near "$(field "$rec" 1 2)" "$(field "$bell" 1 2)" 0.03 "length of the default sound vs bell.oga"
near "$(field "$rec" 1 3)" "$(field "$bell" 1 3)" 0.05 "peak of the default sound vs bell.oga"
e2e_note "missing start.wav: the bell, $(field "$rec" 1 2) s"

# An unreadable file (not a wave file at all) plays the bell too.
prepare
printf 'this is no wave file\n' >"$E2E_PROG/start.wav"
recorded corrupt action_wait
rec=$(segments "$REC_FILE")
e2e_assert_eq "$(count "$bell")" "$(count "$rec")" "sounding stretches for an unreadable start.wav: $rec"
near "$(field "$rec" 1 2)" "$(field "$bell" 1 2)" 0.03 "length of the default sound for an unreadable file"
e2e_note "unreadable start.wav: the bell, $(field "$rec" 1 2) s"

# ------------------------------------------------ 5. "Use Sound" off

prepare 0
recorded silent action_start_then_click
rec=$(segments "$REC_FILE" 0.001)
e2e_assert_eq "" "$rec" "sound recorded with SoundCheck=0"
e2e_assert_ini "$E2E_PROG/tevo.ini" x SoundCheck 0
e2e_note "SoundCheck=0: silence"

# ------------------------------ 6. activation within the program only

# activate WID: the window manager gives WID the focus, as a click on it does.
activate() { xdotool windowactivate --sync "$1" 2>/dev/null || e2e_fail "could not activate window $1"; }
action_switch_applications() {
  sleep 1.5
  xmessage -geometry +700+600 "another application" &
  e2e_track "$!"
  e2e_wait_window xmessage 10 "$!"
  local other=$E2E_WID main
  main=$(e2e_visible_windows Brisel)
  for _ in 1 2; do
    activate "$other"
    sleep 1
    activate "$main"
    sleep 1.5
  done
  # "Information" (RxSpeedButton5 on Panel2), then its OK: the main window
  # is the program's active window again.
  xdotool mousemove --window "$main" 194 43 click 1
  e2e_wait_window Information 10
  activate "$E2E_WID"
  xdotool key Return
  sleep 1.5
  E2E_WID=$main
}
e2e_start_openbox
prepare
sox -n -r 22050 -c 1 -b 16 "$E2E_PROG/start.wav" synth 0.8 sine 660 vol 0.5
recorded switch action_switch_applications
rec=$(segments "$REC_FILE")
tones=$(awk '$2 > 0.7 && $2 < 0.9' <<<"$rec")
e2e_assert_eq 2 "$(count "$tones")" "0.8 s start tones (the start, back from the information window): $rec"
e2e_stop_openbox
e2e_note "activation: start.wav at the start and back from the information window only"

# ------------------------- 7. the sound server let go between the cues

# sound_connected: whether the sound server has a client named after the
# program, played by the program's cue player. The program itself never
# maps the sound libraries.
sound_connected() {
  [[ -z $(grep -E 'libcanberra|libpulse' "/proc/$E2E_PID/maps") ]] ||
    e2e_fail "the program maps the sound libraries itself"
  pgrep -P "$E2E_PID" -x ostra-cue >/dev/null && pactl list clients 2>/dev/null | grep -q 'application.name = "Ostra"'
}
action_long_tone_then_rest() {
  # Still connected while the 11 s tone plays past the idle spell.
  sleep 10.5
  sound_connected || e2e_fail "the connection was closed while the long start.wav played"
  local i
  for ((i = 0; i < 150; i++)); do
    sound_connected || break
    sleep 0.1
  done
  sound_connected && e2e_fail "the connection to the sound server is still open 10 s after the last cue"
  # The player lets go as the tone ends: a click right after it would run
  # into the tone's stretch of the recording.
  sleep 0.5
  click_dock
  e2e_wait_position "$E2E_WID" 1243 116
  sleep 1
  sound_connected || e2e_fail "the click did not open the sound server again"
}
prepare
sox -n -r 22050 -c 1 -b 16 "$E2E_PROG/start.wav" synth 11 sine 440 vol 0.3
tone_len=$(soxi -D "$E2E_PROG/start.wav")
recorded idle action_long_tone_then_rest
rec=$(segments "$REC_FILE")
e2e_assert_eq 2 "$(count "$rec")" "sounding stretches (the 11 s tone, then the click): $rec"
near "$(field "$rec" 1 2)" "$tone_len" 0.05 "the long start tone's length"
near "$(field "$rec" 2 2)" "$click_len" 0.05 "click.wav after the sound server was let go"
e2e_note "idle: the 11 s tone whole, the connection closed, then click.wav $(field "$rec" 2 2) s"

# ------------------------------------------ 8. the cue player missing

prepare
rm "$E2E_PROG/ostra-cue"
recorded noplayer action_start_then_click
e2e_assert_eq "" "$(segments "$REC_FILE" 0.001)" "sound recorded without the cue player"
e2e_assert_eq 0 "$E2E_EXIT" "exit status without the cue player"
e2e_note "no cue player: silence, and the program works on"

e2e_pass
