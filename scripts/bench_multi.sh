#!/usr/bin/env bash
# Several machines from one computer: N simulated controllers (boardsim
# processes, real-time motion, 115200 baud) and one full run on each, all
# at the same time, each run in a process of its own as the program runs
# one instance per controller.
#   scripts/bench_multi.sh BUILD_DIR [N] [LATENCY_MS] [extra bench_run options]
set -euo pipefail
build=${1:?build folder}
n=${2:-8}
latency=${3:-16}
shift $(( $# < 3 ? $# : 3 ))
work=$(mktemp -d /tmp/plyx3-multi-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for i in $(seq "$n"); do
  "$build/sim/boardsim" --time-scale 1 --baud 115200 --latency "$latency" --control "$work/c$i" >"$work/sim$i.out" 2>&1 &
  pids+=($!)
done
for i in $(seq "$n"); do
  for _ in $(seq 200); do [ -s "$work/sim$i.out" ] && break; sleep 0.02; done
done
load=$(cut -d' ' -f1-3 /proc/loadavg)
t0=$(date +%s.%N)
runs=()
for i in $(seq "$n"); do
  "$build/bench/bench_run" --device "$(head -1 "$work/sim$i.out")" --control "$work/c$i" --baud 115200 "$@" \
    >"$work/run$i.out" 2>&1 &
  runs+=($!)
done
failed=0
for p in "${runs[@]}"; do wait "$p" || failed=1; done
t1=$(date +%s.%N)
sim_ticks=0
for p in "${pids[@]}"; do sim_ticks=$((sim_ticks + $(awk '{print $14 + $15}' "/proc/$p/stat"))); done
cat "$work"/run*.out
awk -v wall="$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')" -v simt="$sim_ticks" -v hz="$(getconf CLK_TCK)" \
    -v n="$n" -v load="$load" -v lat="$latency" '
  { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    cpu += v["cpu_user_s"] + v["cpu_sys_s"]; under += v["underruns"]; segs += v["segments"] }
  END { printf "controllers=%d latency_ms=%d load=\"%s\" wall_s=%.1f program_cpu_s=%.3f program_cores=%.4f underruns=%d segments=%d sim_cpu_s=%.2f sim_cores=%.4f\n",
        n, lat, load, wall, cpu, cpu / wall, under, segs, simt / hz, simt / hz / wall }' "$work"/run*.out
exit "$failed"
