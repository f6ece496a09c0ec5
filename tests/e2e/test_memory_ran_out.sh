#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# The kernel's out-of-memory killer ends a program, and the real program
# says so through a stand-in notification service on the test's session
# bus (fake_notifications.py):
#   - the load limit is set 5 points over the machine's load, so Ostra
#     keeps its view of the applications current (a look every 10 s);
#   - a program of a distinctive name (a copy of memhog) in a memory
#     control group limited to 64 MiB (cgroup v1, made by the test as
#     root) holds 40 MiB long enough to be seen, then grows by 40 MiB more
#     and is killed by the kernel (the group's oom_kill count rises);
#   - one notification "Memory ran out" names it: "zebraoom was ended to
#     free memory. It held <size>.", the size Ostra saw (within 1 MiB of
#     what the program held), with the action "What grew", which opens
#     "What grew since the start point".
# Ostra and the program run in a PID namespace of their own (with its own
# /proc): Ostra names the largest application that vanished since its
# last look, and on a shared machine another program may end in that
# span; here only the test's programs can.
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/act_lib.sh
. "$(dirname "$0")/act_lib.sh"

MEMCG=/sys/fs/cgroup/memory
if [[ $(id -u) != 0 || ! -f $MEMCG/memory.limit_in_bytes ]]; then
  echo "SKIP: needs root and the cgroup v1 memory controller at $MEMCG"
  exit 77
fi
GROUP=$MEMCG/ostra-e2e-oom-$$
NOTES=$E2E_TMP/notifications.log

# The group goes with the test, once its processes have ended.
group_cleanup() {
  local rc=$? i pid
  set +e
  while read -r pid; do kill -KILL "$pid" 2>/dev/null; done 2>/dev/null <"$GROUP/cgroup.procs"
  for ((i = 0; i < 100; i++)); do
    rmdir "$GROUP" 2>/dev/null && break
    sleep 0.05
  done
  (exit "$rc")
  e2e__cleanup
}
trap group_cleanup EXIT
mkdir "$GROUP" || e2e_fail "cannot make the memory control group $GROUP"
echo $((64 << 20)) >"$GROUP/memory.limit_in_bytes"
echo 0 >"$GROUP/memory.swappiness" 2>/dev/null || true

# field FILE KEY: the number after KEY in FILE ("key value" lines).
field() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }

load=$(e2e_memory_load)
limit=$((load + 5 > 99 ? 99 : load + 5))

e2e_start_xvfb
e2e_start_fake_notifications "$NOTES"

first_kills=$(field /proc/vmstat oom_kill)
e2e_new_program_folder
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n' "$limit" >"$E2E_PROG/tevo.ini"
cp "$MEMHOG" "$E2E_TMP/zebraoom"
log=$E2E_TMP/ostra-ns.log
E2E_PROG_LOGS+=("$log")
# Inside the namespace: Ostra, and the program, which joins the group
# before it takes any memory.
# shellcheck disable=SC2016 # expanded by the inner shell
(cd "$E2E_TMP/cwd" && exec unshare --pid --fork --mount-proc --kill-child bash -c '
  "$1/ostra" >"$2" 2>&1 &
  (echo "$BASHPID" >"$3/cgroup.procs" &&
    MEMHOG_MIB=40 MEMHOG_MORE_MIB=40 MEMHOG_PIDFILE="$4" exec "$5") &
  wait' sh "$E2E_PROG" "$log" "$GROUP" "$E2E_TMP/zebraoom.pid" "$E2E_TMP/zebraoom") &
E2E_PID=$!
e2e_track "$E2E_PID"
e2e_wait_window Brisel 15
for ((i = 0; i < 200; i++)); do
  [[ -s $E2E_TMP/zebraoom.pid ]] && break
  sleep 0.05
done
[[ -s $E2E_TMP/zebraoom.pid ]] || e2e_fail "zebraoom did not take its memory"
# Its pid outside the namespace: the one process of the group.
HOG=$(cat "$GROUP/cgroup.procs")
[[ $HOG =~ ^[0-9]+$ && $(cat "/proc/$HOG/comm") == zebraoom ]] || e2e_fail "the group holds '$HOG', not zebraoom"
held=$(field "/proc/$HOG/smaps_rollup" Pss:)
e2e_note "zebraoom (pid $HOG) holds $held kB; load $load %, limit $limit %"

# Two of Ostra's looks, 10 s apart: it has seen the program.
sleep 12
e2e_assert_alive "$HOG" zebraoom
kills=$(field /proc/vmstat oom_kill)
kill -USR1 "$HOG"
for ((i = 0; i < 200; i++)); do
  e2e_alive "$HOG" || break
  sleep 0.05
done
e2e_alive "$HOG" && e2e_fail "zebraoom still runs after growing past its group's limit"
e2e_assert_eq 1 "$(field "$GROUP/memory.oom_control" oom_kill)" "the group's count of out-of-memory kills"
(($(field /proc/vmstat oom_kill) > kills)) || e2e_fail "the kernel's oom_kill count did not rise"

# The notification, within a few of Ostra's ticks.
for ((i = 0; i < 100; i++)); do
  grep -q '"body": "zebraoom was ended' "$NOTES" 2>/dev/null && break
  sleep 0.1
done
sleep 3 # a second one would come with the next reading of the count
note=$(grep '"summary": "Memory ran out"' "$NOTES") || e2e_fail "no \"Memory ran out\" notification: $(cat "$NOTES")"
e2e_note "notifications: $note"
# The kernel's count is the machine's: a kill elsewhere (another test on a
# shared machine) is rightly told too, as one Ostra cannot name. Only one
# kill, only one notification.
others=$(($(field /proc/vmstat oom_kill) - first_kills - 1))
"$E2E_SYS_PYTHON" - "$note" "$held" "$others" <<'EOF' || e2e_fail "the notifications: $note"
import json, re, sys
notes = [json.loads(line) for line in sys.argv[1].splitlines()]
held_mib, others = int(sys.argv[2]) / 1024, int(sys.argv[3])
pattern = r"zebraoom was ended to free memory\. It held ([0-9]+\.[0-9]) MiB\."
named = [n for n in notes if re.fullmatch(pattern, n["body"])]
if len(named) != 1:
    sys.exit("%d notifications name zebraoom, not one" % len(named))
rest = [n["body"] for n in notes if n not in named]
if len(rest) > others or any(b != "A program was ended to free memory." for b in rest):
    sys.exit("other notifications %r with %d other kills on the machine" % (rest, others))
n = named[0]
size = float(re.fullmatch(pattern, n["body"]).group(1))
if abs(size - held_mib) > 1.0:
    sys.exit("it held %.1f MiB, the body says %s" % (held_mib, size))
if "What grew" not in n["actions"][1::2]:
    sys.exit("no action \"What grew\" in %r" % n["actions"])
EOF
dbus-send --session --type=method_call --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
  org.example.NotificationsTest.InvokeLast || e2e_fail "could not invoke the notification's action"
e2e_wait_window "$GREW" 10
e2e_pass "the kernel ended zebraoom in its 64 MiB group; Ostra's notification named it"
