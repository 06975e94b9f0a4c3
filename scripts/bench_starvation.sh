#!/usr/bin/env bash
# Real-time runs against the simulator at 115200 baud: reply latency 16 ms
# (an FTDI adapter at its default latency timer) and 1 ms, at the default
# rate scale and at TRS=30. Each line: the settings, the load, the figures.
#   scripts/bench_starvation.sh BUILD_DIR [extra bench_run options]
set -euo pipefail
build=${1:?build folder}
shift
for trs in 10 30; do
  for latency in 16 1; do
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    line=$("$build/bench/bench_run" --baud 115200 --time-scale 1 --latency "$latency" --trs "$trs" "$@")
    echo "latency_ms=$latency trs=$trs load=\"$load\" $line"
  done
done
