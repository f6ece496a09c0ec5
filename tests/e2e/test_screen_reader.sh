#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The real program read as a screen reader reads it: over AT-SPI (pyatspi)
# on a private X server with a private session bus and accessibility bus.
#   - The main window is a top-level window (AT-SPI's role "frame") named
#     "Brisel".
#   - The "Now Res" gauge is a progress bar whose value is the number the
#     figure beside the "Now Res  " caption (Label31) shows; every gauge of
#     the analysis panel is a named progress bar with a value.
#   - The rest timer ("Timer ") is a label whose text is a time HH:MM:SS;
#     the LED numbers are labels whose text is the number shown.
#   - The alarm switch is a check box. Its press action flips its checked
#     state and runs its command as a click does: off stops the rest timer
#     (its time stands still), on starts it again; the passed-minutes
#     counter stays as it was.
#   - The warning window (the load limit [x] xx1 set under the machine's
#     load, so it opens by itself) and the warning options window show
#     their texts, buttons and check boxes by name, and close by their
#     "OK" pressed through AT-SPI.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

ALARM="Use alarm every interval you set for your rest time"
PASSED="Passed interval minute for your rest time"
OPTIONS="Resource Emergency Warning Option"

# probe COMMAND ARGS...: the probe on the program's main window.
probe() { e2e_atspi "$1" --pid "$E2E_PID" --window Brisel "${@:2}"; }

# obj_info NAME ROLE [WINDOW]: what the screen reader learns of the object
# on WINDOW (default: the main window; "none": anywhere in the program), in
# INFO[role], INFO[name], INFO[value], INFO[text], INFO[states],
# INFO[actions].
declare -A INFO
obj_info() {
  local out line where=(--window "${3:-Brisel}")
  [[ ${3:-} == none ]] && where=()
  out=$(e2e_atspi info --pid "$E2E_PID" "${where[@]}" --name "$1" --role "$2") ||
    e2e_fail "no $2 \"$1\" over AT-SPI"
  INFO=()
  while IFS= read -r line; do
    INFO[${line%%=*}]=${line#*=}
  done <<<"$out"
}

# has_state STATE: true when INFO[states] holds STATE.
has_state() { [[ ,${INFO[states]}, == *",$1,"* ]]; }

# wait_checked NAME yes|no: waits until the check box NAME is (not) checked.
wait_checked() {
  local i
  for ((i = 0; i < 50; i++)); do
    obj_info "$1" "check box"
    if [[ $2 == yes ]] && has_state checked; then return 0; fi
    if [[ $2 == no ]] && ! has_state checked; then return 0; fi
    sleep 0.1
  done
  e2e_fail "\"$1\" checked should be $2; states: ${INFO[states]}"
}

timer_text() {
  obj_info "Timer " label
  [[ ${INFO[text]} =~ ^[0-9]{2}:[0-5][0-9]:[0-5][0-9]$ ]] ||
    e2e_fail "the rest timer's text is not a time HH:MM:SS: '${INFO[text]}'"
  echo "${INFO[text]}"
}

# stopwatch_pixels: a digest of the rest timer's pixels on the screen (it
# shows them in a window of its own, at 246,181 in the main window).
stopwatch_pixels() {
  e2e_geometry "$MAIN_WID"
  import -window root -crop 64x16+$((E2E_X + 246))+$((E2E_Y + 181)) -depth 8 rgb:- 2>/dev/null | md5sum
}

# timer_runs yes|no: the rest timer's time moves (yes) or stands still (no)
# over 2.5 s, for a screen reader and on the screen.
timer_runs() {
  local before after pixels_before pixels_after
  before=$(timer_text)
  pixels_before=$(stopwatch_pixels)
  sleep 2.5
  after=$(timer_text)
  pixels_after=$(stopwatch_pixels)
  if [[ $1 == yes && $before == "$after" ]]; then
    e2e_fail "the rest timer stands at $before although the alarm switch started it"
  elif [[ $1 == no && $before != "$after" ]]; then
    e2e_fail "the rest timer moved from $before to $after although the alarm switch stopped it"
  elif [[ $1 == yes && $pixels_before == "$pixels_after" ]]; then
    e2e_fail "the rest timer's text moved from $before to $after, its picture on the screen did not"
  elif [[ $1 == no && $pixels_before != "$pixels_after" ]]; then
    e2e_fail "the rest timer's picture on the screen changed although it stands at $after"
  fi
}

load=$(e2e_memory_load)
((load >= 1)) || e2e_fail "the memory load is $load %: no limit below it to pass"
limit=$((load >= 10 ? load - 10 : 0))

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
MAIN_WID=$E2E_WID
probe window --timeout 20 >/dev/null || e2e_fail "the main window is not on the accessibility bus"

# The warning window: its message and its three buttons by name.
e2e_note "load $load %, limit $limit: the warning window"
texts=$(e2e_atspi texts --pid "$E2E_PID" --window Ostra --match "push button	OK" --timeout 15) ||
  e2e_fail "no warning window \"Ostra\" with an \"OK\" button over AT-SPI: $texts"
for button in "Limit Reset" "OK" "Exit Program"; do
  grep -qxF "push button	$button	" <<<"$texts" || e2e_fail "the warning window has no button \"$button\": $texts"
done
grep -qE "^label	.{10,}" <<<"$texts" || e2e_fail "the warning window's message is not readable: $texts"
e2e_note "warning: $(grep -m 1 '^label' <<<"$texts" | cut -f 3)"
e2e_atspi press --pid "$E2E_PID" --window Ostra --name OK --role "push button" ||
  e2e_fail "could not press the warning window's OK"
e2e_wait_window_gone Ostra 5

# The main window.
obj_info Brisel frame none
e2e_assert_eq "frame" "${INFO[role]}" "role of the main window"
e2e_assert_eq "Brisel" "${INFO[name]}" "name of the main window"

# "Now Res": the gauge's value is the figure beside the caption. Both move
# with the machine's load, so they are compared until one reading agrees.
for ((i = 0; ; i++)); do
  obj_info "Now Res" "progress bar"
  gauge=${INFO[value]}
  figure=$(probe beside --name "Now Res  " --role label) || e2e_fail "no figure beside \"Now Res  \""
  [[ $figure =~ ^[0-9]+%$ ]] || e2e_fail "the \"Now Res\" figure reads '$figure'"
  [[ $gauge == "${figure%\%}" ]] && break
  ((i < 40)) || e2e_fail "the \"Now Res\" gauge's value $gauge never matched its figure ($figure)"
  sleep 0.5
done
e2e_note "\"Now Res\" gauge $gauge, figure $figure"
for gauge in "Used Res" "Start Res" "Prior Res" "Present Res" "Last Used Res(Prior~Now)" \
  "Total Used Res(Start~Now)" "The Prior Last Run  Res"; do
  obj_info "$gauge" "progress bar"
  e2e_assert_range 0 100 "${INFO[value]%.*}" "value of the gauge \"$gauge\""
done

# The LED numbers and the rest timer.
obj_info "Alarm interval minute for your rest time" label
e2e_assert_eq 60 "${INFO[text]}" "the interval LED's text"
obj_info "Res List Count" label
e2e_assert_eq 0 "${INFO[text]}" "the RES list count's text"
obj_info "$PASSED" label
passed=${INFO[text]}
[[ $passed =~ ^[0-9]+$ ]] || e2e_fail "the passed-minutes LED reads '$passed'"
e2e_note "rest timer at $(timer_text), passed minutes $passed"

# The alarm switch: a check box, off at a first start; its actions click it.
obj_info "$ALARM" "check box"
has_state checked && e2e_fail "the alarm switch is on at a first start"
[[ ${INFO[actions]} == Press,* || ${INFO[actions]} == press,* ]] ||
  e2e_fail "the alarm switch's first action is not \"press\": ${INFO[actions]}"
toggle=$(tr ',' '\n' <<<"${INFO[actions]}" | grep -ix toggle) ||
  e2e_fail "the alarm switch has no toggle action: ${INFO[actions]}"

first_press=$(date +%s)
probe press --name "$ALARM" --role "check box" || e2e_fail "the alarm switch's press action failed"
wait_checked "$ALARM" yes
timer_runs yes
probe press --name "$ALARM" --role "check box" || e2e_fail "the alarm switch's press action failed"
wait_checked "$ALARM" no
sleep 0.5
timer_runs no
probe press --name "$ALARM" --role "check box" --action "$toggle" ||
  e2e_fail "the alarm switch's toggle action failed"
wait_checked "$ALARM" yes
timer_runs yes
obj_info "$PASSED" label
# Switching counts nothing by itself; a new wall-clock minute while the
# alarm was on counts one.
crossed=$(($(date +%s) / 60 - first_press / 60))
e2e_assert_range "$passed" $((passed + crossed)) "${INFO[text]}" \
  "passed minutes after the alarm switch went on, off and on ($crossed minute boundaries passed)"

# The warning options window, opened by its button: texts and controls.
probe press --name "$OPTIONS" --role "push button" || e2e_fail "could not press \"$OPTIONS\""
texts=$(e2e_atspi texts --pid "$E2E_PID" --window "$OPTIONS" --match "push button	Default" --timeout 15) ||
  e2e_fail "no window \"$OPTIONS\" over AT-SPI: $texts"
for line in "label	This will protect your system  not to be down accidently ." \
  "check box	Use Resource Emergency" "check box	Use speedy rising of Resource Emergency" \
  "check box	Use Sound" "push button	OK"; do
  grep -qF "$line" <<<"$texts" || e2e_fail "the options window does not read \"$line\": $texts"
done
e2e_atspi press --pid "$E2E_PID" --window "$OPTIONS" --name OK --role "push button" ||
  e2e_fail "could not press the options window's OK"
e2e_wait_window_gone "$OPTIONS" 5
e2e_assert_alive "$E2E_PID" "the program"
e2e_pass
