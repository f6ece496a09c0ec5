#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# Assembling the program folder again (each build does) keeps the three
# sounds a user can replace from the tray menu and refreshes the others.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

src=${OSTRA_SOURCE:-$(cd "$E2E_LIB_DIR/../.." && pwd)}
dest=$E2E_TMP/dist
files=$src/data/help.htm
for w in click clicklong button memory start alarm dingdong; do files+="|$src/data/sounds/$w.wav"; done
assemble() {
  cmake -DDEST="$dest" -DFILES="$files" -DKEEP="start.wav|alarm.wav|dingdong.wav" \
    -P "$src/cmake/assemble_dist.cmake" || e2e_fail "the assembly script failed"
}

assemble
for f in "${E2E_DATA_FILES[@]}"; do
  e2e_assert_file "$dest/$f"
done
cmp -s "$src/data/sounds/start.wav" "$dest/start.wav" || e2e_fail "a missing start.wav is not installed"

# The user replaced the three sounds (and a shipped one was damaged).
for f in start.wav alarm.wav dingdong.wav click.wav; do printf 'mine %s' "$f" >"$dest/$f"; done
rm "$dest/dingdong.wav"
assemble
e2e_assert_eq "mine start.wav" "$(cat "$dest/start.wav")" "a replaced start.wav after a rebuild"
e2e_assert_eq "mine alarm.wav" "$(cat "$dest/alarm.wav")" "a replaced alarm.wav after a rebuild"
cmp -s "$src/data/sounds/dingdong.wav" "$dest/dingdong.wav" || e2e_fail "a deleted dingdong.wav is not installed again"
cmp -s "$src/data/sounds/click.wav" "$dest/click.wav" || e2e_fail "click.wav is not refreshed"
e2e_pass
