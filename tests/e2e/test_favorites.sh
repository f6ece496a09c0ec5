#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The favourite drop-down of the real program. The "favorite" folder holds
#   a-launch.desktop  an application entry whose Exec writes a marker file
#   B-script          a "#!/bin/sh" program that writes the folder it runs in
#   c-notes.txt       a text document, with the execute bit but no "#!"
#                     line (so no program), and a shell line inside that
#                     must never run
# plus a hidden file and a sub-folder, which the list leaves out. The
# drop-down lists the three entries sorted without regard to case (a, B, c),
# and choosing each from its popup with the mouse opens it:
#   - the desktop entry is launched through its Exec line;
#   - the program starts in the favourite folder;
#   - the document goes to the default application for text/plain, here a
#     handler (mimeapps.list in the test's XDG_CONFIG_HOME) that records
#     the path it is given.
# Nothing is opened at start, and every choice opens exactly one entry.
# Typing into the box's text field the start of an entry's name selects
# nothing, so it opens nothing.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

OUT=$E2E_TMP/out
mkdir -p "$OUT"

# results: the names of the side-effect files so far, sorted, blank-separated.
results() {
  local f names=()
  for f in "$OUT"/*; do
    [[ -e $f ]] && names+=("${f##*/}")
  done
  echo "${names[*]}"
}

# The default application for text documents: records its argument.
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
# shellcheck disable=SC2016 # "$1" belongs to the handler
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/viewer"\n' "$OUT" >"$E2E_TMP/record-doc"
chmod +x "$E2E_TMP/record-doc"
printf '[Desktop Entry]\nType=Application\nName=Recording viewer\nExec=%s %%f\nMimeType=text/plain;\n' \
  "$E2E_TMP/record-doc" >"$XDG_DATA_HOME/applications/recording-viewer.desktop"
printf '[Default Applications]\ntext/plain=recording-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

e2e_start_xvfb
e2e_new_program_folder
FAV=$E2E_PROG/favorite
mkdir -p "$FAV/0-sub"
printf '[Desktop Entry]\nType=Application\nName=Launch marker\nExec=/bin/sh -c "echo launched >>%s/desktop"\n' \
  "$OUT" >"$FAV/a-launch.desktop"
printf '#!/bin/sh\npwd >>"%s/script"\n' "$OUT" >"$FAV/B-script"
chmod +x "$FAV/B-script"
printf 'echo executed >>"%s/executed"\nsome notes\n' "$OUT" >"$FAV/c-notes.txt"
chmod +x "$FAV/c-notes.txt"
printf '#!/bin/sh\necho hidden >>"%s/hidden"\n' "$OUT" >"$FAV/.0-hidden"
chmod +x "$FAV/.0-hidden"

e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_position "$MAIN" 201 116
main_x=$E2E_X main_y=$E2E_Y
sleep 1
e2e_assert_eq "" "$(results)" "side effects before any choice"

# popup_list: the id of a viewable top-level window other than the main
# window (the drop-down's list); empty when there is none.
popup_list() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | grep -oE '^ +0x[0-9a-f]+'); do
    ((id != MAIN)) && [[ $(e2e_map_state "$id") == IsViewable ]] && echo "$id" && return 0
  done
  return 0
}

# choose ROW: opens the drop-down by its arrow (the right end of the box)
# and clicks the ROW-th of its three entries (0-based).
choose() {
  local row=$1 list i
  xdotool mousemove $((main_x + 43 + 307 - 9)) $((main_y + 313 + 10)) click 1
  for ((i = 0; i < 100; i++)); do
    list=$(popup_list)
    [[ -n $list ]] && break
    sleep 0.05
  done
  [[ -n $list ]] || e2e_fail "the drop-down's list did not open"
  sleep 0.3 # let it settle before it is clicked
  e2e_geometry "$list"
  e2e_note "list $E2E_W x $E2E_H at $E2E_X,$E2E_Y"
  xdotool mousemove $((E2E_X + E2E_W / 2)) $((E2E_Y + E2E_H * (2 * row + 1) / 6)) click 1
  for ((i = 0; i < 100; i++)); do
    [[ $(e2e_map_state "$list") != IsViewable ]] && return 0
    sleep 0.05
  done
  e2e_fail "the drop-down's list stays open after a click on an entry"
}

# wait_file FILE WHAT: waits up to 10 s for FILE to have content.
wait_file() {
  local i
  for ((i = 0; i < 100; i++)); do
    [[ -s $1 ]] && return 0
    sleep 0.1
  done
  e2e_fail "$2: nothing in $(basename "$1") within 10 s (results: $(results))"
}

e2e_note "the desktop entry"
choose 0
wait_file "$OUT/desktop" "a-launch.desktop"
sleep 1
e2e_assert_eq "desktop" "$(results)" "side effects after the first entry"
e2e_assert_eq "launched" "$(cat "$OUT/desktop")" "what the desktop entry wrote"

e2e_note "the program"
choose 1
wait_file "$OUT/script" "B-script"
sleep 1
e2e_assert_eq "desktop script" "$(results)" "side effects after the second entry"
e2e_assert_eq "$FAV" "$(cat "$OUT/script")" "the program's working folder"

e2e_note "the document"
choose 2
wait_file "$OUT/viewer" "c-notes.txt"
sleep 1
e2e_assert_eq "desktop script viewer" "$(results)" "side effects after the third entry"
e2e_assert_eq "$FAV/c-notes.txt" "$(cat "$OUT/viewer")" "the path the default application got"
e2e_assert_eq "launched" "$(cat "$OUT/desktop")" "the desktop entry, launched once"
e2e_assert_eq "$FAV" "$(cat "$OUT/script")" "the program, started once"

e2e_note "typing the start of a name"
# The box has the focus after the last choice; the text field's whole
# text is replaced.
xdotool key ctrl+a
xdotool type --delay 60 "c-notes.tx"
xdotool key ctrl+a
xdotool type --delay 60 "B-scri"
sleep 2
e2e_assert_eq "$FAV/c-notes.txt" "$(cat "$OUT/viewer")" "the document after typing"
e2e_assert_eq "$FAV" "$(cat "$OUT/script")" "the program after typing"
e2e_assert_eq "desktop script viewer" "$(results)" "side effects after typing"

e2e_assert_alive "$E2E_PID" "the program after the three choices"
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_assert_eq 0 "$E2E_EXIT" "exit status"

e2e_pass
