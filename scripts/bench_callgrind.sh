#!/usr/bin/env bash
# Instructions per queued segment of one full run (program side only):
# boardsim runs as its own process, bench_run under callgrind counts the
# instructions of StartRun and everything it calls.
#   scripts/bench_callgrind.sh BUILD_DIR [bench_run options...]
# Example: scripts/bench_callgrind.sh build-bench --tlc 6
set -euo pipefail
build=${1:?build folder}
shift
work=$(mktemp -d /tmp/plyx3-cg-XXXXXX)
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/sim/boardsim" --baud 115200 --control "$work/control" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
device=$(head -1 "$work/sim.out")
valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" \
  --toggle-collect='plyx::engine::RunEngine::StartRun*' \
  "$build/bench/bench_run" --device "$device" --control "$work/control" --baud 115200 "$@" \
  >"$work/run.out" 2>"$work/valgrind.err"
collected=$(grep -o 'Collected : [0-9]*' "$work/valgrind.err" | grep -o '[0-9]*$')
segments=$(grep -o 'segments=[0-9]*' "$work/run.out" | grep -o '[0-9]*$')
cat "$work/run.out"
echo "instructions=$collected segments=$segments instructions_per_segment=$((collected / segments))"
if [ -n "${KEEP_PROFILE:-}" ]; then cp "$work/cg.out" "$KEEP_PROFILE"; echo "profile kept in $KEEP_PROFILE"; fi
