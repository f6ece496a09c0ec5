#!/usr/bin/env python3
"""Latency from a command to the first sound of its cue at the sound server.

Records the null sink's monitor with parec (raw, mono, low latency) in a
thread that stamps every block with the time it arrived. A cue's sound
counts from the arrival of the first block that holds it: an upper bound
that includes the recording path (blocks come every few milliseconds). For each of N cues:
wait for silence, move the pointer onto the button, note the time, run
"xdotool click 1" (or ask the driver to play), find the first loud sample
after that time.

    cue_latency.py click WINDOW_ID X Y [N]
    cue_latency.py driver CUE_DRIVER FILE.wav [N]

click: X, Y is the button's place inside the window; times count from the
start of xdotool (which sends the click at once, then lingers about 100 ms
before it exits). driver: cue_driver calls the Linux platform's playSound
for each cue and reports when it did (CLOCK_MONOTONIC, Python's monotonic
clock). Prints one line per cue and the median.

OSTRA_CUE_GAP (seconds, default 0.2) is the silence before each cue; one
longer than the player's quiet spell (10 s) times every cue as the first
one after the sound server was let go.
"""

import array
import os
import statistics
import subprocess
import sys
import threading
import time

RATE = 44100
THRESHOLD = 0.01 * 32768


class Recorder:
    def __init__(self):
        self.proc = subprocess.Popen(
            ["parec", "-d", "test_null.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=1", "--latency-msec=2", "--process-time-msec=1"],
            stdout=subprocess.PIPE, bufsize=0)
        self.lock = threading.Lock()
        self.blocks = []  # (arrival time of the block's last sample, samples)
        self.carry = b""
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 4096)
            now = time.monotonic()
            if not data:
                return
            data = self.carry + data
            cut = len(data) - len(data) % 2
            self.carry = data[cut:]
            samples = array.array("h")
            samples.frombytes(data[:cut])
            with self.lock:
                self.blocks.append((now, samples))

    def onset_after(self, t0, timeout=2.0):
        """Arrival time of the first block after t0 that holds a loud
        sample, or None. The sound was at the sink by then at the latest."""
        deadline = time.monotonic() + timeout
        checked = 0
        while time.monotonic() < deadline:
            with self.lock:
                blocks = self.blocks[checked:]
            for now, samples in blocks:
                checked += 1
                if now > t0 and max(map(abs, samples), default=0) > THRESHOLD:
                    return now
            time.sleep(0.005)
        return None

    def quiet_for(self, seconds):
        """Waits until the last `seconds` of the recording were silent."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            time.sleep(0.05)
            with self.lock:
                recent = [b for b in self.blocks if b[0] > time.monotonic() - seconds]
            if recent and all(max(map(abs, s), default=0) <= THRESHOLD for _, s in recent):
                return True
        return False

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def measure(rec, n, fire):
    """Fires n cues, each after OSTRA_CUE_GAP s of silence; returns the latencies in ms."""
    gap = float(os.environ.get("OSTRA_CUE_GAP", "0.2"))
    out = []
    for k in range(n):
        if gap > 0.2:
            time.sleep(gap)
        if not rec.quiet_for(0.2):
            sys.exit("no silence before cue %d" % (k + 1))
        t0 = fire()
        t = rec.onset_after(t0)
        if t is None:
            sys.exit("cue %d: no sound within 2 s" % (k + 1))
        out.append((t - t0) * 1000)
        print(f"cue {k + 1:2d}: {out[-1]:6.1f} ms")
    return out


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode == "click" and len(sys.argv) >= 5:
        wid, x, y = sys.argv[2:5]
        n = int(sys.argv[5]) if len(sys.argv) > 5 else 20

        def fire():
            subprocess.run(["xdotool", "mousemove", "--window", wid, x, y], check=True)
            time.sleep(0.05)
            t0 = time.monotonic()
            subprocess.run(["xdotool", "click", "1"], check=True)
            return t0
        what = "from the start of xdotool to the first sound"
        driver = None
    elif mode == "driver" and len(sys.argv) >= 4:
        driver = subprocess.Popen([sys.argv[2], sys.argv[3]], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        n = int(sys.argv[4]) if len(sys.argv) > 4 else 20

        def fire():
            driver.stdin.write("play\n")
            driver.stdin.flush()
            return float(driver.stdout.readline())
        what = "from the playSound call to the first sound"
    else:
        sys.exit(__doc__)
    rec = Recorder()
    time.sleep(0.5)
    lat = measure(rec, n, fire)
    rec.stop()
    if driver:
        driver.stdin.close()
        driver.wait()
    print(f"median over {n}: {statistics.median(lat):.1f} ms {what} "
          f"(min {min(lat):.1f}, max {max(lat):.1f})")


if __name__ == "__main__":
    main()
