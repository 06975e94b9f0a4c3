#include "status/StatusPage.h"

#include <cmath>
#include <cstdio>

#include "status/StatusJson.h"
#include "status/TextEscape.h"

namespace plyx::status {
namespace {

// Narrow screens first: one column of large figures, the table scrolls.
constexpr const char* kStyle = R"(
body{font-family:system-ui,sans-serif;margin:0;background:#f4f4f2;color:#222}
main{max-width:42rem;margin:0 auto;padding:0.8rem}
h1{font-size:1.3rem;margin:0.2rem 0 0.6rem}
.card{background:#fff;border-radius:0.5rem;padding:0.8rem;margin-bottom:0.8rem;box-shadow:0 1px 2px #0002}
.state{font-size:1.6rem;font-weight:600}
.running{color:#1a7f37}.paused,.stopping{color:#9a6700}.aborting{color:#c62828}
.figs{display:grid;grid-template-columns:repeat(auto-fit,minmax(9rem,1fr));gap:0.6rem;margin-top:0.6rem}
.fig small{display:block;color:#666;font-size:0.8rem}.fig span{font-size:1.3rem}
.bar{height:1.2rem;background:#ddd;border-radius:0.6rem;overflow:hidden;margin-top:0.6rem}
.bar div{height:100%;background:#2e7d32;width:0}
.pct{text-align:right;font-size:0.9rem;color:#444;margin-top:0.2rem}
.what{margin-top:0.6rem;font-size:0.9rem;color:#444;overflow-wrap:anywhere}.what b{color:#222;font-weight:600}
table{border-collapse:collapse;width:100%;font-size:0.9rem}
.scroll{overflow-x:auto}
th,td{text-align:left;padding:0.3rem 0.4rem;border-bottom:1px solid #eee;white-space:nowrap}
td.name{white-space:normal;overflow-wrap:anywhere;min-width:6rem}
h2{font-size:1.1rem;margin:0 0 0.4rem}
@media (max-width:34rem){thead{display:none}tr{display:block;padding:0.4rem 0;border-bottom:1px solid #eee}
td{display:inline-block;border:0;padding:0.1rem 0.8rem 0.1rem 0}td.name{display:block;font-weight:600}
td[data-l]::before{content:attr(data-l) " ";color:#666;font-size:0.8rem}}
#stale{display:none;background:#fff3cd;padding:0.6rem;border-radius:0.5rem;margin-bottom:0.8rem}
)";

// Fills the fields from /status.json; text only (textContent), never markup.
constexpr const char* kScript = R"(
(function(){
var polls=0;
function set(id,v){var e=document.getElementById(id);if(e&&e.textContent!==v)e.textContent=v;}
function cell(tr,v,l){var td=document.createElement('td');td.textContent=v;if(l)td.setAttribute('data-l',l);tr.appendChild(td);return td;}
function show(s){
 var st=document.getElementById('state');st.className='state '+s.state;set('state',s.state_text);
 st.setAttribute('data-state',s.state);
 set('layer',s.layer_running+' / '+s.layers_planned);
 set('tape',s.tape_laid_text+' / '+s.tape_planned_text+' '+T.unit);
 set('left',s.time_left_text||'-');set('elapsed',s.elapsed_text);
 set('shell',s.shell_file.split('/').pop());set('model',s.model);set('moves',s.moves_run+' / '+s.moves_planned);
 var pct=Math.round(s.progress*1000)/10;var bar=document.getElementById('bar');
 bar.style.width=pct+'%';bar.parentNode.setAttribute('aria-valuenow',pct);set('pct',pct+' %');
 var tb=document.getElementById('runs');tb.textContent='';
 s.last_runs.forEach(function(r){var tr=document.createElement('tr');
  cell(tr,r.start.substring(5,16).replace('T',' '));cell(tr,r.shell_file.split('/').pop()).className='name';
  cell(tr,r.layers_reached+' / '+r.layers_planned,T.layers);cell(tr,r.tape_text+' '+T.unit,T.tape);
  cell(tr,r.duration_text,T.duration);cell(tr,r.outcome_text);tb.appendChild(tr);});
 document.getElementById('noruns').style.display=s.last_runs.length?'none':'';
 var c=s.counters;document.getElementById('counters').style.display=c?'':'none';
 if(c){set('c_hours',c.run_hours==null?'-':c.run_hours.toFixed(1)+' '+T.hours);
  set('c_tape',c.tape_text?c.tape_text+' '+T.unit:'-');
  set('c_maint',(c.service_hours==null?'':c.service_hours.toFixed(1)+' '+T.hours+' ')+(c.service_tape_text?c.service_tape_text+' '+T.unit:''));
  set('c_roll',c.roll_text?c.roll_text+' '+T.unit:'-');}
}
function poll(){
 var x=new XMLHttpRequest();x.open('GET','/status.json');x.timeout=4000;
 x.onload=function(){if(x.status===200){try{show(JSON.parse(x.responseText));polls++;
  document.body.setAttribute('data-polls',polls);document.getElementById('stale').style.display='none';return;}catch(e){}}
  document.getElementById('stale').style.display='block';};
 x.onerror=x.ontimeout=function(){document.getElementById('stale').style.display='block';};
 x.send();}
poll();setInterval(poll,1000);
})();
)";

void Fig(std::string& out, const char* id, const std::string& label, const std::string& value) {
    out += "<div class=\"fig\"><small>" + HtmlEscape(label) + "</small><span id=\"" + id + "\">" +
           HtmlEscape(value) + "</span></div>";
}

std::string Percent(double progress) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", std::round(progress * 1000) / 10);
    return buf;
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string StatusPage(const StatusSnapshot& s) {
    const PageTexts fallback;
    const PageTexts& t = s.texts ? *s.texts : fallback;
    const std::string unit = " " + t.unit;
    std::string out;
    out.reserve(8192);
    out += "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">";
    out += "<title>" + HtmlEscape(s.port + ": PLYX3 " + t.title) + "</title><style>" + kStyle + "</style></head>";
    out += "<body data-polls=\"0\"><main><h1>" + HtmlEscape(s.port + ": PLYX3 " + t.title) + "</h1>";
    out += "<div id=\"stale\">" + HtmlEscape(t.noAnswer) + "</div>";

    const std::string pct = Percent(s.Progress());
    out += "<section class=\"card\"><div id=\"state\" class=\"state " + std::string(PhaseName(s.phase)) +
           "\" data-state=\"" + PhaseName(s.phase) + "\">" + HtmlEscape(s.stateText) + "</div>";
    out += "<div class=\"bar\" role=\"progressbar\" aria-valuemin=\"0\" aria-valuemax=\"100\" aria-valuenow=\"" + pct +
           "\"><div id=\"bar\" style=\"width:" + pct + "%\"></div></div>";
    out += "<div class=\"pct\" id=\"pct\">" + pct + " %</div><div class=\"figs\">";
    Fig(out, "layer", t.layer, std::to_string(s.layerRunning) + " / " + std::to_string(s.layersPlanned));
    Fig(out, "tape", t.tapeLaid, TapeText(s.tapeLaidInches, s.metres) + " / " + TapeText(s.tapePlannedInches, s.metres) + unit);
    Fig(out, "left", t.timeLeft, s.secondsLeft ? ClockText(*s.secondsLeft) : "-");
    Fig(out, "elapsed", t.elapsed, ClockText(static_cast<double>(s.elapsedSeconds)));
    Fig(out, "moves", t.movesRun, std::to_string(s.movesRun) + " / " + std::to_string(s.movesPlanned));
    out += "</div><div class=\"what\">" + HtmlEscape(t.shell) + ": <b id=\"shell\">" + HtmlEscape(FileName(s.shellFile)) +
           "</b> &middot; " + HtmlEscape(t.model) + ": <b id=\"model\">" + HtmlEscape(s.model) + "</b></div>";
    out += "</div></section>";

    out += "<section class=\"card\"><h2>" + HtmlEscape(t.lastRuns) + "</h2><div class=\"scroll\"><table><thead><tr>";
    for (const std::string* h : {&t.start, &t.shell, &t.layers, &t.tape, &t.duration, &t.outcome})
        out += "<th>" + HtmlEscape(*h) + "</th>";
    out += "</tr></thead><tbody id=\"runs\">";
    for (const RecordedRun& r : s.lastRuns) {
        out += "<tr>";
        // "12-07 10:36": the year and the seconds say little on a phone.
        std::string start = r.start.size() >= 16 ? r.start.substr(5, 11) : r.start;
        if (start.size() > 5 && start[5] == 'T') start[5] = ' ';
        out += "<td>" + HtmlEscape(start) + "</td><td class=\"name\">" + HtmlEscape(FileName(r.shellFile)) + "</td>";
        // Each cell names itself on a narrow screen, where the table's head is hidden.
        const std::pair<const std::string*, std::string> cells[] = {
            {&t.layers, std::to_string(r.layersReached) + " / " + std::to_string(r.layersPlanned)},
            {&t.tape, TapeText(r.tapeLaidFeet * 12, s.metres) + unit},
            {&t.duration, ClockText(static_cast<double>(r.seconds))},
            {nullptr, r.outcomeText}};
        for (const auto& [label, v] : cells)
            out += (label ? "<td data-l=\"" + HtmlEscape(*label) + "\">" : std::string("<td>")) + HtmlEscape(v) + "</td>";
        out += "</tr>";
    }
    out += "</tbody></table></div><p id=\"noruns\"" + std::string(s.lastRuns.empty() ? "" : " style=\"display:none\"") +
           ">" + HtmlEscape(t.noRuns) + "</p></section>";

    // Shown only where the program keeps the machine's counters.
    out += "<section class=\"card\" id=\"counters\"" + std::string(s.counters ? "" : " style=\"display:none\"") +
           "><h2>" + HtmlEscape(t.counters) + "</h2><div class=\"figs\">";
    const MachineCounters none;
    const MachineCounters& c = s.counters ? *s.counters : none;
    auto hours = [&t](const std::optional<double>& h) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.1f", h.value_or(0));
        return h ? std::string(buf) + " " + t.hoursUnit : std::string("-");
    };
    auto tape = [&](const std::optional<double>& feet) { return feet ? TapeText(*feet * 12, s.metres) + unit : std::string("-"); };
    Fig(out, "c_hours", t.runHours, hours(c.runHours));
    Fig(out, "c_tape", t.tapeTotal, tape(c.tapeFeet));
    Fig(out, "c_maint", t.sinceService, hours(c.hoursSinceService) + " " + tape(c.tapeFeetSinceService));
    Fig(out, "c_roll", t.rollLeft, tape(c.rollFeetLeft));
    out += "</div></section></main>";

    out += "<script>var T={unit:" + JsonString(t.unit) + ",hours:" + JsonString(t.hoursUnit) + ",layers:" +
           JsonString(t.layers) + ",tape:" + JsonString(t.tape) + ",duration:" + JsonString(t.duration) + "};" + kScript +
           "</script></body></html>";
    return out;
}

}  // namespace plyx::status
