#!/usr/bin/env bash
# The status page under a crowd: real-time runs against the simulator at
# 115200 baud and 1 ms reply latency, each with the status page served
# (the run's observers and the status server, as in the program), in
# pairs: one without clients, then one with N clients asking as fast as
# they can (bench_status_clients). Each line: the pair's number, the
# clients, the load, the run's figures (underruns, efficiency) and the
# clients' own.
#   scripts/bench_status.sh BUILD_DIR [PAIRS] [CLIENTS] [extra bench_run options]
set -euo pipefail
build=${1:?build folder}
pairs=${2:-3}
clients=${3:-200}
shift $(( $# < 3 ? $# : 3 ))
work=$(mktemp -d /tmp/plyx3-benchstatus-XXXXXX)
runpid=; clientpid=
cleanup() {
  for p in $runpid $clientpid; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
run() {  # run CLIENTS: one run, with that many clients during it
  local n=$1 port load
  shift
  port=$(free_port)
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  "$build/bench/bench_run" --baud 115200 --time-scale 1 --latency 1 --trs 30 --status "127.0.0.1:$port" "$@" \
    > "$work/run.out" 2>&1 &
  runpid=$!
  if [ "$n" -gt 0 ]; then
    for _ in $(seq 100); do curl -sf -o /dev/null "http://127.0.0.1:$port/metrics" && break; sleep 0.05; done
    "$build/bench/bench_status_clients" --port "$port" --clients "$n" --seconds 600 > "$work/clients.out" 2>&1 &
    clientpid=$!
  fi
  wait "$runpid"; runpid=
  if [ -n "$clientpid" ]; then kill -TERM "$clientpid"; wait "$clientpid" || true; clientpid=; fi
  echo "clients=$n load=\"$load\" $(cat "$work/run.out")"
  [ "$n" -gt 0 ] && echo "    clients: $(cat "$work/clients.out")"
  return 0
}
for i in $(seq "$pairs"); do
  echo "== pair $i"
  run 0 "$@"
  run "$clients" "$@"
done
