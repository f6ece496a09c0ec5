#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for tests, with misbehaving modes.

Binds 127.0.0.1 on a free port (or --port), then prints the port on stdout and,
with --port-file, writes it there (atomically, so a reader that polls for the
file never sees half of it).

Every request is answered in the server's mode (--mode, default "serve"):
  serve    the file under --root named by the path, 200; a missing file 404
  404      404 with a short body
  silent   accepts the connection and never answers
  endless  200 without a length, then an endless stream of bytes
  trickle  200 without a length, then one byte every --trickle-interval s
A path that starts with one of these prefixes picks the mode for that request
instead, whatever --mode says:
  /__serve/REST  /__404/...  /__silent/...  /__endless/...  /__trickle/...
  /__redirect?to=LOCATION   302 to LOCATION
With --log, each request line is appended there ("GET /path"), one a line.
Ends on SIGTERM or SIGINT.
"""

import argparse
import os
import signal
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MODES = ("serve", "404", "silent", "endless", "trickle")


class Handler(BaseHTTPRequestHandler):
    server_version = "fixture/1"

    def log_message(self, fmt, *args):  # keep stderr quiet
        pass

    def _log_request_line(self):
        log = self.server.options.log
        if log:
            with self.server.log_lock, open(log, "a", encoding="utf-8") as f:
                f.write(f"{self.command} {self.path}\n")

    def _pick(self):
        parsed = urllib.parse.urlsplit(self.path)
        path = parsed.path
        for mode in MODES + ("redirect",):
            prefix = f"/__{mode}"
            if path == prefix or path.startswith(prefix + "/"):
                return mode, path[len(prefix):] or "/", parsed.query
        return self.server.options.mode, path, parsed.query

    def do_GET(self):
        self._log_request_line()
        mode, path, query = self._pick()
        getattr(self, "_" + ("not_found" if mode == "404" else mode))(path, query)

    def _serve(self, path, _query):
        root = os.path.realpath(self.server.options.root)
        wanted = os.path.realpath(os.path.join(root, urllib.parse.unquote(path).lstrip("/")))
        if os.path.commonpath([root, wanted]) != root or not os.path.isfile(wanted):
            self._not_found(path, _query)
            return
        with open(wanted, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def _not_found(self, _path, _query):
        body = b"not here\n"
        self.send_response(404)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def _redirect(self, _path, query):
        to = urllib.parse.parse_qs(query).get("to", ["/"])[0]
        self.send_response(302)
        self.send_header("Location", to)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def _silent(self, _path, _query):
        self.close_connection = True
        self.server.stopping.wait()

    def _stream(self, chunk, pause):
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()
        try:
            while not self.server.stopping.is_set():
                self.wfile.write(chunk)
                self.wfile.flush()
                if pause:
                    self.server.stopping.wait(pause)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _endless(self, _path, _query):
        self._stream(b"x" * 4096, 0)

    def _trickle(self, _path, _query):
        self._stream(b"x", self.server.options.trickle_interval)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mode", choices=MODES, default="serve")
    parser.add_argument("--root", default=".", help="folder served in serve mode")
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--port-file", help="where to write the port")
    parser.add_argument("--log", help="file that gets one line per request")
    parser.add_argument("--trickle-interval", type=float, default=0.1)
    options = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", options.port), Handler)
    server.daemon_threads = True
    server.options = options
    server.log_lock = threading.Lock()
    server.stopping = threading.Event()

    def stop(_signum, _frame):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    port = server.server_address[1]
    if options.port_file:
        tmp = options.port_file + ".tmp"
        with open(tmp, "w", encoding="ascii") as f:
            f.write(f"{port}\n")
        os.replace(tmp, options.port_file)
    print(port, flush=True)

    server.serve_forever(poll_interval=0.1)
    server.server_close()
    # Streaming threads see `stopping` and end; give them a moment.
    time.sleep(0.05)
    return 0


if __name__ == "__main__":
    sys.exit(main())
