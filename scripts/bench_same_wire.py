#!/usr/bin/env python3
"""Compares two runs' communication logs and the bytes the simulated board
received (bench_run --log FILE --wire FILE), modulo what time decides.

    scripts/bench_same_wire.py [--timed] LOG_A WIRE_A LOG_B WIRE_B

Always left out: time stamps, the date in the opening event, temporary
folder names and pseudo-terminal numbers. With --timed (runs whose motion
takes real time) also: how often a block of exchanges or log lines repeats
in a row (the idle wait asks until a place frees, the switch reads follow
each 250 ms wait), whether "SENT." joined its line (a write under 1 ms),
the head position reports with their motor selections and log lines,
which come on a clock, the free places in state replies, and where the
displays catch up. Those exchanges are compared in an untimed run.
Prints the first differences; exits 1 when there are any.
"""
import difflib
import re
import sys

STAMP = re.compile(r"^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d+: ")
MASKS = [
    (re.compile(r"LOG FILE OPENED AT .*?\.  "), "LOG FILE OPENED AT <date>.  "),
    (re.compile(r"/tmp/plyx3-[A-Za-z]+-\w+"), "<tmp>"),
    (re.compile(r"/dev/pts/\d+"), "<pts>"),
]
# Log lines that a clock decides in a timed run: the position reports, and
# where the status displays catch up with the board.
TIMED_LOG = re.compile(r"Head at X=|Run starts with the head|Extracting ")
# In a timed run the board's free places at a reply depend on when it came.
STATE_REPLY = re.compile(r"^ RCVD:([GDAIPS])\d+\*$")


# Exchanges that a clock places in a timed run: the head position reports
# (item -1 of a motor) and the motor selections around them.
TIMED_COMMAND = re.compile(r"^( |\d+M|-1\?)$")


def log_lines(path, timed):
    data = open(path, "rb").read()
    if data.startswith(b"\xff\xfe"):
        data = data[2:]
    text = data.decode("utf-16-le")
    lines = []
    dropping = False  # inside an exchange left out
    for raw in text.split("\r\n"):
        line = STAMP.sub("", raw)
        for pattern, repl in MASKS:
            line = pattern.sub(repl, line)
        if timed:
            if line.startswith(" QUEUED:"):
                dropping = bool(TIMED_COMMAND.match(line[len(" QUEUED:"):]))
            elif not (line.startswith(" SENT:") or line.startswith(" RCVD:")):
                dropping = False
            if dropping:
                continue
            if line == " SENT:SENT." and lines and lines[-1].startswith(" SENT:SENDING"):
                lines[-1] += "SENT."
                continue
            if TIMED_LOG.search(line):
                continue
            line = STATE_REPLY.sub(r" RCVD:\1#*", line)
        lines.append(line)
    return lines


def wire_lines(path, timed):
    lines = open(path, encoding="ascii").read().splitlines()
    if timed:
        lines = [line for line in lines if not TIMED_COMMAND.match(line.split("\t")[0])]
    return lines


def collapse(lines, longest=24):
    """Keeps one copy of a block of up to `longest` lines repeated in a row."""
    out = []
    for line in lines:
        out.append(line)
        for k in range(1, longest + 1):
            if len(out) >= 2 * k and out[-k:] == out[-2 * k:-k]:
                del out[-k:]
                break
    return out


def compare(kind, a, b):
    if a == b:
        print(f"{kind}: same ({len(a)} lines after normalising)")
        return True
    print(f"{kind}: DIFFERENT")
    for n, line in enumerate(difflib.unified_diff(a, b, "before", "after", n=2, lineterm="")):
        print(line)
        if n > 60:
            print("...")
            break
    return False


def main(argv):
    timed = "--timed" in argv
    args = [a for a in argv if a != "--timed"]
    if len(args) != 4:
        print(__doc__)
        return 2
    log_a, wire_a, log_b, wire_b = args
    norm = collapse if timed else (lambda x: x)
    same = compare("log", norm(log_lines(log_a, timed)), norm(log_lines(log_b, timed)))
    same = compare("wire", norm(wire_lines(wire_a, timed)), norm(wire_lines(wire_b, timed))) and same
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
