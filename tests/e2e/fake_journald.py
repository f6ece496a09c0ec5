#!/usr/bin/python3
"""A stand-in for systemd-journald's native socket, for the tests.

Binds a datagram socket (by default /run/systemd/journal/socket, where
libsystemd's sd_journal_send and `logger --journald` send their entries) and
writes every entry it receives to a file as one JSON object a line, its
fields as strings (bytes that are no UTF-8 kept as \\ufffd).

Run it only inside a private mount namespace with a tmpfs over the socket's
folder (unshare -m --propagation private): it replaces whatever socket is at
that path.

The native protocol, as libsystemd writes it:
  - one datagram per entry, a list of fields, each either
      KEY=VALUE\\n                       (a value without a newline), or
      KEY\\n<64-bit little-endian length><VALUE>\\n   (any bytes);
  - an entry too large for one datagram comes as an empty datagram with a
    file descriptor attached (SCM_RIGHTS, a sealed memfd) holding the same
    list.
An entry that breaks these rules is not dropped silently: it is written as
{"_MALFORMED": "<why>"} so that a test sees it.

Usage: fake_journald.py --log FILE [--socket PATH] [--ready FILE]
The ready file is written once the socket is bound.
"""

import argparse
import array
import json
import os
import signal
import socket
import struct
import sys

MAX_DATAGRAM = 8 * 1024 * 1024


def parse_entry(data):
    """The fields of one entry as a dict of str; raises ValueError."""
    fields = {}
    pos = 0
    while pos < len(data):
        nl = data.find(b"\n", pos)
        if nl < 0:
            raise ValueError("field without a final newline at byte %d" % pos)
        line = data[pos:nl]
        eq = line.find(b"=")
        if eq >= 0:
            key, value = line[:eq], line[eq + 1:]
            pos = nl + 1
        else:
            key = line
            if nl + 9 > len(data):
                raise ValueError("binary field %r without its length" % key)
            (size,) = struct.unpack("<Q", data[nl + 1:nl + 9])
            start = nl + 9
            end = start + size
            if end >= len(data) or data[end:end + 1] != b"\n":
                raise ValueError("binary field %r: length %d does not fit" % (key, size))
            value = data[start:end]
            pos = end + 1
        if not key or not all(c == 0x5F or 0x30 <= c <= 0x39 or 0x41 <= c <= 0x5A for c in key):
            raise ValueError("invalid field name %r" % key)
        name = key.decode("ascii")
        text = value.decode("utf-8", errors="replace")
        # A field given twice keeps every value, as the journal does.
        if name in fields:
            old = fields[name]
            fields[name] = (old if isinstance(old, list) else [old]) + [text]
        else:
            fields[name] = text
    return fields


def read_fd(fd):
    chunks = []
    os.lseek(fd, 0, os.SEEK_SET)
    while True:
        chunk = os.read(fd, 1 << 16)
        if not chunk:
            break
        chunks.append(chunk)
    return b"".join(chunks)


def receive(sock):
    """The bytes of the next entry, read from an attached descriptor when
    the datagram carries one."""
    fds = array.array("i")
    data, anc, _flags, _addr = sock.recvmsg(MAX_DATAGRAM, socket.CMSG_SPACE(4 * fds.itemsize))
    for level, kind, payload in anc:
        if level == socket.SOL_SOCKET and kind == socket.SCM_RIGHTS:
            fds.frombytes(payload[:len(payload) - (len(payload) % fds.itemsize)])
    if not fds:
        return data
    try:
        return read_fd(fds[0])
    finally:
        for fd in fds:
            os.close(fd)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--log", required=True)
    p.add_argument("--socket", default="/run/systemd/journal/socket")
    p.add_argument("--ready")
    args = p.parse_args()

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if os.path.lexists(args.socket):
        os.unlink(args.socket)
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    sock.bind(args.socket)
    os.chmod(args.socket, 0o666)
    # Room for a burst of entries while this process is not scheduled.
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 * 1024 * 1024)
    with open(args.log, "a", encoding="utf-8") as log:
        if args.ready:
            with open(args.ready, "w", encoding="utf-8") as ready:
                ready.write("%d\n" % os.getpid())
        while True:
            data = receive(sock)
            try:
                entry = parse_entry(data)
            except ValueError as e:
                entry = {"_MALFORMED": str(e)}
            log.write(json.dumps(entry, sort_keys=True) + "\n")
            log.flush()


if __name__ == "__main__":
    main()
