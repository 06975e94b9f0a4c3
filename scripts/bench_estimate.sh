#!/usr/bin/env bash
# How close the run preview's estimated time comes to a real run: the
# program runs one full run of a shell headless against boardsim with
# moves taking time (time scale S: 1 is real time, 0.5 twice as fast), the
# run's duration is read from its line in the production record and scaled
# back to real time, and compared with plyx3-plan --summary's estimate.
#   scripts/bench_estimate.sh BUILD_DIR [SHELL.cfg|-] [FIRMWARE] [SCALE]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
shell=${2:--}
firmware=${3:-QM4DNCRouterVarn}
scale=${4:-0.5}
work=$(mktemp -d /tmp/plyx3-estimate-XXXXXX)
simpid=; progpid=
cleanup() {
  [ -n "$progpid" ] && kill "$progpid" 2>/dev/null || true
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3
mkdir -p "$data"
cp "$here"/examples/shells/* "$data/"
{ cat "$here/examples/models/Standard-4Axis.cf"
  [ "$shell" = - ] || cat "$data/$(basename "$shell")"
  printf 'Model=Standard-4Axis.cf\r\nAutoCloseRunWindow=1\r\n'
  [ "$shell" = - ] || printf 'LastFileLoaded=%s\r\n' "$data/$(basename "$shell")"; } > "$data/C1.PLYX3.CFG"
family=1; [[ "$firmware" == QM4D* ]] || family=2
version=5.02; [ $family = 1 ] || version=2.01
estimate=$("$build/engine/plan/plyx3-plan" --summary --family $family REQCOMPORT=1 | grep -i 'time')
"$build/sim/boardsim" --firmware "$firmware" --version $version --datadir "$data" --com 1 --auto-start \
  --time-scale "$scale" < /dev/null > "$work/sim.out" 2>&1 &
simpid=$!
for _ in $(seq 50); do [ -L "$data/ports/COM1" ] && break; sleep 0.1; done
"$build/plyx3" REQCOMPORT=1 > "$work/plyx3.out" 2>&1 &
progpid=$!
until [ -s "$data/C1.runs.csv" ] && [ "$(wc -l < "$data/C1.runs.csv")" -ge 2 ]; do
  kill -0 "$progpid" 2>/dev/null || { echo "plyx3 ended early" >&2; cat "$work/plyx3.out" >&2; exit 1; }
  sleep 0.5
done
line=$(tail -1 "$data/C1.runs.csv")
seconds=$(echo "$line" | awk -F, '{print $11}')
real=$(awk -v s="$seconds" -v k="$scale" 'BEGIN{printf "%.0f", s / k}')
echo "shell=$(basename "$shell") firmware=$firmware scale=$scale run_s=$seconds real_s=$real $estimate"
