#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The RES list kept in "res.list" across a run of the real program, with the
# history switched on ([W] checkbox1=1):
#   - the old file has 300 entries whose lines end in CR, LF and CR LF by
#     turns, the last one in nothing; every old entry is marked by the hours
#     "99" of its time, which no new entry has;
#   - while the program runs, the test moves the memory load up and down by
#     several points with memhog processes of 1.5 GiB, so that the program
#     appends k new entries (k at least 6, enough to thin the list from 300
#     down past 100 and once more from 101; other programs may add changes;
#     thinning drops some new entries again, so k is the number of appends
#     that leaves as many entries, and as many new ones, as the file holds);
#   - after SIGTERM the saved file ends every line in CR LF, and holds what
#     the append step leaves of the old list followed by the new entries:
#     the test plays the step k times on the old list (more than 100
#     entries: delete the entry at position i for i = 0..50, then append
#     "<load>% [<count>] DATETIME:<hh:nn:ss>") and compares entry by entry.
# The two limit warnings are off, so that no warning window comes up.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
OLD=300

e2e_start_xvfb
e2e_new_program_folder
list=$E2E_PROG/res.list

# The old list: entry i is "<i mod 100>% [i] DATETIME:99:<i / 100>:<i mod 100>".
for ((i = 0; i < OLD; i++)); do
  entry=$(printf '%d%% [%d] DATETIME:99:%02d:%02d' $((i % 100)) "$i" $((i / 100)) $((i % 100)))
  if ((i == OLD - 1)); then
    printf '%s' "$entry"
  else
    case $((i % 3)) in
      0) printf '%s\r\n' "$entry" ;;
      1) printf '%s\n' "$entry" ;;
      2) printf '%s\r' "$entry" ;;
    esac
  fi
done >"$list"
cp "$list" "$E2E_TMP/res.list.old"
printf '[W]\r\ncheckbox1=1\r\n[x]\r\ncheckbox1=0\r\ncheckbox2=0\r\n' >"$E2E_PROG/tevo.ini"

e2e_start_program
e2e_wait_window Brisel 15
e2e_wait_position "$E2E_WID" 201 116

# hog_cycle N: a memhog of 1.5 GiB until the load has moved by a point or
# more and two ticks have seen it; then its end, and the same again.
hog_cycle() {
  local n=$1 base load i pidfile=$E2E_TMP/hog-$1.pid hog
  base=$(e2e_memory_load)
  MEMHOG_MIB=1536 MEMHOG_PIDFILE=$pidfile "$MEMHOG" &
  hog=$!
  e2e_track "$hog"
  for ((i = 0; i < 300; i++)); do
    [[ -s $pidfile ]] && break
    e2e_alive "$hog" || e2e_fail "cycle $n: memhog ended at start"
    sleep 0.05
  done
  [[ -s $pidfile ]] || e2e_fail "cycle $n: memhog did not take its memory within 15 s"
  for ((i = 0; i < 100; i++)); do
    load=$(e2e_memory_load)
    ((load - base >= 1 || base - load >= 1)) && break
    sleep 0.1
  done
  ((load != base)) || e2e_fail "cycle $n: the memory load stayed at $base % with 1.5 GiB more in use"
  sleep 2.5 # two monitor ticks at the new load
  base=$load
  kill -TERM "$hog"
  e2e_wait_exit "$hog" 10 || e2e_fail "cycle $n: memhog did not end on SIGTERM"
  for ((i = 0; i < 100; i++)); do
    load=$(e2e_memory_load)
    ((load - base >= 1 || base - load >= 1)) && break
    sleep 0.1
  done
  ((load != base)) || e2e_fail "cycle $n: the memory load stayed at $base % after 1.5 GiB were freed"
  sleep 2.5
  e2e_note "cycle $n: load $base % with memhog, $load % without"
}

for n in 1 2 3 4; do
  hog_cycle "$n"
done
e2e_assert_alive "$E2E_PID" "the program after the load changes"

kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end on SIGTERM"
e2e_assert_eq 0 "$E2E_EXIT" "exit status on SIGTERM"
e2e_assert_file "$list" "saved history"
e2e_assert_ini "$E2E_PROG/tevo.ini" W checkbox1 1

# --- every line ends in CR LF, the last one too
bytes=$(stat -c %s "$list")
((bytes > 0)) || e2e_fail "res.list is empty"
e2e_assert_eq "0d0a" "$(tail -c 2 "$list" | od -An -tx1 | tr -d ' \n')" "the last two bytes of res.list"
bare_cr=$(tr -d '\n' <"$list" | tr -cd '\r' | wc -c)
crlf=$(grep -c $'\r$' "$list" || true)
lines=$(wc -l <"$list")
e2e_assert_eq "$lines" "$crlf" "lines of res.list that end in CR LF"
e2e_assert_eq "$lines" "$bare_cr" "CR characters in res.list (each one before a LF)"

# --- the content against the append step played k times on the old list
"$E2E_SYS_PYTHON" - "$E2E_TMP/res.list.old" "$list" <<'EOF' || e2e_fail "res.list does not hold what the append step leaves (see above)"
import re, sys

old_bytes = open(sys.argv[1], "rb").read()
saved = open(sys.argv[2], "rb").read().decode("latin-1").split("\r\n")
assert saved[-1] == "", "the file does not end in CR LF"
saved = saved[:-1]
old = re.split(r"\r\n|\r|\n", old_bytes.decode("latin-1"))
assert len(old) == 300 and all(":99:" in e for e in old), "the old list reads back as %d entries" % len(old)

found = sum(1 for e in saved if "DATETIME:99:" not in e)


def play(k):
    """The old list after k appends; the new entry j stands as j, and
    positions[j] is the count it carries."""
    model = list(old)
    positions = []
    for j in range(k):
        if len(model) > 100:
            for i in range(51):
                del model[i]
        positions.append(len(model))
        model.append(j)
    return model, positions


# A thinning drops new entries too, so the appends were at least as many as
# the new entries found: the first number of appends that leaves as many
# entries, and as many new ones, as the file holds.
for k in range(found, found + 1000):
    model, positions = play(k)
    if len(model) == len(saved) and sum(1 for w in model if not isinstance(w, str)) == found:
        break
else:
    sys.exit("no number of appends leaves %d entries with %d new ones" % (len(saved), found))
print("new entries found: %d, appends: %d, saved entries: %d" % (found, k, len(saved)))
if k < 6:
    sys.exit("only %d appends: the load changes did not reach the history" % k)
entry = re.compile(r"^(\d{1,3})% \[(\d+)\] DATETIME:(\d\d):([0-5]\d):([0-5]\d)$")
bad = 0
for pos, (want, got) in enumerate(zip(model, saved)):
    if isinstance(want, str):
        ok = got == want
        what = repr(want)
    else:
        m = entry.match(got)
        ok = bool(m) and int(m.group(2)) == positions[want] and m.group(3) != "99" and int(m.group(1)) <= 100
        what = "new entry %d: '<load>%% [%d] DATETIME:hh:nn:ss'" % (want, positions[want])
    if not ok:
        bad += 1
        if bad <= 10:
            print("entry %d: expected %s, found %r" % (pos, what, got))
if bad:
    sys.exit("%d entries differ" % bad)
# The rest timer's readings of the new entries never go back.
times = [e.rsplit("DATETIME:", 1)[1] for w, e in zip(model, saved) if not isinstance(w, str)]
if times != sorted(times):
    sys.exit("the new entries' times go back: %s" % times)
print("old entries kept: %d of 300" % sum(1 for w in model if isinstance(w, str)))
EOF

e2e_pass
