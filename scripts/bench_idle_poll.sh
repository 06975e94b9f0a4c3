#!/usr/bin/env bash
# The idle poll's cost at reply latencies 0, 1 and 16 ms (firmware 5.02,
# 115200 baud, motion in real time, communication log open): bench_poll
# (the program's CPU per idle-wait round trip against a bare loop of the
# same exchanges on the same line), then one whole run against boardsim in
# a process of its own (bench_external.sh), whose cpu_share is the
# program's share of a core.
#   scripts/bench_idle_poll.sh BUILD_DIR [LATENCY_MS...]
set -euo pipefail
build=${1:?build folder}
shift
latencies=("$@")
[ ${#latencies[@]} -gt 0 ] || latencies=(0 1 16)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/plyx3-poll-XXXXXX)
trap 'rm -rf "$work"' EXIT
load() { cut -d' ' -f1-3 /proc/loadavg; }
for latency in "${latencies[@]}"; do
  echo "bench_poll load=\"$(load)\" $("$build/bench/bench_poll" --latency "$latency")"
  line=$("$here/bench_external.sh" "$build" --version 5.02 --time-scale 1 --baud 115200 --latency "$latency" \
    -- --log "$work/comm.log" | tr '\n' ' ')
  echo "whole_run latency_ms=$latency load=\"$(load)\" $line"
  rm -f "$work/comm.log"
done
