#!/usr/bin/env bash
# plyx3 started without REQCOMPORT searches the ports, starts one instance
# per controller (REQCOMPORT=n first on its command line, then its own
# arguments) and ends; each instance keeps its port.
#   launch_instances.sh BUILD_DIR    (or an install prefix: PREFIX/bin/plyx3)
set -euo pipefail
build=$(cd "$1" && pwd)
prog=$build/plyx3; sim=$build/sim/boardsim
if [ -x "$build/bin/plyx3" ]; then prog=$build/bin/plyx3; sim=$build/bin/boardsim; fi
work=$(mktemp -d /tmp/plyx3-launch-XXXXXX)
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3
mkdir -p "$data"
model="$(basename "$work").cf"  # marks this test's processes: other tests run beside it
pids=()
cleanup() {
  pkill -f "$prog REQCOMPORT=[0-9]* MODEL=$model" 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

"$sim" --firmware QM4DNCRouterVarn --version 5.02 --datadir "$data" --com 2 </dev/null >/dev/null 2>&1 &
pids+=($!)
"$sim" --firmware VT2D20NCRouterVarn --version 2.01 --datadir "$data" --com 5 </dev/null >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -L "$data/ports/COM2" ] && [ -L "$data/ports/COM5" ] && break; sleep 0.1; done

# The searching instance must end by itself, successfully.
timeout 60 "$prog" MODEL=$model >"$work/plyx3.out" 2>&1 || fail "the searching instance did not end cleanly ($?)"

log=$(iconv -f UTF-16LE -t UTF-8 "$data/PLYX3LastStartup.log" 2>/dev/null || tr -d '\0' < "$data/PLYX3LastStartup.log")
grep -q "Shell $prog REQCOMPORT=2 MODEL=$model" <<<"$log" || fail "no Shell line for COM2"
grep -q "Shell $prog REQCOMPORT=5 MODEL=$model" <<<"$log" || fail "no Shell line for COM5"

# Both instances run, each on its own port, with its own start-up log.
for n in 2 5; do
  ok=0
  for _ in $(seq 100); do
    if pgrep -f "$prog REQCOMPORT=$n MODEL=$model" >/dev/null && [ -f "$data/C$n.PLYX3LastStartup.log" ]; then ok=1; break; fi
    sleep 0.1
  done
  [ $ok = 1 ] || fail "no instance for COM$n"
done
echo "launch_instances: the search started one instance for COM2 and one for COM5 and ended"
