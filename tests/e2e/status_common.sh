# Shared by the status page's whole-program tests (sourced): simulated
# boards, program instances whose status server takes a free port (named
# in their log), and reading their /status.json.
#   source status_common.sh BUILD_DIR NAME
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "/tmp/plyx3-$2-XXXXXX")
export PLYX3_DOCUMENTS_DIR=$work/docs QT_QPA_PLATFORM=offscreen
data=$PLYX3_DOCUMENTS_DIR/PLYX3
mkdir -p "$data"
pids=()
declare -A status_port
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
for tool in curl python3; do command -v $tool >/dev/null || fail "$tool is missing (scripts/setup installs it)"; done

# board N FIRMWARE VERSION TIME_SCALE: a simulated board as COMN that closes
# START once the program waits for it.
board() {
  "$build/sim/boardsim" --firmware "$2" --version "$3" --datadir "$data" --com "$1" --time-scale "$4" \
    --baud 115200 --auto-start </dev/null >"$work/sim$1.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -L "$data/ports/COM$1" ] && return 0; sleep 0.1; done
  fail "the simulator did not register COM$1"
}

# instance N [KEY=VALUE...]: the program for COMN with the example shell;
# its status port goes to status_port[N].
instance() {
  local n=$1 log line
  shift
  { cat "$here/examples/models/Standard-4Axis.cf" "$here/examples/shells/Shell-8in-alternate.cfg"
    printf 'Model=Standard-4Axis.cf\r\nLastFileLoaded=%s\r\n' "$here/examples/shells/Shell-8in-alternate.cfg"
  } > "$data/C$n.PLYX3.CFG"
  "$build/plyx3" REQCOMPORT="$n" LOGFILE=status.log STATUSLISTEN=127.0.0.1:0 "$@" >"$work/plyx3-$n.out" 2>&1 &
  pids+=($!)
  log=$data/C$n.status.log
  for _ in $(seq 300); do
    line=$( { iconv -f UTF-16LE -t UTF-8 "$log" 2>/dev/null || true; } | grep -o 'Status page at http://127.0.0.1:[0-9]*' | tail -1 || true)
    if [ -n "$line" ]; then status_port[$n]=${line##*:}; return 0; fi
    sleep 0.1
  done
  fail "COM$n: no status page in its log"
}

# status N: the instance's /status.json.
status() { curl -sf --max-time 5 "http://127.0.0.1:${status_port[$1]}/status.json"; }
# field N KEY: one top-level value of it.
field() { status "$1" | python3 -c "import json,sys; print(json.load(sys.stdin)['$2'])"; }
# until_true SECONDS CMD...: waits for CMD to succeed.
until_true() {
  local limit=$1; shift
  for _ in $(seq $((limit * 5))); do "$@" && return 0; sleep 0.2; done
  fail "waited ${limit}s in vain for: $*"
}
running_from_layer() { [ "$(field "$1" state 2>/dev/null)" = running ] && [ "$(field "$1" layer_running)" -ge "$2" ]; }
