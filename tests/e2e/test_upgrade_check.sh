#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The automatic upgrade check at start against real HTTP servers on
# 127.0.0.1 (http_fixture.py, one per behaviour). Every program folder
# starts with [my11] SpinEdit1=1, so this start counts 2 and the check is
# due, and [net] UpdateHost naming the server.
#  1. The version file's first line is 1.04: the "Confirm" offer comes;
#     Escape (No) leaves the program running; "vornalk.vvv" is the file as
#     served. Again with Yes (Enter): the installer address goes to the
#     default browser (a recording handler) and the program ends with its
#     settings written.
#  2. First line 1.03 (second line 1.04): stored, and no offer.
#  3. A server that accepts and never answers: no offer and no hang. The
#     main window is there and the monitor samples meanwhile (the tray
#     tip, written by every tick, moves on with the rest timer while the
#     request is still open); after the 10 s limit still no offer and no
#     "vornalk.vvv"; SIGTERM then ends the program normally with its
#     settings written. A second start is ended by SIGTERM while its
#     request is still open.
#  4. An endless body: the transfer is cut (the connection closed), no
#     "vornalk.vvv" over 64 KiB ever appears, no offer.
#  5. A 404 with an earlier "vornalk.vvv" (first line 1.03): the earlier
#     copy stays byte for byte, no offer.
#  6. Not due: the check switched off ([W] Autoconnecttheonlinupgrade1=0),
#     or the start counting 3: the server (serving 1.04) is not asked, and
#     no network library (nor GIO, nor a sound library) is mapped (case 2 shows the check loading the
#     download module from the program folder).
#  7. The download module missing from the program folder: a due check
#     fails quietly, no offer, the program runs on and ends normally.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

PROBE=$E2E_LIB_DIR/sni_probe.py
probe() { "$E2E_SYS_PYTHON" "$PROBE" "$@"; }
VERSION_PATH=/vornalk/file/t_amrel_v.txt
LIMIT=$((64 * 1024))

# new_folder PORT: a fresh program folder whose next start checks
# against 127.0.0.1:PORT.
new_folder() {
  e2e_new_program_folder
  printf '[my11]\r\nSpinEdit1=1\r\n[net]\r\nUpdateHost=127.0.0.1:%s\r\n' "$1" >"$E2E_PROG/tevo.ini"
}

# start_checked LOG: starts the program, waits for its main window and for
# the version file's request in the server's LOG.
start_checked() {
  local log=$1 i
  e2e_start_program
  e2e_wait_window Brisel 15
  MAIN=$E2E_WID
  for ((i = 0; i < 100; i++)); do
    grep -qxF "GET $VERSION_PATH" "$log" 2>/dev/null && break
    sleep 0.1
  done
  grep -qxF "GET $VERSION_PATH" "$log" 2>/dev/null || e2e_fail "the server got no request for $VERSION_PATH"
  e2e_assert_eq 1 "$(grep -c . "$log")" "requests in $(basename "$log")"
}

# end_normally WHAT: SIGTERM, exit status 0, settings written (the start
# counter saved as 2).
end_normally() {
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "$1: the program still runs 10 s after SIGTERM"
  e2e_assert_eq 0 "$E2E_EXIT" "$1: exit status"
  e2e_assert_ini "$E2E_PROG/tevo.ini" my11 SpinEdit1 2
  e2e_assert_ini "$E2E_PROG/tevo.ini" W Autoconnecttheonlinupgrade1 1
}

# tip: the tray tip of the program's one StatusNotifierItem.
tip() { probe tooltip "$ITEM" 2>/dev/null || true; }

# tip_seconds TIP: the rest timer's time in the tip, in seconds.
tip_seconds() {
  [[ $1 =~ ^Ostra[0-9]{1,3}%/([0-9]{2}):([0-9]{2}):([0-9]{2})$ ]] || e2e_fail "tip '$1' is not Ostra<free>%/hh:mm:ss"
  echo $((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
}

# A default browser that records the address it is given.
URLS=$E2E_TMP/browser-urls
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
# shellcheck disable=SC2016 # "$1" belongs to the handler
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$URLS" >"$E2E_TMP/record-url"
chmod +x "$E2E_TMP/record-url"
printf '[Desktop Entry]\nType=Application\nName=Recording browser\nExec=%s %%u\nMimeType=x-scheme-handler/http;\n' \
  "$E2E_TMP/record-url" >"$XDG_DATA_HOME/applications/recording-browser.desktop"
printf '[Default Applications]\nx-scheme-handler/http=recording-browser.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

# The servers.
SITE=$E2E_TMP/site
mkdir -p "$SITE/vornalk/file"
e2e_start_http_fixture --mode serve --root "$SITE" --log "$E2E_TMP/serve.log"
SERVE_PORT=$E2E_HTTP_PORT
e2e_start_http_fixture --mode silent --log "$E2E_TMP/silent.log"
SILENT_PORT=$E2E_HTTP_PORT
e2e_start_http_fixture --mode endless --log "$E2E_TMP/endless.log"
ENDLESS_PORT=$E2E_HTTP_PORT
e2e_start_http_fixture --mode 404 --log "$E2E_TMP/404.log"
NOTFOUND_PORT=$E2E_HTTP_PORT

e2e_start_xvfb # also the private session bus
e2e_start_sni_host

e2e_note "1. first line 1.04"
printf '1.04\r\nthe newer one\r\n' >"$SITE$VERSION_PATH"
new_folder "$SERVE_PORT"
: >"$E2E_TMP/serve.log"
start_checked "$E2E_TMP/serve.log"
e2e_wait_window Confirm 15
cmp -s "$SITE$VERSION_PATH" "$E2E_PROG/vornalk.vvv" || e2e_fail "vornalk.vvv is not the file served"
xdotool key Escape
e2e_wait_window_gone Confirm 5
sleep 1
e2e_assert_alive "$E2E_PID" "the program after No"
e2e_assert_eq "IsViewable" "$(e2e_map_state "$MAIN")" "main window after No"
e2e_assert_no_file "$URLS" "browser record after No"
end_normally "after No"

e2e_note "1. first line 1.04, Yes"
printf '[my11]\r\nSpinEdit1=1\r\n[net]\r\nUpdateHost=127.0.0.1:%s\r\n' "$SERVE_PORT" >"$E2E_PROG/tevo.ini"
: >"$E2E_TMP/serve.log"
start_checked "$E2E_TMP/serve.log"
e2e_wait_window Confirm 15
xdotool key Return
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program still runs 10 s after Yes"
e2e_assert_eq 0 "$E2E_EXIT" "exit status after Yes"
e2e_assert_ini "$E2E_PROG/tevo.ini" my11 SpinEdit1 2
for ((i = 0; i < 100; i++)); do
  [[ -s $URLS ]] && break
  sleep 0.1
done
e2e_assert_eq "http://127.0.0.1:$SERVE_PORT/vornalk/tamrel_up.exe" "$(cat "$URLS" 2>/dev/null)" \
  "address handed to the browser"

e2e_note "2. first line 1.03"
printf '1.03\n1.04\n' >"$SITE$VERSION_PATH"
new_folder "$SERVE_PORT"
: >"$E2E_TMP/serve.log"
start_checked "$E2E_TMP/serve.log"
for ((i = 0; i < 50; i++)); do
  [[ -f $E2E_PROG/vornalk.vvv ]] && break
  sleep 0.1
done
cmp -s "$SITE$VERSION_PATH" "$E2E_PROG/vornalk.vvv" || e2e_fail "1.03: vornalk.vvv is not the file served"
grep -qF "$E2E_PROG/libostra_downloads.so" "/proc/$E2E_PID/maps" ||
  e2e_fail "1.03: the check did not go through the download module of the program folder"
e2e_expect_no_window Confirm 4
end_normally "1.03"

e2e_note "3. a server that never answers"
new_folder "$SILENT_PORT"
started=$SECONDS
start_checked "$E2E_TMP/silent.log"
e2e_wait_sni_item
ITEM=$E2E_SNI_ITEM
tip1=
for ((i = 0; i < 50; i++)); do
  tip1=$(tip)
  [[ -n $tip1 ]] && break
  sleep 0.1
done
[[ -n $tip1 ]] || e2e_fail "no tray tip (no monitor tick) within 5 s of the main window"
e2e_expect_no_window Confirm 3
tip2=$(tip)
s1=$(tip_seconds "$tip1") s2=$(tip_seconds "$tip2")
e2e_note "tips '$tip1' then '$tip2', $((SECONDS - started)) s after the start"
((s2 > s1)) || e2e_fail "the tip did not move on while the request was open: '$tip1' then '$tip2'"
((SECONDS - started < 10)) || e2e_fail "the tips were read too late to fall within the 10 s limit"
e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "vornalk.vvv while the server is silent"
# Past the 10 s limit: still no offer, nothing stored, still sampling.
e2e_expect_no_window Confirm $((13 - (SECONDS - started)))
e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "vornalk.vvv after the time limit"
tip3=$(tip)
(($(tip_seconds "$tip3") > s2)) || e2e_fail "the tip stands still after the time limit: '$tip3'"
end_normally "silent server"

e2e_note "3. a server that never answers, SIGTERM while the request is open"
new_folder "$SILENT_PORT"
: >"$E2E_TMP/silent.log"
start_checked "$E2E_TMP/silent.log"
sleep 2
end_normally "SIGTERM during the request"
e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "vornalk.vvv after SIGTERM during the request"

e2e_note "4. an endless body"
new_folder "$ENDLESS_PORT"
start_checked "$E2E_TMP/endless.log"
largest=0
for ((i = 0; i < 40; i++)); do
  for f in "$E2E_PROG"/vornalk.vvv "$E2E_PROG"/.vornalk*; do
    [[ -f $f ]] || continue
    size=$(stat -c %s "$f" 2>/dev/null || echo 0)
    ((size > largest)) && largest=$size
  done
  [[ -z $(e2e_visible_windows Confirm) ]] || e2e_fail "endless body: a \"Confirm\" offer appeared"
  sleep 0.1
done
((largest <= LIMIT)) || e2e_fail "endless body: a version file of $largest bytes appeared"
e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "vornalk.vvv after an endless body"
# The transfer was given up: no connection to the server is left open.
open=$(ss -Htn state established "( dport = :$ENDLESS_PORT )" | wc -l)
e2e_assert_eq 0 "$open" "connections to the endless server 4 s after the request"
e2e_expect_no_window Confirm 2
end_normally "endless body"

e2e_note "5. a 404 with an earlier copy"
new_folder "$NOTFOUND_PORT"
printf '1.03\r\nthe earlier copy\r\n' >"$E2E_PROG/vornalk.vvv"
cp -p "$E2E_PROG/vornalk.vvv" "$E2E_TMP/earlier.vvv"
start_checked "$E2E_TMP/404.log"
e2e_expect_no_window Confirm 3
cmp -s "$E2E_TMP/earlier.vvv" "$E2E_PROG/vornalk.vvv" || e2e_fail "404: the earlier vornalk.vvv was changed"
end_normally "404"
cmp -s "$E2E_TMP/earlier.vvv" "$E2E_PROG/vornalk.vvv" || e2e_fail "404: the earlier vornalk.vvv was changed at close"

e2e_note "6. the check not due"
printf '1.04\r\n' >"$SITE$VERSION_PATH"
for case in off counter; do
  new_folder "$SERVE_PORT"
  if [[ $case == off ]]; then
    printf '[W]\r\nAutoconnecttheonlinupgrade1=0\r\n' >>"$E2E_PROG/tevo.ini"
  else
    sed -i 's/^SpinEdit1=1/SpinEdit1=2/' "$E2E_PROG/tevo.ini"
  fi
  : >"$E2E_TMP/serve.log"
  e2e_start_program
  e2e_wait_window Brisel 15
  e2e_expect_no_window Confirm 3
  e2e_assert_eq "" "$(cat "$E2E_TMP/serve.log")" "$case: requests to the server"
  e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "$case: vornalk.vvv"
  # No check, no network code in the process; nor GIO (loaded at the
  # first file opened) nor the sound libraries (the cue player's).
  e2e_assert_eq "" "$(grep -oE 'libQt6Network|libostra_downloads|libgio|libcanberra|libpulse' \
    "/proc/$E2E_PID/maps" | sort -u || true)" "$case: libraries mapped at rest"
  kill -TERM "$E2E_PID"
  e2e_wait_exit "$E2E_PID" 10 || e2e_fail "$case: the program did not end on SIGTERM"
done
[[ $(e2e_ini_get "$E2E_PROG/tevo.ini" my11 SpinEdit1) == 3 ]] || e2e_fail "counter: SpinEdit1 is not 3 after the start"

e2e_note "7. the download module missing from the program folder"
new_folder "$SERVE_PORT"
rm "$E2E_PROG/libostra_downloads.so"
: >"$E2E_TMP/serve.log"
e2e_start_program
e2e_wait_window Brisel 15
e2e_expect_no_window Confirm 3
e2e_assert_alive "$E2E_PID" "the program without its download module"
e2e_assert_eq "" "$(cat "$E2E_TMP/serve.log")" "no module: requests to the server"
e2e_assert_no_file "$E2E_PROG/vornalk.vvv" "no module: vornalk.vvv"
end_normally "no module"

e2e_pass
