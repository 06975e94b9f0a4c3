#!/usr/bin/env bash
# One full run of bench_run against boardsim in a process of its own, so
# that the run's process holds only the program side (CPU, memory).
#   scripts/bench_external.sh BUILD_DIR [boardsim options] -- [bench_run options]
# Prints bench_run's line followed by the simulator's CPU seconds.
set -euo pipefail
build=${1:?build folder}
shift
sim_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do sim_args+=("$1"); shift; done
[ $# -gt 0 ] && shift
baud=0
for ((i = 0; i < ${#sim_args[@]}; i++)); do
  [ "${sim_args[$i]}" = "--baud" ] && baud=${sim_args[$((i + 1))]}
done
work=$(mktemp -d /tmp/plyx3-ext-XXXXXX)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
"$build/sim/boardsim" "${sim_args[@]}" --control "$work/control" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
device=$(head -1 "$work/sim.out")
"$build/bench/bench_run" --device "$device" --control "$work/control" --baud "$baud" "$@"
# utime + stime of the simulator, in clock ticks (fields 14 and 15).
ticks=$(awk '{print $14 + $15}' "/proc/$sim_pid/stat")
echo "sim_cpu_s=$(awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.3f", t / hz}')"
