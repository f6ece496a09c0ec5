#!/usr/bin/env python3
"""Finds the sounding stretches of a 16-bit PCM wave file.

The file is cut into short windows (5 ms by default); a window sounds when
its peak sample is above the threshold (a fraction of full scale). Runs of
sounding windows separated by less than the merge gap are one segment.
Each segment is printed as one line

    START LENGTH PEAK

in seconds from the start of the file, seconds and fraction of full scale
(0..1), or as a JSON list with --json. A recording still being written by
parec (its header not yet final) is read up to its last whole frame.
"""

import argparse
import array
import json
import struct
import sys


def read_pcm16(path):
    """Returns (rate, channels, samples) of a 16-bit PCM wave file.

    Reads the chunks by hand so that a header whose sizes are not filled
    in yet (a recording in progress, or cut off) still works.
    """
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a RIFF/WAVE file")
    pos = 12
    rate = channels = bits = None
    pcm = None
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        body = pos + 8
        if cid == b"fmt ":
            fmt, channels, rate = struct.unpack_from("<HHI", data, body)
            bits = struct.unpack_from("<H", data, body + 14)[0]
            if fmt not in (1, 0xFFFE) or bits != 16:
                raise ValueError(f"{path}: only 16-bit PCM is handled (format {fmt}, {bits} bits)")
        elif cid == b"data":
            end = len(data) if size in (0, 0xFFFFFFFF) or body + size > len(data) else body + size
            pcm = data[body:end]
            break
        pos = body + size + (size & 1)
    if rate is None or pcm is None:
        raise ValueError(f"{path}: no fmt or data chunk")
    frame = 2 * channels
    pcm = pcm[: len(pcm) - len(pcm) % frame]
    samples = array.array("h")
    samples.frombytes(pcm)
    if sys.byteorder == "big":
        samples.byteswap()
    return rate, channels, samples


def segments(path, window_ms=5.0, threshold=0.01, merge_ms=30.0):
    rate, channels, samples = read_pcm16(path)
    win = max(1, int(rate * window_ms / 1000.0)) * channels
    limit = threshold * 32768.0
    found = []  # [start_window, end_window (exclusive), peak]
    nwin = (len(samples) + win - 1) // win
    gap_windows = max(0, int(round(merge_ms / window_ms)))
    for i in range(nwin):
        w = samples[i * win:(i + 1) * win]
        peak = max(abs(max(w)), abs(min(w)))
        if peak <= limit:
            continue
        if found and i - found[-1][1] <= gap_windows:
            found[-1][1] = i + 1
            found[-1][2] = max(found[-1][2], peak)
        else:
            found.append([i, i + 1, peak])
    out = []
    for s, e, peak in found:
        # Refine the edges to the first and last loud sample.
        lo = s * win
        hi = min(len(samples), e * win)
        first = next(k for k in range(lo, hi) if abs(samples[k]) > limit)
        last = next(k for k in range(hi - 1, lo - 1, -1) if abs(samples[k]) > limit)
        start = (first // channels) / rate
        end = (last // channels + 1) / rate
        out.append({"start": round(start, 4), "length": round(end - start, 4),
                    "peak": round(peak / 32768.0, 4)})
    return out, len(samples) / channels / rate


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("wav")
    ap.add_argument("--window-ms", type=float, default=5.0)
    ap.add_argument("--threshold", type=float, default=0.01, help="fraction of full scale (default 0.01)")
    ap.add_argument("--merge-ms", type=float, default=30.0, help="join segments closer than this")
    ap.add_argument("--json", action="store_true")
    args = ap.parse_args()
    segs, duration = segments(args.wav, args.window_ms, args.threshold, args.merge_ms)
    if args.json:
        print(json.dumps({"duration": round(duration, 4), "segments": segs}))
    else:
        for s in segs:
            print(f"{s['start']:.4f} {s['length']:.4f} {s['peak']:.4f}")


if __name__ == "__main__":
    main()
