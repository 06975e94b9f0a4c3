#!/usr/bin/env bash
# Builds the benchmarks in Release and prints every figure of bench/README.md.
# Real-time figures take several minutes each (about 30 minutes in all).
#   scripts/bench_all.sh [BUILD_DIR]   (default: build-bench)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
# GCC 12 reports false -Wrestrict overlaps in std::string code at -O3.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Wno-error=restrict >/dev/null
cmake --build "$build" --target bench_link bench_growth bench_run bench_poll bench_search boardsim -j2 >/dev/null
cmake --build "$build" --target plyx3 -j2 >/dev/null 2>&1 || echo "(no plyx3: the main-window figure is skipped)"
b=$build/bench
load() { echo "load=\"$(cut -d' ' -f1-3 /proc/loadavg)\""; }

echo "== 1. link overhead"; load
"$b/bench_link" --benchmark_filter=SideBySide | grep '^BM_'
echo "== 2. streaming efficiency (instant motion, 115200 baud; each run with its bare replay)"
for line in "" "--spin 100" "--burst 1"; do
  # shellcheck disable=SC2086
  for i in 1 2 3; do echo "line=\"$line\" $(load) $("$b/bench_run" --baud 115200 $line)"; done
done
echo "== 3. no starvation (real-time motion)"
"$here/scripts/bench_starvation.sh" "$build"
echo "== 4. host cost: instructions per segment"
"$here/scripts/bench_callgrind.sh" "$build" | tail -1
echo "== 5. growth"; load
"$b/bench_growth" | grep '^BM_'
for tlc in 6 600 6000; do
  echo "tlc=$tlc $("$here/scripts/bench_external.sh" "$build" -- --tlc "$tlc" --asapl 0 | tr '\n' ' ')"
done
echo "== 6. eight controllers at once"
"$here/scripts/bench_multi.sh" "$build" 8 16 | tail -1
"$here/scripts/bench_multi.sh" "$build" 8 1 | tail -1
echo "== 7. start-up"; load
"$b/bench_search" | grep '^BM_'
if [ -x "$build/plyx3" ]; then
  "$here/scripts/bench_startup.sh" "$build" 5
  "$here/scripts/bench_startup.sh" "$build" 3 search
fi
echo "== 9. idle poll (real time, log open, firmware 5.02)"
"$here/scripts/bench_idle_poll.sh" "$build"
