#include "engine/plan/RunPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/DisplayText.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "platform/EventPump.h"

namespace plyx::engine {

namespace {

// The plan is made without the operator: nothing the engine would show is shown.
class QuietDialogs final : public platform::Dialogs {
public:
    platform::MessageResult ShowMessage(const std::string&, const std::string&, platform::MessageButtons,
                                        platform::MessageIcon) override {
        return platform::MessageResult::Ok;
    }
    std::string GetOpenFileName(const platform::FileDialogRequest&) override { return {}; }
    std::string GetSaveFileName(const platform::FileDialogRequest&) override { return {}; }
};

// The controller runs a move at the rate of its faster motor; a move
// without a rate creeps at the start/stop rate.
double MoveRate(const PlannedMove& m, std::int32_t startStopRate) {
    double rate = std::fabs(static_cast<double>(m.rate));
    if (rate == 0) rate = std::fabs(static_cast<double>(startStopRate));
    return rate == 0 ? 1.0 : rate;
}

double MoveSteps(const PlannedMove& m) {
    return std::max(std::fabs(static_cast<double>(m.x)), std::fabs(static_cast<double>(m.y)));
}

// Seconds to cover steps starting at vIn, cruising at most at v and ending
// at vOut, with acceleration a (all > 0; vIn, vOut <= v).
double TrapezoidSeconds(double steps, double vIn, double v, double vOut, double a) {
    const double up = (v * v - vIn * vIn) / (2 * a);
    const double down = (v * v - vOut * vOut) / (2 * a);
    if (up + down <= steps) return (v - vIn) / a + (v - vOut) / a + (steps - up - down) / v;
    const double peak = std::sqrt((2 * a * steps + vIn * vIn + vOut * vOut) / 2);
    // Too short even to change from one end speed to the other: one ramp.
    if (peak < std::max(vIn, vOut)) return 2 * steps / (vIn + vOut);
    return (peak - vIn) / a + (peak - vOut) / a;
}

std::string OneDecimal(double value) { return TapeLengthText(value); }

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

std::string Hex(std::uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
    return buf;
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

}  // namespace

std::vector<double> EstimateMoveSeconds(const std::vector<PlannedMove>& moves, std::int32_t startStopRate,
                                        std::int32_t rampRate) {
    std::vector<double> seconds(moves.size(), 0.0);
    const double a = std::fabs(static_cast<double>(rampRate));
    const double edge = std::fabs(static_cast<double>(startStopRate));
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const double steps = MoveSteps(moves[i]);
        if (steps == 0) continue;
        const double v = MoveRate(moves[i], startStopRate);
        if (a == 0 || v <= edge) {
            seconds[i] = steps / v;
            continue;
        }
        // Below the start/stop rate the controller changes speed at once.
        const double before = i == 0 ? edge : std::max(edge, MoveRate(moves[i - 1], startStopRate));
        const double after = i + 1 == moves.size() ? edge : std::max(edge, MoveRate(moves[i + 1], startStopRate));
        seconds[i] = TrapezoidSeconds(steps, std::min(v, before), v, std::min(v, after), a);
    }
    return seconds;
}

RunPlan RecordRunPlan(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                      bool burnish) {
    RunPlan plan;
    plan.burnish = burnish;

    // A private environment: no log, no dialogs, the same names, data
    // directory and texts (copied: the environment wires its log into them).
    link::CommLog log(env.Clock());
    QuietDialogs dialogs;
    text::TextTables tables = env.Tables();
    app::Environment quiet(log, dialogs, env.Clock(), tables);
    quiet.ProgramName = env.ProgramName;
    quiet.ExecutablePath = env.ExecutablePath;
    quiet.ComPortName = env.ComPortName;
    quiet.PortCaptionPrefix = env.PortCaptionPrefix;
    quiet.RequestedComPort = env.RequestedComPort;
    quiet.PerPortPrefix = env.PerPortPrefix;
    quiet.ControllerFamily = family;
    quiet.DocumentsFolder = env.DocumentsFolder;

    app::ParameterSet copy = params;
    RunGlobals globals;
    platform::NullEventPump pump;
    PlanRecorder recorder;
    RunEngine engine(quiet, copy, globals, pump);
    engine.SetPlanOnly(true);
    engine.UseController(&recorder);
    recorder.layerPass = &engine.Geometry().cLayerPassesBegun;
    recorder.queuedDistance = &globals.TotalQueuedDistance;

    plan.refusal = engine.RunRefusal(burnish);
    if (!plan.refusal.empty()) return plan;
    try {
        engine.StartRun(burnish);
    } catch (const app::ProgramExit&) {
        plan.refusal = "no data directory";
        return plan;
    }

    const double inchesPerStep = engine.Geometry().zTapePerStep;
    plan.moves = std::move(recorder.moves);
    plan.layerOfMove = std::move(recorder.passes);
    plan.layers = engine.Geometry().cLayerPassesBegun;
    plan.finishingChained = !burnish && plan.layers > RunGeometry::LayerCount(params, false);
    plan.lineMoves = recorder.rateSets;
    plan.startStopRate = recorder.stopOkRate;
    plan.rampRate = recorder.rampRate;
    plan.tapeInches = globals.TotalQueuedDistance * inchesPerStep;

    const std::vector<double> each = EstimateMoveSeconds(plan.moves, plan.startStopRate, plan.rampRate);
    plan.tapeAt.resize(plan.moves.size());
    plan.secondsAt.resize(plan.moves.size());
    double total = 0;
    for (std::size_t i = 0; i < plan.moves.size(); ++i) {
        total += each[i];
        plan.secondsAt[i] = total;
        const double after = i + 1 < recorder.distanceBefore.size() ? recorder.distanceBefore[i + 1]
                                                                    : globals.TotalQueuedDistance;
        plan.tapeAt[i] = after * inchesPerStep;
    }
    plan.seconds = total;
    return plan;
}

double RunPlan::SecondsAtTape(double inches) const {
    if (tapeAt.empty() || !(inches > 0)) return 0;
    auto it = std::lower_bound(tapeAt.begin(), tapeAt.end(), inches);
    if (it == tapeAt.end()) return seconds;
    const std::size_t i = static_cast<std::size_t>(it - tapeAt.begin());
    const double startTape = i == 0 ? 0 : tapeAt[i - 1];
    const double startSeconds = i == 0 ? 0 : secondsAt[i - 1];
    const double span = tapeAt[i] - startTape;
    const double part = span > 0 ? (inches - startTape) / span : 1.0;
    return startSeconds + part * (secondsAt[i] - startSeconds);
}

std::int32_t RunPlan::LayerAtTape(double inches) const {
    if (layerOfMove.empty()) return 0;
    if (!(inches > 0)) return layerOfMove.front();
    auto it = std::lower_bound(tapeAt.begin(), tapeAt.end(), inches);
    const std::size_t i = std::min(static_cast<std::size_t>(it - tapeAt.begin()), layerOfMove.size() - 1);
    return layerOfMove[i];
}

std::vector<std::string> PlanSummaryLines(const app::Environment& env, const RunPlan& plan, bool metres) {
    std::vector<std::string> lines;
    if (!plan.refusal.empty()) {
        lines.push_back(env.GetResourceText(935) + " " + plan.refusal);
        return lines;
    }
    const double length = metres ? plan.tapeInches / 39.37 : plan.tapeInches / 12.0;
    lines.push_back(env.GetResourceText(924) + " " + std::to_string(plan.layers));
    lines.push_back(env.GetResourceText(925) + " " + std::to_string(plan.lineMoves));
    lines.push_back(env.GetResourceText(926) + " " + std::to_string(plan.moves.size()));
    lines.push_back(env.GetResourceText(metres ? 928 : 927) + " " + OneDecimal(length));
    lines.push_back(env.GetResourceText(929) + " " + ElapsedTimeText(std::llround(plan.seconds)));
    if (plan.finishingChained) lines.push_back(env.GetResourceText(930));
    return lines;
}

std::vector<PlanPoint> PlanPath(const RunPlan& plan) {
    std::vector<PlanPoint> path;
    path.reserve(plan.moves.size() + 1);
    PlanPoint at;
    path.push_back(at);
    for (const PlannedMove& m : plan.moves) {
        at.x += m.x;
        at.y += m.y;
        path.push_back(at);
    }
    return path;
}

std::uint32_t LayerColour(std::int32_t layer) {
    // Well-separated hues, then the same again darker for layers past ten.
    static const std::uint32_t kColours[] = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd,
                                             0x8c564b, 0xe377c2, 0x17becf, 0xbcbd22, 0x7f7f7f};
    const std::int32_t n = static_cast<std::int32_t>(std::size(kColours));
    const std::int32_t index = layer < 1 ? 0 : (layer - 1) % n;
    std::uint32_t c = kColours[index];
    if (layer > n && ((layer - 1) / n) % 2 == 1) c = (c >> 1) & 0x7f7f7f;
    return c;
}

std::string PlanSvg(const app::Environment& env, const RunPlan& plan) {
    const std::vector<PlanPoint> path = PlanPath(plan);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const PlanPoint& p : path) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double w = 800, h = 600, left = 90, right = 150, top = 20, bottom = 60;
    const double sx = (w - left - right) / std::max(1.0, maxX - minX);
    const double sy = (h - top - bottom) / std::max(1.0, maxY - minY);
    auto X = [&](double x) { return left + (x - minX) * sx; };
    auto Y = [&](double y) { return h - bottom - (y - minY) * sy; };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" "
                      "height=\"600\" viewBox=\"0 0 800 600\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"800\" height=\"600\" fill=\"#ffffff\"/>\n";
    // Axes with their end values, in steps.
    svg += "<g stroke=\"#000000\" fill=\"none\"><rect x=\"" + Num(left) + "\" y=\"" + Num(top) + "\" width=\"" +
           Num(w - left - right) + "\" height=\"" + Num(h - top - bottom) + "\"/></g>\n";
    svg += "<text x=\"" + Num(left) + "\" y=\"" + Num(h - bottom + 16) + "\">" + Num(minX) + "</text>\n";
    svg += "<text x=\"" + Num(w - right) + "\" y=\"" + Num(h - bottom + 16) + "\" text-anchor=\"end\">" + Num(maxX) +
           "</text>\n";
    svg += "<text x=\"" + Num((left + w - right) / 2) + "\" y=\"" + Num(h - 15) + "\" text-anchor=\"middle\">" +
           Escape(env.GetResourceText(931)) + "</text>\n";
    svg += "<text x=\"" + Num(left - 4) + "\" y=\"" + Num(h - bottom) + "\" text-anchor=\"end\">" + Num(minY) +
           "</text>\n";
    svg += "<text x=\"" + Num(left - 4) + "\" y=\"" + Num(top + 10) + "\" text-anchor=\"end\">" + Num(maxY) +
           "</text>\n";
    svg += "<text x=\"15\" y=\"" + Num((top + h - bottom) / 2) + "\" transform=\"rotate(-90 15 " +
           Num((top + h - bottom) / 2) + ")\" text-anchor=\"middle\">" + Escape(env.GetResourceText(932)) +
           "</text>\n";
    // One polyline per run of moves of one layer pass.
    std::size_t i = 0;
    while (i < plan.moves.size()) {
        const std::int32_t layer = i < plan.layerOfMove.size() ? plan.layerOfMove[i] : 1;
        std::string points = Num(X(path[i].x)) + "," + Num(Y(path[i].y));
        std::size_t j = i;
        while (j < plan.moves.size() && (j < plan.layerOfMove.size() ? plan.layerOfMove[j] : 1) == layer) {
            points += " " + Num(X(path[j + 1].x)) + "," + Num(Y(path[j + 1].y));
            ++j;
        }
        svg += "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"" + Hex(LayerColour(layer)) + "\" points=\"" +
               points + "\"/>\n";
        i = j;
    }
    // Legend.
    for (std::int32_t layer = 1; layer <= plan.layers; ++layer) {
        const double y = top + 10 + 18 * (layer - 1);
        if (y > h - bottom) break;
        svg += "<rect x=\"" + Num(w - right + 15) + "\" y=\"" + Num(y - 9) + "\" width=\"14\" height=\"10\" fill=\"" +
               Hex(LayerColour(layer)) + "\"/><text x=\"" + Num(w - right + 35) + "\" y=\"" + Num(y) + "\">" +
               Escape(env.GetResourceText(933)) + " " + std::to_string(layer) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace plyx::engine
