#!/usr/bin/env python3
"""Runs a command as a child subreaper and waits for every process it
started, even ones that left it (a desktop launcher's child is orphaned as
soon as the launcher exits). Prints one line per process that ended:
"PID NAME STATUS" (STATUS: exit code, or 128+N for signal N).

    reap_launch.py SECONDS COMMAND [ARG...]

Exits 0 when everything ended within SECONDS, 1 otherwise (the processes
still running are listed as "PID NAME running")."""
import ctypes
import os
import signal
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36


def name_of(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return "?"


def children():
    """Our living descendants: with the subreaper flag, every one of them
    is a direct child once its parent has gone."""
    me = str(os.getpid())
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat.rsplit(")", 1)[1].split()
        if fields[1] == me:
            found.append(int(entry))
    return found


def main():
    deadline = time.monotonic() + float(sys.argv[1])
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("prctl(PR_SET_CHILD_SUBREAPER) failed")
    subprocess.Popen(sys.argv[2:])
    while True:
        try:
            info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOHANG | os.WNOWAIT)
        except ChildProcessError:
            return 0
        if info is None:
            if time.monotonic() > deadline:
                for pid in children():
                    print(pid, name_of(pid), "running", flush=True)
                return 1
            time.sleep(0.05)
            continue
        name = name_of(info.si_pid)  # still readable: not reaped yet
        _, status = os.waitpid(info.si_pid, 0)
        code = os.waitstatus_to_exitcode(status)
        print(info.si_pid, name, code if code >= 0 else 128 - code, flush=True)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
