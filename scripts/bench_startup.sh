#!/usr/bin/env bash
# Time from launching plyx3 for a simulated controller to its main window
# being on the screen of a private Xvfb display. Needs Xvfb and xwininfo.
#   scripts/bench_startup.sh BUILD_DIR [RUNS] [search]
# Without "search" the program is started for the controller's port
# (REQCOMPORT=7, the instance that keeps the port). With "search" it starts
# without a port: it searches COM1..COM255, starts the instance for COM7
# and ends; the time runs until that instance's main window shows.
set -euo pipefail
build=${1:?build folder}
runs=${2:-5}
mode=${3:-port}
exe="$build/plyx3"
[ -x "$exe" ] || { echo "no $exe: build the plyx3 target first" >&2; exit 1; }
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sim_pid=
prog_pid=
work=
cleanup() {
  [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null && wait "$prog_pid" 2>/dev/null
  [ -n "$work" ] && stop_instances_of "$work"
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  [ -n "$work" ] && rm -rf "$work"
  return 0
}
trap cleanup EXIT
for _ in $(seq 200); do xwininfo -display "$display" -root >/dev/null 2>&1 && break; sleep 0.02; done

# Instances started by the search run detached. Each run starts its own
# copy of the program, so they are the processes running that copy; they
# are ended by process id.
stop_instances_of() {
  local exe_link pid
  for exe_link in /proc/[0-9]*/exe; do
    if [ "$(readlink "$exe_link" 2>/dev/null)" = "$1/plyx3" ]; then
      pid=${exe_link#/proc/}; kill "${pid%/exe}" 2>/dev/null || true
    fi
  done
}

# The main window: a viewable top-level window whose title begins "COM7: ".
main_window_shown() {
  local id
  for id in $(xwininfo -display "$display" -root -tree 2>/dev/null | awk '/"COM7: / {print $1}'); do
    xwininfo -display "$display" -id "$id" 2>/dev/null | grep -q 'IsViewable' && return 0
  done
  return 1
}

for run in $(seq "$runs"); do
  work=$(mktemp -d /tmp/plyx3-start-XXXXXX)
  mkdir -p "$work/PLYX3"
  cp "$exe" "$work/plyx3"
  "$build/sim/boardsim" --datadir "$work/PLYX3" --com 7 >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 200); do grep -q registered "$work/sim.out" 2>/dev/null && break; sleep 0.02; done
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  t0=$(date +%s.%N)
  args=(MODEL=Standard-4Axis)
  [ "$mode" = search ] || args=(REQCOMPORT=7 "${args[@]}")
  DISPLAY=$display PLYX3_DOCUMENTS_DIR=$work QT_QPA_PLATFORM=xcb \
    "$work/plyx3" "${args[@]}" >"$work/prog.out" 2>&1 &
  prog_pid=$!
  shown=0
  for _ in $(seq 3000); do
    if main_window_shown; then shown=1; break; fi
    [ "$mode" = search ] || kill -0 "$prog_pid" 2>/dev/null || break
    sleep 0.005
  done
  t1=$(date +%s.%N)
  if [ "$shown" = 1 ]; then
    echo "run=$run mode=$mode load=\"$load\" startup_to_main_window_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}')"
  else
    echo "run=$run no main window (see $work/prog.out)"; cat "$work/prog.out" >&2
  fi
  kill "$prog_pid" 2>/dev/null || true; wait "$prog_pid" 2>/dev/null || true; prog_pid=
  stop_instances_of "$work"
  kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; sim_pid=
  rm -rf "$work"; work=
done
