#!/usr/bin/env bash
# The real program against the simulator. A working log that can no longer
# be written (a link to /dev/full: at start-up, and in a run once the link
# turns to it and LOGMAXMB starts a new file; in the main window, which logs
# far less than the smallest LOGMAXMB of 1 MB, the file size limit of
# ulimit -f) gives one message naming the file, then the end after an error
# (exit code 1), with a run cut short, the controller stopped and reset, the
# settings file whole.
# SIGINT, SIGTERM and SIGHUP end the program (exit code 0) with both logs
# closed, a run recorded as ended by a signal; a killed run is recorded as
# interrupted at the next start; a controller restarted mid-run ends the
# run as an error.
#   log_endings.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/plyx3-logend-XXXXXX)
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3 simpid= pid=
mkdir -p "$data" "$work/plan/PLYX3"
trap '[ -n "$pid" ] && kill -9 $pid; kill $simpid; exec 3>&-; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
cat "$here/examples/models/Standard-4Axis.cf" "$here/examples/shells/Shell-8in-alternate.cfg" > "$data/C1.PLYX3.CFG"
printf 'Model=Standard-4Axis.cf\r\n' >> "$data/C1.PLYX3.CFG"
cp "$data/C1.PLYX3.CFG" "$work/settings" && cp "$work/settings" "$work/plan/PLYX3/C1.PLYX3.CFG"
PLYX3_DOCUMENTS_DIR=$work/plan "$build/engine/plan/plyx3-plan" --family 1 REQCOMPORT=1 > "$work/plan.txt" 2>/dev/null
planned=$(head -1 "$work/plan.txt" | cut -d= -f2)
mkfifo "$work/ctl"
"$build/sim/boardsim" --datadir "$data" --com 1 --time-scale 0.05 < "$work/ctl" > "$work/sim" 2>&1 & simpid=$!
exec 3> "$work/ctl"

ask() { echo "$1" >&3; sleep 0.3; grep "^$2=" "$work/sim" | tail -1; }
field() { tr ' ' '\n' <<<"$(ask state family)" | sed -n "s/^$1=//p"; }
last_line() { iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | grep -v '^$' | tail -1; }
closed() { last_line "$1" | grep -q 'EVENT:LOG FILE CLOSED' || fail "$2: $(basename "$1") does not end closed"; }
until_ok() { for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done; fail "waited in vain for $*"; }
# The start-up log closes when the working log opens.
started() { last_line "$data/C1.PLYX3LastStartup.log" 2>/dev/null | grep -q CLOSED; }
moving() { [ "$(field state)" = moving ]; }
reason="No space left on device" fsize=unlimited
message() { grep -q "Cannot write the log file $data/C1.w.log: $reason" "$work/err"; }
run_start() { echo "press START" >&3; until_ok moving; echo "release START" >&3; }
start() {  # start [run] ARGS...: the instance for COM1, in its main window or in a run
  local run=$1; shift
  rm -f "$data/C1.PLYX3LastStartup.log"
  (ulimit -f "$fsize"; exec "$build/plyx3" REQCOMPORT=1 LOGFILE=w.log "$@") > /dev/null 2> "$work/err" & pid=$!
  until_ok started; sleep 1
  if [ "$run" = run ]; then run_start; fi
  resets=$(field resets)
}
ended() { local rc=0; wait $pid || rc=$?; pid=; [ $rc = "$1" ] || fail "$2: exit code $rc"; }
# The message box waits for the operator; a SIGTERM closes it.
after_message() {
  until_ok message
  kill -TERM $pid; ended 1 "$1"
  [ "$(grep -c 'Cannot write the log file' "$work/err")" = 1 ] || fail "$1: not one message"
}
stopped() {
  [ "$(field state)" != moving ] && [ "$(field fill)" = 0 ] && [ "$(field resets)" -gt "$resets" ] ||
    fail "$1: controller not stopped and reset"
}

for at in start-up main run; do
  reason="No space left on device" fsize=unlimited
  if [ $at = start-up ]; then
    ln -sfn /dev/full "$data/C1.w.log"; start none
  elif [ $at = main ]; then
    # Some 60 KB by the main window, then a few KB a second.
    rm -f "$data/C1.w.log"; reason="File too large" fsize=128; start main
  else
    # The link turns while the main window logs little; the run passes 1 MB at once.
    ln -sfn real.log "$data/C1.w.log"; start main LOGMAXMB=1; ln -sfn /dev/full "$data/C1.w.log"
    run_start; resets=$(field resets)
  fi
  until_ok message
  [ $at != run ] || { stopped run; queued=$(ask moves moves | cut -d= -f2); }
  [ $at != run ] || [ "$queued" -lt "$planned" ] || fail "run: not cut short ($queued of $planned moves)"
  after_message $at
  closed "$data/C1.PLYX3LastStartup.log" $at
  # Unchanged, or as the run start wrote it: whole.
  cmp -s "$data/C1.PLYX3.CFG" "$work/settings" || { [ $at = run ] && [ "$(wc -l < "$data/C1.PLYX3.CFG")" -ge 34 ] &&
    tail -1 "$data/C1.PLYX3.CFG" | grep -q '^LayerPattern='; } || fail "$at: settings file not whole"
done

rm -f "$data/C1.w.log" "$data"/real.log*
outcome() { tail -1 "$data/C1.runs.csv" | tr -d '\r' | cut -d, -f12; }
for sig in INT TERM HUP; do
  [ $sig = INT ] && start main || start run
  kill -$sig $pid; ended 0 SIG$sig
  [ $sig = INT ] || { stopped SIG$sig; [ "$(outcome)" = "ended by a signal" ] || fail "SIG$sig: recorded $(outcome)"; }
  for f in C1.w.log C1.PLYX3LastStartup.log; do closed "$data/$f" SIG$sig; done
  iconv -f UTF-16LE -t UTF-8 "$data/C1.w.log" | grep -c "Ending on signal SIG$sig" > /dev/null || fail "SIG$sig: not logged"
done
# Killed mid-run: the next start records the run as interrupted.
start run; kill -9 $pid; wait $pid || true; pid=
start main; [ "$(outcome)" = interrupted ] || fail "SIGKILL: recorded $(outcome)"
kill -TERM $pid; ended 0 "after SIGKILL"
# A controller that restarts mid-run drops the moves it held: the run ends
# as on a board error, its line says so, and nothing is called completed.
errored() { tail -1 "$data/C1.runs.csv" | grep -q ',error,.*lost [0-9]* moves'; }
start run; sleep 2; echo restart >&3
until_ok errored
kill -TERM $pid; ended 1 "restart"
echo "log_endings: a full device at start-up, in the main window and in a run; SIGINT, SIGTERM, SIGHUP and SIGKILL; a controller restarted mid-run"
