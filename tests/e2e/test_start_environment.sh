#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Programs that Ostra starts get the environment Ostra was started with.
# Ostra is started here as on a Wayland desktop without a session bus:
# DBUS_SESSION_BUS_ADDRESS unset (and no bus in XDG_RUNTIME_DIR),
# WAYLAND_DISPLAY and DISPLAY set, QT_QPA_PLATFORM unset. For itself it
# then uses a dead bus address and Qt's xcb platform. The start-up offer is
# on ([W] FFFF=1); its "Confirm" answered with Escape runs the auto-startup
# list, whose three entries each write their environment to a file:
#   a "#!/bin/sh" program, a desktop entry (launched through GIO) and a
#   text document (opened by the default application for text/plain).
# None of them sees DBUS_SESSION_BUS_ADDRESS or QT_QPA_PLATFORM; each sees
# WAYLAND_DISPLAY and the test's token as given.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

OUT=$E2E_TMP/out
mkdir -p "$OUT"

# The default application for text documents: writes its environment.
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
printf '#!/bin/sh\nenv >"%s/doc.part" && mv "%s/doc.part" "%s/doc"\n' "$OUT" "$OUT" "$OUT" >"$E2E_TMP/env-doc"
chmod +x "$E2E_TMP/env-doc"
printf '[Desktop Entry]\nType=Application\nName=Env viewer\nExec=%s %%f\nMimeType=text/plain;\n' \
  "$E2E_TMP/env-doc" >"$XDG_DATA_HOME/applications/env-viewer.desktop"
printf '[Default Applications]\ntext/plain=env-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

e2e_start_xvfb
e2e_new_program_folder
START=$E2E_PROG/startup
mkdir -p "$START"
printf '#!/bin/sh\nenv >"%s/script.part" && mv "%s/script.part" "%s/script"\n' "$OUT" "$OUT" "$OUT" >"$START/a-script"
chmod +x "$START/a-script"
printf '#!/bin/sh\nenv >"%s/entry.part" && mv "%s/entry.part" "%s/entry"\n' "$OUT" "$OUT" "$OUT" >"$E2E_TMP/env-entry"
chmod +x "$E2E_TMP/env-entry"
printf '[Desktop Entry]\nType=Application\nName=Env entry\nExec=%s\n' "$E2E_TMP/env-entry" >"$START/b-entry.desktop"
printf 'notes\n' >"$START/c-notes.txt"
printf '[W]\r\nFFFF=1\r\n[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"

unset DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM
export WAYLAND_DISPLAY=ostra-test-no-wayland
e2e_start_program
e2e_wait_window Confirm 15
xdotool key Escape
e2e_wait_window_gone Confirm 5

for ((i = 0; i < 200; i++)); do
  [[ -f $OUT/script && -f $OUT/entry && -f $OUT/doc ]] && break
  sleep 0.05
done
for what in script entry doc; do
  f=$OUT/$what
  [[ -f $f ]] || e2e_fail "the $what of the auto-startup list did not run"
  ! grep -q '^DBUS_SESSION_BUS_ADDRESS=' "$f" || e2e_fail "the $what got $(grep '^DBUS_SESSION_BUS_ADDRESS=' "$f")"
  ! grep -q '^QT_QPA_PLATFORM=' "$f" || e2e_fail "the $what got $(grep '^QT_QPA_PLATFORM=' "$f")"
  grep -qx 'WAYLAND_DISPLAY=ostra-test-no-wayland' "$f" || e2e_fail "the $what lacks WAYLAND_DISPLAY"
  grep -qx "OSTRA_E2E_TOKEN=$OSTRA_E2E_TOKEN" "$f" || e2e_fail "the $what lacks the test's token"
done
e2e_assert_alive "$E2E_PID" "the program after the start-up list"

kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_pass
