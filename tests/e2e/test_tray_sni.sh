#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The tray icon as a StatusNotifierItem (gtk-sni-tray-standalone with its
# own watcher on a private session bus, started before the program): the
# item registers; its tip is the monitor's hint "Ostra<free>%/hh:mm:ss" and
# follows the rest timer; the picture changes about every 150 ms (NewIcon);
# the D-Bus menu lists the popup menu's entries; "Hide" from it unmaps the
# main window, "Show", a primary click (Activate) and a middle click
# (SecondaryActivate) map it again; with the (modal) options window open,
# "Hide" still works and closes it; while minimized the item stays,
# animates and brings the window back on Activate; when the panel restarts
# the item registers with its new watcher.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

PROBE=$E2E_LIB_DIR/sni_probe.py
probe() { "$E2E_SYS_PYTHON" "$PROBE" "$@"; }

e2e_start_xvfb  # also the private session bus
e2e_start_sni_host
e2e_new_program_folder
e2e_start_program
e2e_wait_window Brisel 15
MAIN=$E2E_WID
e2e_wait_map_state "$MAIN" IsViewable

# The item registers with the watcher under the program's bus name.
e2e_wait_sni_item
ITEM=$E2E_SNI_ITEM
e2e_assert_eq 1 "$(probe items | wc -l)" "number of registered items"
e2e_note "item $ITEM"

# The tip: the hint of the last tick, and it moves on with the rest timer.
tip_re='^Ostra([0-9]{1,3})%/([0-9]{2}):([0-5][0-9]):([0-5][0-9])$'
for ((i = 0; i < 50; i++)); do
  TIP1=$(probe tooltip "$ITEM")
  [[ -n $TIP1 ]] && break
  sleep 0.1
done
# tip_seconds TIP: the rest timer's time in TIP as seconds; sets TIP_FREE.
tip_seconds() {
  [[ $1 =~ $tip_re ]] || e2e_fail "tip '$1' is not Ostra<free>%/hh:mm:ss"
  TIP_FREE=${BASH_REMATCH[1]}
  TIP_SECS=$((10#${BASH_REMATCH[2]} * 3600 + 10#${BASH_REMATCH[3]} * 60 + 10#${BASH_REMATCH[4]}))
}
tip_seconds "$TIP1"
secs1=$TIP_SECS
load=$(e2e_memory_load)
e2e_assert_range $((100 - load - 3)) $((100 - load + 3)) "$TIP_FREE" "free share in the tip (load now $load%)"
e2e_assert_range 0 20 "$secs1" "rest timer in the first tip"
sleep 3
TIP2=$(probe tooltip "$ITEM")
tip_seconds "$TIP2"
secs2=$TIP_SECS
e2e_note "tips '$TIP1' then '$TIP2'"
e2e_assert_range $((secs1 + 2)) $((secs1 + 4)) "$secs2" "rest timer in the tip 3 s later"

# The animation: a new picture about every 150 ms.
n=$(probe count-signal "$ITEM" NewIcon 2)
e2e_note "$n NewIcon signals in 2 s"
e2e_assert_range 9 15 "$n" "NewIcon signals in 2 s"

# The menu: the popup menu's entries in order, with the submenu, the
# separators and the three shortcuts.
layout=$(probe layout "$ITEM" | cut -f2-5)
expected=$(
  cat <<'EOF'
1	standard	Refresh Memory	F7
1	standard	Show	
1	standard	Hide	
1	standard	Run all auto startup softwares 	
1	standard	Setting auto startup softwares after refresh memory	
1	separator		
1	standard	Restart the timer	
1	standard	Stop the timer	
1	standard	Start the timer	
1	standard	Change Sound Setting	
2	standard	Alarm sound	
2	standard	Resource emergency sound	
2	standard	Start sound	
1	separator		
1	standard	Software test	
1	separator		
1	standard	Information	
1	standard	On line upgrade	
1	standard	Auto connect the online upgrade	
1	standard	Ostra on the web	
1	standard	Help	F1
1	separator		
1	standard	Exit Program	
1	separator		
1	standard	What grew since the start point...	Control+G
1	standard	Name what grew in a notification	
1	standard	Load history...	Control+H
EOF
)
if [[ $layout != "$expected" ]]; then
  diff <(echo "$expected") <(echo "$layout") >&2 || true
  e2e_fail "the D-Bus menu differs from the popup menu (expected < > got)"
fi

# Menu entries and the primary click act on the main window.
probe click "$ITEM" Hide
e2e_wait_map_state "$MAIN" IsUnMapped
probe click "$ITEM" Show
e2e_wait_map_state "$MAIN" IsViewable
e2e_wait_position "$MAIN" 201 116
probe click "$ITEM" Hide
e2e_wait_map_state "$MAIN" IsUnMapped
# While hidden the monitor rests: the tip keeps its last text.
TIP3=$(probe tooltip "$ITEM")
sleep 2.5
e2e_assert_eq "$TIP3" "$(probe tooltip "$ITEM")" "tip while the main window is hidden"
probe activate "$ITEM"
e2e_wait_map_state "$MAIN" IsViewable
e2e_assert_alive "$E2E_PID" "the program"
# A panel that never sends Activate: its middle click (SecondaryActivate)
# shows the window as well.
probe click "$ITEM" Hide
e2e_wait_map_state "$MAIN" IsUnMapped
probe secondary-activate "$ITEM"
e2e_wait_map_state "$MAIN" IsViewable

# The options window (RxSpeedButton13 on Panel5) open: the menu answers.
e2e_geometry "$MAIN"
xdotool mousemove $((E2E_X + 73)) $((E2E_Y + 323)) click 1
e2e_wait_window "Resource Emergency Warning Option" 10
OPTIONS=$E2E_WID
probe click "$ITEM" Hide
e2e_wait_map_state "$MAIN" IsUnMapped
for ((i = 0; i < 50; i++)); do
  [[ $(e2e_map_state "$OPTIONS") == IsViewable ]] || break
  sleep 0.1
done
[[ $(e2e_map_state "$OPTIONS") != IsViewable ]] || e2e_fail "the options window is still open after Hide"
probe activate "$ITEM"
e2e_wait_map_state "$MAIN" IsViewable

# "Minimize" (RxSpeedButton15 on Panel2).
e2e_geometry "$MAIN"
xdotool mousemove $((E2E_X + 290)) $((E2E_Y + 43)) click 1
e2e_wait_map_state "$MAIN" IsUnMapped
e2e_assert_eq "$ITEM" "$(probe items | head -n 1)" "the registered item while minimized"
n=$(probe count-signal "$ITEM" NewIcon 2)
e2e_assert_range 9 15 "$n" "NewIcon signals in 2 s while minimized"
probe activate "$ITEM"
e2e_wait_map_state "$MAIN" IsViewable

# The panel restarts (a new watcher): the item registers again, the one
# item, and still animates and answers.
kill "$E2E_SNI_PID"
e2e_wait_exit "$E2E_SNI_PID" 10 || e2e_fail "gtk-sni-tray-standalone still runs 10 s after SIGTERM"
e2e_start_sni_host
e2e_wait_sni_item
e2e_assert_eq "$ITEM" "$E2E_SNI_ITEM" "the item registered with the new watcher"
e2e_assert_eq 1 "$(probe items | wc -l)" "number of registered items after the panel restarted"
n=$(probe count-signal "$ITEM" NewIcon 2)
e2e_assert_range 9 15 "$n" "NewIcon signals in 2 s after the panel restarted"

# "Exit Program" ends it; the item goes away with it.
probe click "$ITEM" "Exit Program"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program still runs 10 s after Exit Program"
e2e_assert_eq 0 "$E2E_EXIT" "exit status after Exit Program"
for ((i = 0; i < 50; i++)); do
  [[ -z $(probe items 2>/dev/null) ]] && break
  sleep 0.1
done
e2e_assert_eq "" "$(probe items)" "registered items after the program ended"

e2e_pass
