#!/usr/bin/env bash
# plyx3 with a REQCOMPORT that names no port ends at once with exit code 2
# and a message, and starts nothing, though a controller waits on COM2 (it
# once searched, found it and started an instance that did the same).
#   bad_port_request.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/plyx3-badport-XXXXXX)
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3 model="$(basename "$work").cf"
mkdir -p "$data"
"$build/sim/boardsim" --datadir "$data" --com 2 </dev/null >/dev/null 2>&1 & simpid=$!
# The simulator goes first: instances that found no controller start no more.
trap 'kill $simpid; pkill -f "MODEL=$model" || true; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
for _ in $(seq 50); do [ -L "$data/ports/COM2" ] && break; sleep 0.1; done

for value in abc 40000 1e308 nan 0; do
  rc=0; timeout 30 "$build/plyx3" REQCOMPORT=$value MODEL=$model 2>"$work/err" >/dev/null || rc=$?
  [ $rc = 2 ] || fail "REQCOMPORT=$value: exit code $rc"
  grep -q "REQCOMPORT=$value names no port" "$work/err" || fail "REQCOMPORT=$value: no message"
done
sleep 1  # an instance started by mistake would be running by now
! pgrep -f "MODEL=$model" >/dev/null || fail "an instance was started"
[ ! -e "$data/C2.PLYX3LastStartup.log" ] || fail "an instance ran on COM2"
echo "bad_port_request: five values refused, nothing started"
