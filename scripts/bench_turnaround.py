#!/usr/bin/env python3
"""Splits the time of a logged run into the program's turnaround and the line.

Reads a communication log written in exact-time mode (a file name ending in
EXACTTIME.LOG, UTF-16) and, for every command exchange after the run
started, measures:
  host: from the last byte of a reply to the next block sent (the program's
        own work between two exchanges: parsing, the engine, logging);
  line: from a block sent to the last byte of its reply (wire, board and the
        simulator's wake-ups).
Usage: bench_turnaround.py LOG [--baud 115200]
"""
import re
import sys
from datetime import datetime

STAMP = re.compile(r"^(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{6}):  (EVENT|RCVD|SENT|QUEUED):(.*)$")


def stamp_seconds(text):
    dt = datetime.strptime(text, "%m/%d/%Y %H:%M:%S.%f")
    return dt.timestamp()


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    raw = open(sys.argv[1], "rb").read()
    text = raw.decode("utf-16-le", errors="replace").lstrip("\ufeff")
    started = False
    last_rcvd = None
    sent_at = None
    host = line = 0.0
    exchanges = 0
    for row in text.split("\r\n"):
        m = STAMP.match(row)
        if not m:
            continue
        t = stamp_seconds(m.group(1))
        kind, rest = m.group(2), m.group(3)
        if kind == "EVENT" and "Starting run" in rest:
            started = True
            last_rcvd = None
            continue
        if not started:
            continue
        if kind == "SENT" and rest.startswith("SENDING"):
            if last_rcvd is not None and sent_at is None:
                host += t - last_rcvd
            sent_at = t
        elif kind == "RCVD":
            last_rcvd = t
            if sent_at is not None and rest.endswith("*"):
                line += t - sent_at
                exchanges += 1
                sent_at = None
    if exchanges == 0:
        print("no exchanges found (is it an exact-time log of a run?)")
        return 1
    print(f"exchanges={exchanges} host_s={host:.4f} line_s={line:.4f} "
          f"host_us_per_exchange={host / exchanges * 1e6:.1f} line_us_per_exchange={line / exchanges * 1e6:.1f} "
          f"host_share={host / (host + line):.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
