#!/usr/bin/env bash
# The status page in a real browser (headless Chromium) during a run of
# the program against a simulated board, the program speaking German: the
# rendered page's state, layer and progress must be what the instance's
# /status.json says just before and just after the page was read (both only
# grow in a run), in the language's words, and its script must have asked
# /status.json itself.
#   status_page.sh BUILD_DIR [--screenshot FILE]   (FILE: a phone-sized picture of the page in the run)
set -euo pipefail
source "$(dirname "$0")/status_common.sh" "$1" status-page
shot=
[ "${2:-}" = --screenshot ] && shot=$3
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || fail "chromium is missing (scripts/setup installs it)"
# Root (CI) needs --no-sandbox; the profile is the test's own.
chrome() {
  timeout 90 "$browser" --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --no-first-run --hide-scrollbars \
    --user-data-dir="$work/chromium" --virtual-time-budget=4000 "$@" 2>>"$work/chromium.log"
}

board 3 QM4DNCRouterVarn 5.02 0.25
instance 3 RESOURCEFILE="$here/examples/languages/german.lng"
until_true 60 running_from_layer 3 1
url="http://127.0.0.1:${status_port[3]}/"
status 3 > "$work/before.json"
chrome --dump-dom "$url" > "$work/page.html"
status 3 > "$work/after.json"
if [ -n "$shot" ]; then
  chrome --window-size=412,860 --screenshot="$work/shot.png" "$url" >/dev/null
  mkdir -p "$(dirname "$shot")" && cp "$work/shot.png" "$shot"
fi
python3 - "$work" "$here/examples/languages/german.lng" <<'PY' || fail "the rendered page does not show the run (above)"
import html.parser, json, sys
w, lng = sys.argv[1], sys.argv[2]
german = dict(l.split(",", 1) for l in open(lng, encoding="utf-8").read().splitlines()[1:] if "," in l)
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(); self.attrs = {}; self.text = {}; self.open = []
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        key = a.get("id") or tag
        self.attrs.setdefault(key, a); self.open.append(key)
    def handle_endtag(self, tag):
        if self.open: self.open.pop()
    def handle_data(self, data):
        for k in self.open: self.text[k] = self.text.get(k, "") + data
p = Page(); p.feed(open(f"{w}/page.html", encoding="utf-8").read())
before, after = (json.load(open(f"{w}/{k}.json")) for k in ("before", "after"))
state, layer = p.attrs["state"].get("data-state"), p.text.get("layer", "").strip()
shown, planned = (int(x) for x in layer.split(" / "))
pct = float(p.attrs["bar"]["style"].split("width:")[1].rstrip("%;"))
polls = int(p.attrs["body"].get("data-polls", "0"))
print(f"page: state {state} '{p.text.get('state', '').strip()}', layer {layer}, progress {pct} %, "
      f"script polls {polls}; json before: layer {before['layer_running']}, {100 * before['progress']:.1f} %; "
      f"after: layer {after['layer_running']}, {100 * after['progress']:.1f} %")
ok = state == "running" and p.text.get("state", "").strip() == german["1280"]
ok &= before["layer_running"] <= shown <= after["layer_running"] and planned == after["layers_planned"]
ok &= round(100 * before["progress"], 1) - 0.05 <= pct <= round(100 * after["progress"], 1) + 0.05
ok &= polls >= 1
ok &= all(german[i] in p.text.get("main", "") for i in ("1500", "1502", "1503", "1504", "1506"))
sys.exit(0 if ok else 1)
PY
echo "status_page: the browser showed the run as the program had it, in German"
