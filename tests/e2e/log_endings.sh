#!/usr/bin/env bash
# The real program against the simulator: a working log that can no longer
# be written (a link to /dev/full, at start-up, in the main window, in the
# middle of a run) gives one message naming the file, an orderly end with
# exit code 1, the controller stopped and reset, the settings file whole;
# SIGINT and SIGTERM end the program with both logs closed.
#   log_endings.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/plyx3-logend-XXXXXX)
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3
mkdir -p "$data"
simpid=; progpid=
cleanup() {
  [ -n "$progpid" ] && kill -9 "$progpid" 2>/dev/null || true
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
  exec 3>&- 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; tail -5 "$work/err" >&2 2>/dev/null || true; exit 1; }

cat "$here/examples/models/Standard-4Axis.cf" "$here/examples/shells/Shell-8in-alternate.cfg" > "$data/C1.PLYX3.CFG"
printf 'Model=Standard-4Axis.cf\r\n' >> "$data/C1.PLYX3.CFG"
cp "$data/C1.PLYX3.CFG" "$work/settings.before"

# The number of moves a whole run queues: a run cut short queues fewer.
mkdir -p "$work/plan/PLYX3" && cp "$work/settings.before" "$work/plan/PLYX3/C1.PLYX3.CFG"
PLYX3_DOCUMENTS_DIR=$work/plan "$build/engine/plan/plyx3-plan" --family 1 REQCOMPORT=1 > "$work/plan.txt" 2>/dev/null
planned=$(head -1 "$work/plan.txt" | cut -d= -f2)

mkfifo "$work/sim.ctl"
"$build/sim/boardsim" --datadir "$data" --com 1 --time-scale 0.05 < "$work/sim.ctl" > "$work/sim.out" 2>&1 &
simpid=$!
exec 3> "$work/sim.ctl"
for _ in $(seq 50); do [ -L "$data/ports/COM1" ] && break; sleep 0.1; done
state() { echo state >&3; sleep 0.3; grep '^family=' "$work/sim.out" | tail -1; }
field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
text() { iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null || tr -d '\0' < "$1"; }
last_event() { text "$1" | tr -d '\r' | grep -v '^$' | tail -1; }
waitfor() {  # waitfor SECONDS COMMAND...: until COMMAND succeeds
  local n=$(($1 * 10)); shift
  for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
  return 1
}
# The start-up log closes when the working log opens.
started() { [ -f "$data/C1.PLYX3LastStartup.log" ] && last_event "$data/C1.PLYX3LastStartup.log" | grep -q 'LOG FILE CLOSED'; }
moving() { [ "$(field "$(state)" state)" = moving ]; }
message() { grep -q "Cannot write the log file $data/C1.w.log: No space left on device" "$work/err"; }
start() { rm -f "$data/C1.PLYX3LastStartup.log"; "$build/plyx3" REQCOMPORT=1 LOGFILE=w.log "$@" > "$work/out" 2> "$work/err" & progpid=$!; }
# The message box waits for the operator; a SIGTERM closes it, and the end
# after the error follows: exit code 1, not a signal or a crash.
end_after_message() {
  waitfor 60 message || fail "$1: no message"
  kill -0 "$progpid" 2>/dev/null || fail "$1: ended before the message was answered"
  kill -TERM "$progpid"
  local rc=0; wait "$progpid" || rc=$?; progpid=
  [ "$rc" = 1 ] || fail "$1: exit code $rc"
  [ "$(grep -c 'Cannot write the log file' "$work/err")" = 1 ] || fail "$1: not exactly one message"
}
whole_settings() {
  local f=$data/C1.PLYX3.CFG
  head -1 "$f" | grep -q '^AutoCloseRunWindow=' && tail -1 "$f" | grep -q '^LayerPattern=' &&
    [ "$(wc -l < "$f")" -ge 34 ] || fail "$1: settings file not whole"
}
stopped_and_reset() {  # stopped_and_reset WHAT RESETS_BEFORE
  local st; st=$(state)
  [ "$(field "$st" state)" != moving ] && [ "$(field "$st" fill)" = 0 ] || fail "$1: controller still runs: $st"
  [ "$(field "$st" resets)" -gt "$2" ] || fail "$1: controller not reset: $st"
}
closed() { last_event "$2" | grep -q 'EVENT:LOG FILE CLOSED' || fail "$1: $(basename "$2") does not end closed"; }

# 1. At start-up: the working log is a link to a full device.
ln -s /dev/full "$data/C1.w.log"
start
end_after_message start-up
cmp -s "$data/C1.PLYX3.CFG" "$work/settings.before" || fail "start-up: settings file changed"
closed start-up "$data/C1.PLYX3LastStartup.log"

# 2. In the main window: the log's link turns to the full device, and the
# next new file (every 4 KB) cannot be written.
ln -sfn real.log "$data/C1.w.log"
start LOGMAXMB=0.004
waitfor 60 started || fail "main window: no start"
sleep 1
ln -sfn /dev/full "$data/C1.w.log"
end_after_message "main window"
cmp -s "$data/C1.PLYX3.CFG" "$work/settings.before" || fail "main window: settings file changed"

# 3. The same in the middle of a run started by the START switch.
ln -sfn real.log "$data/C1.w.log"
start LOGMAXMB=0.004
waitfor 60 started || fail "run: no start"
sleep 1
echo "press START" >&3
waitfor 30 moving || fail "run: the run did not start"
echo "release START" >&3
resets=$(field "$(state)" resets)
ln -sfn /dev/full "$data/C1.w.log"
waitfor 60 message || fail "run: no message"
stopped_and_reset run "$resets"
echo moves >&3; sleep 0.3
queued=$(grep '^moves=' "$work/sim.out" | tail -1 | cut -d= -f2)
[ "$queued" -lt "$planned" ] || fail "run: not cut short ($queued of $planned moves)"
echo "run: the failed log cut the run short after $queued of $planned moves"
end_after_message run
whole_settings run

# 4. SIGINT in the main window, SIGTERM in a run: both logs end closed, and
# the run stops and resets the controller first.
rm -f "$data/C1.w.log" "$data"/real.log*
for sig in INT TERM; do
  start
  waitfor 60 started || fail "SIG$sig: no start"
  sleep 1
  resets=
  if [ $sig = TERM ]; then
    echo "press START" >&3
    waitfor 30 moving || fail "SIG$sig: the run did not start"
    echo "release START" >&3
    resets=$(field "$(state)" resets)
  fi
  kill -$sig "$progpid"
  rc=0; timeout 60 tail --pid="$progpid" -f /dev/null || rc=$?
  wait "$progpid" || rc=$?; progpid=
  [ "$rc" = 0 ] || fail "SIG$sig: exit code $rc"
  [ -z "$resets" ] || stopped_and_reset "SIG$sig" "$resets"
  closed "SIG$sig" "$data/C1.w.log"
  closed "SIG$sig" "$data/C1.PLYX3LastStartup.log"
  text "$data/C1.w.log" > "$work/w.txt"
  grep -q "Ending on signal SIG$sig" "$work/w.txt" || fail "SIG$sig: not logged"
done
echo "log_endings: full device at start-up, in the main window and in a run; SIGINT and SIGTERM"
