#!/usr/bin/env bash
# A real Prometheus scrapes two instances of the program, each in a run
# against its own simulated board (the 4-axis family on COM3, the 2-axis
# family on COM5). Its query API must give each machine's layer and tape
# laid as the instance says them at that moment: between what the
# instance's /status.json said just before the last scrape and just after
# the query (both only grow in a run). After the runs it must count one
# completed run for each machine.
#   status_prometheus.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/status_common.sh" "$1" status-prom
command -v prometheus >/dev/null || fail "prometheus is missing (scripts/setup installs it)"

board 3 QM4DNCRouterVarn 5.02 0.25
board 5 VT2D20NCRouterVarn 2.01 0.25
instance 3
instance 5

# Prometheus on a free port of the loopback address, scraping every second.
cat > "$work/prometheus.yml" <<YML
global: {scrape_interval: 1s, evaluation_interval: 1s}
scrape_configs:
  - job_name: plyx3
    static_configs:
      - targets: ['127.0.0.1:${status_port[3]}', '127.0.0.1:${status_port[5]}']
        labels: {pc: test}
YML
prom=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
  --web.listen-address="127.0.0.1:$prom" >"$work/prometheus.log" 2>&1 &
pids+=($!)
until_true 30 curl -sf -o /dev/null "http://127.0.0.1:$prom/-/ready"
query() { curl -sf --max-time 5 --data-urlencode "query=$1" "http://127.0.0.1:$prom/api/v1/query"; }

# In the runs: both machines past their first layer.
until_true 60 running_from_layer 3 2
until_true 60 running_from_layer 5 2
status 3 > "$work/before3.json"; status 5 > "$work/before5.json"
sleep 2.5  # two scrapes, both after "before"
query plyx3_layer_running > "$work/layer.json"
query plyx3_tape_laid_meters > "$work/tape.json"
query 'up{job="plyx3"}' > "$work/up.json"
status 3 > "$work/after3.json"; status 5 > "$work/after5.json"
python3 - "$work" <<'PY' || fail "Prometheus does not say what the instances say (above)"
import json, sys
w = sys.argv[1]
def series(name):
    d = json.load(open(f"{w}/{name}.json"))
    assert d["status"] == "success", d
    return {r["metric"].get("port"): float(r["value"][1]) for r in d["data"]["result"]}
layer, tape, up = series("layer"), series("tape"), json.load(open(f"{w}/up.json"))
assert len(up["data"]["result"]) == 2 and all(r["value"][1] == "1" for r in up["data"]["result"]), up
ok = True
for n in (3, 5):
    port = f"COM{n}"
    before, after = (json.load(open(f"{w}/{k}{n}.json")) for k in ("before", "after"))
    print(f"{port}: layer {before['layer_running']} <= {layer.get(port)} <= {after['layer_running']} of "
          f"{after['layers_planned']}; tape {before['tape_laid_ft']:.3f} <= {tape.get(port, 0) / 0.3048:.3f} "
          f"<= {after['tape_laid_ft']:.3f} ft; state {before['state']}")
    ok &= before["state"] == "running" and port in layer and port in tape
    ok &= before["layer_running"] <= layer.get(port, -1) <= after["layer_running"]
    ok &= before["tape_laid_ft"] - 1e-6 <= tape.get(port, -1) / 0.3048 <= after["tape_laid_ft"] + 1e-6
    ok &= 0 < tape.get(port, 0) and layer.get(port, 0) <= after["layers_planned"]
sys.exit(0 if ok else 1)
PY

# After the runs: one completed run on each machine, its last layer reached.
idle() { [ "$(field "$1" state)" = idle ]; }
until_true 90 idle 3
until_true 90 idle 5
sleep 2.5
query 'plyx3_runs_total{outcome="completed"}' > "$work/runs.json"
query 'plyx3_layer_running - plyx3_layers_planned' > "$work/left.json"
python3 - "$work" <<'PY' || fail "Prometheus does not count the completed runs"
import json, sys
w = sys.argv[1]
def series(name):
    return {r["metric"]["port"]: float(r["value"][1]) for r in json.load(open(f"{w}/{name}.json"))["data"]["result"]}
runs, left = series("runs"), series("left")
print("completed runs", runs, "layers left", left)
sys.exit(0 if runs == {"COM3": 1.0, "COM5": 1.0} and left == {"COM3": 0.0, "COM5": 0.0} else 1)
PY
echo "status_prometheus: Prometheus followed both machines through their runs"
