#!/usr/bin/env bash
# The journal stand-in the export tests read the program's entries from,
# checked with clients it did not write:
#   - `logger --journald` (util-linux through libsystemd's sd_journal_sendv)
#     in the test's private mount namespace: a small entry arrives with its
#     fields, and one too large for a datagram (libsystemd then passes a
#     memfd) arrives whole;
#   - a hand-made datagram with the binary-safe form (a value holding a
#     newline) and a field given twice;
#   - a malformed datagram is reported, not dropped;
#   - the machine's own /run/systemd/journal stays as it was (checked by
#     private_mounts.sh after the run).
# shellcheck source=tests/e2e/private_mounts.sh
. "$(dirname "$0")/private_mounts.sh"
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

LOG=$E2E_TMP/journal.jsonl
SOCK=/run/systemd/journal/socket
e2e_start_fake_journal "$LOG"

count() { [[ -f $LOG ]] && wc -l <"$LOG" || echo 0; }

# wait_count N: waits until LOG holds N entries.
wait_count() {
  local i
  for ((i = 0; i < 50; i++)); do
    (($(count) >= $1)) && return 0
    sleep 0.1
  done
  e2e_fail "the stand-in holds $(count) entries, expected $1: $(cat "$LOG" 2>/dev/null)"
}

# --- a small entry through libsystemd
printf 'MESSAGE=hello from logger\nPRIORITY=5\nSYSLOG_IDENTIFIER=selftest\nSELFTEST_KEY=a=b c\n' >"$E2E_TMP/small"
logger --journald="$E2E_TMP/small" || e2e_fail "logger --journald failed"
wait_count 1
entry=$(e2e_journal_select "$LOG" SYSLOG_IDENTIFIER=selftest)
[[ -n $entry ]] || e2e_fail "no entry of SYSLOG_IDENTIFIER=selftest: $(cat "$LOG")"
e2e_assert_eq "hello from logger" "$(e2e_journal_field "$entry" MESSAGE)" "MESSAGE"
e2e_assert_eq 5 "$(e2e_journal_field "$entry" PRIORITY)" "PRIORITY"
e2e_assert_eq "a=b c" "$(e2e_journal_field "$entry" SELFTEST_KEY)" "a value holding '='"

# --- an entry larger than a datagram may be (libsystemd raises its send
# buffer to 8 MiB): libsystemd sends a memfd
{
  printf 'MESSAGE=big\nSYSLOG_IDENTIFIER=selftest-big\nBIG='
  head -c 9000000 /dev/zero | tr '\0' x
  printf '\n'
} >"$E2E_TMP/big"
logger --journald="$E2E_TMP/big" || e2e_fail "logger --journald failed on the large entry"
wait_count 2
size=$("$E2E_SYS_PYTHON" -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if e.get("SYSLOG_IDENTIFIER") == "selftest-big":
        print(len(e.get("BIG", "")) if set(e.get("BIG", "")) == {"x"} else "not all x")' "$LOG")
e2e_assert_eq 9000000 "$size" "length of the large field"

# --- the binary-safe form and a repeated field, straight to the socket
"$E2E_SYS_PYTHON" - "$SOCK" <<'PY' || e2e_fail "could not send the hand-made datagrams"
import socket, struct, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
value = b"two\nlines"
s.sendto(b"SYSLOG_IDENTIFIER=selftest-binary\nMULTI\n" + struct.pack("<Q", len(value)) + value + b"\n"
         + b"APP=one\nAPP=two\n", sys.argv[1])
s.sendto(b"NOT VALID=1\n", sys.argv[1])
PY
wait_count 4
entry=$(e2e_journal_select "$LOG" SYSLOG_IDENTIFIER=selftest-binary)
[[ -n $entry ]] || e2e_fail "the binary-safe entry did not arrive: $(cat "$LOG")"
e2e_assert_eq $'two\nlines' "$(e2e_journal_field "$entry" MULTI)" "the binary-safe value"
e2e_assert_eq $'one\ntwo' "$(e2e_journal_field "$entry" APP)" "the field given twice"
malformed=$(grep -c '"_MALFORMED"' "$LOG" || true)
e2e_assert_eq 1 "$malformed" "entries reported as malformed"
e2e_pass "logger's small and memfd entries, the binary form and a malformed datagram"
