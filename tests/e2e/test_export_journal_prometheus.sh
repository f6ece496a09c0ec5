#!/usr/bin/env bash
# shellcheck disable=SC2119 # helpers take optional arguments
# What the user saw and did, handed to the fleet's tools, with the real
# program on a private X server, in a private mount namespace:
#   - the journal: a stand-in (fake_journald.py) bound at the journal's own
#     socket /run/systemd/journal/socket on a tmpfs that only this test's
#     namespace sees; the machine's own folder is checked unchanged
#     afterwards (private_mounts.sh);
#   - Prometheus: the real node_exporter (textfile collector only, on
#     127.0.0.1) reading the folder named by [export] TextfileDir, and the
#     real Prometheus server scraping it every second.
# One scenario:
#   - at rest the file ostra-<user>.prom is read by node_exporter without a
#     scrape error and carries the load, the limit and no warning; the
#     Prometheus server answers a query for ostra_memory_load_percent;
#   - a program with a distinctive name, holding a quote and a backslash
#     (escaped in the file, else node_exporter rejects the whole file),
#     taking 5 GiB after the start point passes the load limit ([x] xx1, 10 points over the load at start; the
#     rise warning off): the warning opens; node_exporter's /metrics then
#     holds ostra_warning_active{kind="limit",user=...} 1, one warning
#     counted and that program among ostra_application_growth_bytes; the
#     journal holds exactly one warning-limit entry with its fields;
#   - "OK" clicked with the pointer: one "acknowledged" entry, and the
#     metric back to 0 within the file's 15 s;
#   - at the end (SIGTERM, as at a log-off) the file is gone, with no
#     temporary file left in the folder;
#   - bad input: a FIFO at the file's name, and a read-only folder. The
#     program neither hangs nor writes through them, leaves the FIFO and
#     the earlier file in place, and says so on standard error once,
#     although it tries again after 15 s;
#   - a journal that takes nothing (the stand-in stopped, its queue full):
#     a warning at start, its "OK" and the end are not held up.
# shellcheck source=tests/e2e/private_mounts.sh
. "$(dirname "$0")/private_mounts.sh"
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"

MEMHOG=${OSTRA_MEMHOG:-$(cd "$OSTRA_DIST/.." && pwd)/tests/memhog}
[[ -x $MEMHOG ]] || e2e_fail "no memhog helper at $MEMHOG (build the tests)"
HOG_NAME='quagga"exp\hog'
# The name as Ostra shows it (a backslash as \x5c, as in "What grew"), and
# as the exposition format writes that between its quotes.
HOG_SHOWN='quagga"exp\x5chog'
HOG_LABEL='quagga\"exp\\x5chog'
cp "$MEMHOG" "$E2E_TMP/$HOG_NAME"
USER_NAME=$(id -un)
PROM_NAME=ostra-$USER_NAME.prom
JOURNAL=$E2E_TMP/journal.jsonl
TEXTDIR=$E2E_TMP/textfile
mkdir -p "$TEXTDIR"

# free_port: a TCP port on 127.0.0.1 that nothing listens on now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# wait_http URL WHAT: waits up to 20 s until URL answers.
wait_http() {
  local i
  for ((i = 0; i < 200; i++)); do
    curl -sf -o /dev/null "$1" && return 0
    sleep 0.1
  done
  e2e_fail "$2 did not answer at $1 within 20 s"
}

# metrics: node_exporter's /metrics now.
metrics() { curl -sf "http://127.0.0.1:$NODE_PORT/metrics" || e2e_fail "node_exporter did not answer"; }

# wait_metric REGEX SECONDS WHAT: waits until a line of /metrics matches
# REGEX (extended, whole line); sets METRICS to that scrape.
wait_metric() {
  local deadline=$((SECONDS + $2))
  while :; do
    METRICS=$(metrics)
    grep -qE "^($1)\$" <<<"$METRICS" && return 0
    ((SECONDS < deadline)) ||
      e2e_fail "$3: no line matching '$1' in /metrics within $2 s; ostra and textfile lines: $(grep -E '^(ostra_|node_textfile_scrape)' <<<"$METRICS")"
    sleep 0.5
  done
}

# no_scrape_error: the collector read every file of the folder.
no_scrape_error() {
  grep -qx 'node_textfile_scrape_error 0' <<<"$METRICS" ||
    e2e_fail "node_exporter reports a scrape error: $(grep -E '^node_textfile' <<<"$METRICS"; cat "$E2E_TMP/node.log")"
}

# entries KEY=VALUE...: how many journal entries match.
entries() { e2e_journal_select "$JOURNAL" "$@" | wc -l; }

# wait_entry SECONDS KEY=VALUE...: waits until one entry matches; sets ENTRY.
wait_entry() {
  local deadline=$((SECONDS + $1))
  shift
  while :; do
    ENTRY=$(e2e_journal_select "$JOURNAL" "$@")
    ENTRY=${ENTRY%%$'\n'*}
    [[ -n $ENTRY ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "no journal entry with $* within the time; entries: $(cat "$JOURNAL")"
    sleep 0.2
  done
}

field() { e2e_journal_field "$ENTRY" "$1" || e2e_fail "the entry has no field $1: $ENTRY"; }

# --- the fleet's tools
e2e_start_fake_journal "$JOURNAL"
NODE_PORT=$(free_port)
prometheus-node-exporter --web.listen-address="127.0.0.1:$NODE_PORT" --collector.disable-defaults \
  --collector.textfile --collector.textfile.directory="$TEXTDIR" >"$E2E_TMP/node.log" 2>&1 &
e2e_track "$!"
wait_http "http://127.0.0.1:$NODE_PORT/metrics" node_exporter
PROM_PORT=$(free_port)
mkdir -p "$E2E_TMP/prometheus"
cat >"$E2E_TMP/prometheus/prometheus.yml" <<EOF
global:
  scrape_interval: 1s
  evaluation_interval: 1s
scrape_configs:
  - job_name: node
    static_configs:
      - targets: ['127.0.0.1:$NODE_PORT']
EOF
prometheus --config.file="$E2E_TMP/prometheus/prometheus.yml" --storage.tsdb.path="$E2E_TMP/prometheus/data" \
  --web.listen-address="127.0.0.1:$PROM_PORT" >"$E2E_TMP/prometheus.log" 2>&1 &
e2e_track "$!"

e2e_start_xvfb
e2e_start_atspi
e2e_new_program_folder
load=$(e2e_memory_load)
limit=$((load + 10))
((limit + 22 <= 100)) || e2e_fail "the memory load is $load %: no room for the test's 5 GiB"
e2e_note "memory load $load %, load limit xx1=$limit"
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n[export]\r\nTextfileDir=%s\r\n' \
  "$limit" "$TEXTDIR" >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
sleep 1.5 # the start point's snapshot, taken at the showing

# --- at rest: the file, read by node_exporter
label="user=\"$USER_NAME\""
wait_metric "ostra_load_limit_percent\\{$label\\} $limit" 10 "the load limit at rest"
no_scrape_error
grep -qE "^ostra_memory_load_percent\\{$label\\} [0-9]+$" <<<"$METRICS" ||
  e2e_fail "no load in /metrics: $(grep '^ostra_' <<<"$METRICS")"
grep -qx "ostra_warning_active{kind=\"limit\",$label} 0" <<<"$METRICS" ||
  e2e_fail "the limit warning is not 0 at rest: $(grep '^ostra_warning' <<<"$METRICS")"
e2e_assert_file "$TEXTDIR/$PROM_NAME" "the collector's file"
e2e_assert_eq 0 "$(entries SYSLOG_IDENTIFIER=ostra)" "journal entries at rest"

# --- the Prometheus server scraping node_exporter answers a query
wait_http "http://127.0.0.1:$PROM_PORT/-/ready" "the Prometheus server"

# prom_query QUERY: waits up to 30 s until the server answers QUERY with a
# sample; prints its user and job labels and its value.
prom_query() {
  local i answer sample
  for ((i = 0; i < 60; i++)); do
    answer=$(curl -sf --get --data-urlencode "query=$1" "http://127.0.0.1:$PROM_PORT/api/v1/query" || true)
    sample=$("$E2E_SYS_PYTHON" -c '
import json, sys
r = json.loads(sys.argv[1] or "{}").get("data", {}).get("result", [])
if r:
    print(r[0]["metric"].get("user", ""), r[0]["metric"].get("job", ""), r[0]["value"][1])' "$answer")
    if [[ -n $sample ]]; then
      echo "$sample"
      return 0
    fi
    sleep 0.5
  done
  e2e_fail "Prometheus has no sample of $1 within 30 s: $answer"
}
read -r prom_user prom_job prom_load <<<"$(prom_query ostra_memory_load_percent)"
e2e_assert_eq "$USER_NAME" "$prom_user" "the user label Prometheus stored"
e2e_assert_eq node "$prom_job" "the job label Prometheus stored"
e2e_assert_range 1 100 "$prom_load" "the load Prometheus stored"
# The limit stays put while the load moves with the machine's other
# programs: the figure to compare exactly.
read -r _ _ prom_limit <<<"$(prom_query "ostra_load_limit_percent{user=\"$USER_NAME\"}")"
e2e_assert_eq "$limit" "$prom_limit" "the load limit Prometheus stored"

# --- 5 GiB after the start point: the load-limit warning
HOG_PIDFILE=$E2E_TMP/hog.pid
MEMHOG_MIB=5120 MEMHOG_PIDFILE=$HOG_PIDFILE "$E2E_TMP/$HOG_NAME" &
HOG=$!
e2e_track "$HOG"
e2e_wait_warning open 40 "the load-limit warning did not open within 40 s"
wait_metric "ostra_warning_active\\{kind=\"limit\",$label\\} 1" 20 "the limit warning while it is shown"
no_scrape_error
grep -qx "ostra_warnings_total{kind=\"limit\",$label} 1" <<<"$METRICS" ||
  e2e_fail "not one limit warning counted: $(grep '^ostra_warnings_total' <<<"$METRICS")"
grown=$(grep -F "ostra_application_growth_bytes{application=\"$HOG_LABEL\",$label} " <<<"$METRICS") ||
  e2e_fail "$HOG_NAME is not among the grown: $(grep '^ostra_application_growth' <<<"$METRICS")"
grown_bytes=${grown##* }
awk -v b="$grown_bytes" 'BEGIN { exit !(b + 0 >= 64 * 1048576) }' || e2e_fail "$HOG_NAME grew only $grown_bytes bytes"
e2e_note "warning in /metrics; $HOG_NAME grew $grown_bytes bytes"

# The journal: one entry for the opening, whatever the ticks after it.
wait_entry 5 SYSLOG_IDENTIFIER=ostra OSTRA_EVENT=warning-limit
e2e_assert_eq 4 "$(field PRIORITY)" "the warning's PRIORITY"
e2e_assert_eq "$limit" "$(field OSTRA_LIMIT)" "the warning's OSTRA_LIMIT"
warn_id=$(field MESSAGE_ID)
[[ $warn_id =~ ^[0-9a-f]{32}$ ]] || e2e_fail "the warning's MESSAGE_ID '$warn_id' is no 128-bit id"
warn_load=$(field OSTRA_LOAD)
e2e_assert_range "$limit" 100 "$warn_load" "the warning's OSTRA_LOAD"
apps=$(field OSTRA_APP)
grep -qxF "$HOG_SHOWN" <<<"$apps" || e2e_fail "OSTRA_APP does not name $HOG_SHOWN: $apps"
message=$(field MESSAGE)
[[ $message != *$'\n'* && $message == *"$HOG_SHOWN"* ]] ||
  e2e_fail "the warning's MESSAGE is not one line naming $HOG_SHOWN: '$message'"
e2e_note "journal: $message"
sleep 2 # ticks while the warning stays open
e2e_assert_eq 1 "$(entries OSTRA_EVENT=warning-limit)" "warning-limit entries while it stays open"

# --- "OK" clicked: the acknowledgement
box=$(e2e_atspi extents --pid "$E2E_PID" --window Ostra --name OK --role "push button" --timeout 10) ||
  e2e_fail "no OK in the warning window over AT-SPI"
read -r x y w h <<<"$box"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
e2e_wait_warning gone 5 "the warning window stayed open after OK"
wait_entry 5 SYSLOG_IDENTIFIER=ostra OSTRA_EVENT=acknowledged
e2e_assert_eq 5 "$(field PRIORITY)" "the acknowledgement's PRIORITY"
ack_id=$(field MESSAGE_ID)
[[ $ack_id =~ ^[0-9a-f]{32}$ && $ack_id != "$warn_id" ]] ||
  e2e_fail "the acknowledgement's MESSAGE_ID '$ack_id' is no id of its own (warning: $warn_id)"
[[ -n $(field MESSAGE) ]] || e2e_fail "the acknowledgement has an empty MESSAGE"
wait_metric "ostra_warning_active\\{kind=\"limit\",$label\\} 0" 20 "the limit warning after OK"
no_scrape_error
grep -qx "ostra_warnings_total{kind=\"limit\",$label} 1" <<<"$METRICS" ||
  e2e_fail "the count changed with OK: $(grep '^ostra_warnings_total' <<<"$METRICS")"
e2e_stop_pid "$HOG"

# --- the end: the file goes
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 10 || e2e_fail "the program did not end within 10 s of SIGTERM"
e2e_assert_eq 0 "$E2E_EXIT" "the program's exit status"
leftover=$(ls -A "$TEXTDIR")
e2e_assert_eq "" "$leftover" "files left in the collector's folder at the end"
METRICS=$(metrics)
! grep -q '^ostra_' <<<"$METRICS" || e2e_fail "node_exporter still shows Ostra's metrics after the end"
e2e_assert_eq 1 "$(entries OSTRA_EVENT=warning-limit)" "warning-limit entries in all"
e2e_assert_eq 1 "$(entries OSTRA_EVENT=acknowledged)" "acknowledged entries in all"

# --- bad input: a FIFO at the file's name, and a read-only folder holding
# an earlier file; one copy of the program on each (each with a runtime
# folder of its own, so that they do not meet as one copy)
FIFODIR=$E2E_TMP/fifo-folder
mkdir -p "$FIFODIR"
mkfifo "$FIFODIR/$PROM_NAME"
RODIR=$E2E_TMP/readonly-folder
mkdir -p "$RODIR"
echo "# an earlier file" >"$RODIR/$PROM_NAME"
# Root writes in any folder: read-only through a mount, in this test's
# private namespace.
mount --bind "$RODIR" "$RODIR" || e2e_fail "could not bind-mount $RODIR"
E2E_MOUNTS+=("$RODIR")
mount -o remount,bind,ro "$RODIR" || e2e_fail "could not make $RODIR read-only"
! touch "$RODIR/probe" 2>/dev/null || e2e_fail "$RODIR is still writable"

# bad_start DIR: the program on DIR; sets BAD_PID and BAD_LOG.
bad_start() {
  local runtime
  runtime=$E2E_TMP/runtime-$(basename "$1")
  mkdir -m 700 "$runtime"
  e2e_new_program_folder
  printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n[export]\r\nTextfileDir=%s\r\n' \
    "$limit" "$1" >"$E2E_PROG/tevo.ini"
  XDG_RUNTIME_DIR=$runtime e2e_start_program
  BAD_PID=$E2E_PID
  BAD_LOG=${E2E_PROG_LOGS[-1]}
}

# bad_end DIR PID LOG WHAT: the program on DIR still runs, ends at once on
# SIGTERM, and said one line about the folder.
bad_end() {
  e2e_assert_alive "$2" "the program with $4"
  kill -TERM "$2"
  e2e_wait_exit "$2" 5 || e2e_fail "the program hangs with $4 (no end within 5 s of SIGTERM)"
  said=$(grep -cE "$(basename "$1")|$PROM_NAME" "$3" || true)
  e2e_assert_eq 1 "$said" "lines on standard error with $4 (output: $(cat "$3"))"
  e2e_note "with $4: $(grep -E "$(basename "$1")|$PROM_NAME" "$3")"
}

bad_start "$FIFODIR"
FIFO_PID=$BAD_PID FIFO_LOG=$BAD_LOG
bad_start "$RODIR"
RO_PID=$BAD_PID RO_LOG=$BAD_LOG
e2e_wait_window Brisel 15 "$FIFO_PID"
e2e_wait_window Brisel 15 "$RO_PID"
# Past the first write and a second one 15 s later.
sleep 17
bad_end "$FIFODIR" "$FIFO_PID" "$FIFO_LOG" "a FIFO at the file's name"
bad_end "$RODIR" "$RO_PID" "$RO_LOG" "a read-only folder"
[[ -p $FIFODIR/$PROM_NAME ]] || e2e_fail "the FIFO at the file's name was replaced or removed"
# Nothing was written into the FIFO: a reader finds it empty.
written=$(timeout 2 "$E2E_SYS_PYTHON" -c '
import os, sys
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NONBLOCK)
print(len(os.read(fd, 65536)))' "$FIFODIR/$PROM_NAME")
e2e_assert_eq 0 "$written" "bytes waiting in the FIFO"
e2e_assert_eq "$PROM_NAME" "$(ls -A "$FIFODIR")" "files in the folder with the FIFO"
e2e_assert_eq "# an earlier file" "$(cat "$RODIR/$PROM_NAME")" "the earlier file in the read-only folder"
# --- a journal that takes nothing: its stand-in stopped, its queue full.
# The warning, its "OK" and the end go on as without a journal.
kill -STOP "$E2E_JOURNAL_PID"
queued=$("$E2E_SYS_PYTHON" -c '
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
n = 0
try:
    while n < 100000:
        s.sendto(b"SYSLOG_IDENTIFIER=filler\nMESSAGE=x\n", socket.MSG_DONTWAIT, sys.argv[1])
        n += 1
except BlockingIOError:
    print(n)' /run/systemd/journal/socket)
[[ -n $queued ]] || e2e_fail "could not fill the stopped journal's queue"
e2e_new_program_folder
printf '[x]\r\nxx1=%s\r\ncheckbox1=1\r\ncheckbox2=0\r\nSoundCheck=0\r\n' $((load >= 10 ? load - 10 : 0)) \
  >"$E2E_PROG/tevo.ini"
e2e_start_program
e2e_wait_window Brisel 15
e2e_wait_warning open 10 "no warning within 10 s of the main window with the journal jammed"
box=$(e2e_atspi extents --pid "$E2E_PID" --window Ostra --name OK --role "push button" --timeout 10) ||
  e2e_fail "no OK in the warning window over AT-SPI (journal jammed)"
read -r x y w h <<<"$box"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
e2e_wait_warning gone 5 "the warning window stayed open after OK with the journal jammed"
kill -TERM "$E2E_PID"
e2e_wait_exit "$E2E_PID" 5 || e2e_fail "the program did not end within 5 s of SIGTERM with the journal jammed"
kill -CONT "$E2E_JOURNAL_PID"
e2e_note "journal jammed with $queued datagrams: warning, OK and end went on"
e2e_pass "warning and OK in the journal and in Prometheus ($HOG_NAME +$grown_bytes B); FIFO and read-only folder refused"
