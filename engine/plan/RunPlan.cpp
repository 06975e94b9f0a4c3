#include "engine/plan/RunPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/DisplayText.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "platform/EventPump.h"
#include "text/TextIds.h"

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

MoveTimer::MoveTimer(std::int32_t startStopRate, std::int32_t rampRate)
    : edge_(std::fabs(static_cast<double>(startStopRate))),
      a_(std::fabs(static_cast<double>(rampRate))),
      startStopRate_(startStopRate) {}

double MoveTimer::Seconds(const PlannedMove& m, double before, double after) const {
    const double steps = MoveSteps(m);
    if (steps == 0) return 0;
    const double v = MoveRate(m, startStopRate_);
    if (a_ == 0 || v <= edge_) return steps / v;
    // Below the start/stop rate the controller changes speed at once.
    return TrapezoidSeconds(steps, std::min(v, before), v, std::min(v, after), a_);
}

std::optional<double> MoveTimer::Push(const PlannedMove& move) {
    std::optional<double> done;
    if (pending_) {
        const double next = std::max(edge_, MoveRate(move, startStopRate_));
        done = Seconds(*pending_, pendingBefore_, next);
        pendingBefore_ = std::max(edge_, MoveRate(*pending_, startStopRate_));
    } else {
        pendingBefore_ = edge_;
    }
    pending_ = move;
    return done;
}

std::optional<double> MoveTimer::Finish() {
    if (!pending_) return std::nullopt;
    const double done = Seconds(*pending_, pendingBefore_, edge_);
    pending_.reset();
    return done;
}

std::vector<double> EstimateMoveSeconds(const std::vector<PlannedMove>& moves, std::int32_t startStopRate,
                                        std::int32_t rampRate) {
    std::vector<double> seconds;
    seconds.reserve(moves.size());
    MoveTimer timer(startStopRate, rampRate);
    for (const PlannedMove& m : moves)
        if (std::optional<double> s = timer.Push(m)) seconds.push_back(*s);
    if (std::optional<double> s = timer.Finish()) seconds.push_back(*s);
    return seconds;
}

bool IsLargeRun(const RunPlan& plan) {
    return plan.cutShort || plan.moveCount > kLargeRunMoves || plan.seconds > kLargeRunSeconds;
}

namespace {

// Keeps the marks within a limit: every stride-th move and every
// layer pass's last; when full, the stride doubles.
class MarkKeeper {
public:
    MarkKeeper(std::vector<PlanMark>& marks, std::size_t limit) : marks_(marks), limit_(limit) {}
    void Add(const PlanMark& m) {
        if (!Kept(m)) return;
        marks_.push_back(m);
        if (marks_.size() < limit_) return;
        stride_ *= 2;
        std::erase_if(marks_, [this](const PlanMark& k) { return !Kept(k); });
    }

private:
    bool Kept(const PlanMark& m) const { return m.layerEnd || m.move % stride_ == 0; }
    std::vector<PlanMark>& marks_;
    std::size_t limit_;
    std::int64_t stride_ = 1;
};

// A move waiting for its follower, which tells its time and whether it ends its layer pass.
struct PendingMove {
    PlannedMove move;
    std::int32_t layer = 0;
};

}  // namespace

RunPlan RecordRunPlan(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                      bool burnish, const PlanOptions& options) {
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
    engine.SetScaleSchedule(options.scaleChanges);

    plan.refusal = engine.RunRefusal(burnish);
    if (!plan.refusal.empty()) return plan;

    MarkKeeper keeper(plan.marks, std::max<std::size_t>(options.maxMarks, 2));
    std::optional<MoveTimer> timer;
    std::optional<PendingMove> pending;
    double x = 0, y = 0;
    std::int64_t exactX = 0, exactY = 0;
    plan.windowFrom = options.windowFrom;
    if (options.windowFrom == 0 && options.windowTo >= 0) plan.window.emplace_back(0, 0);
    // The pending move is done: distanceAfter is the queued distance once it ran.
    auto finish = [&](double seconds, double distanceAfter, bool layerEnd) {
        ++plan.moveCount;
        plan.seconds += seconds;
        x += pending->move.x;
        y += pending->move.y;
        exactX += pending->move.x;
        exactY += pending->move.y;
        if (plan.moveCount >= options.windowFrom && plan.moveCount <= options.windowTo)
            plan.window.emplace_back(exactX, exactY);
        keeper.Add({plan.moveCount, distanceAfter, plan.seconds, x, y, pending->layer, layerEnd});
    };
    recorder.onMove = [&](const PlannedMove& m, std::int32_t layer, double distanceBefore) {
        // The rates are set before the first move is queued.
        if (!timer) timer.emplace(recorder.stopOkRate, recorder.rampRate);
        const std::optional<double> seconds = timer->Push(m);
        if (pending) finish(*seconds, distanceBefore, layer != pending->layer);
        pending = PendingMove{m, layer};
        if (options.keepMoves) plan.moves.push_back(m);
        if (options.moveLimit > 0 && plan.moveCount + 1 >= options.moveLimit && !plan.cutShort) {
            // Enough is known; the rest of the run sends nothing, as after an abort.
            plan.cutShort = true;
            globals.RunState = kRunAbortRequested;
        }
    };
    try {
        engine.StartRun(burnish);
    } catch (const app::ProgramExit&) {
        plan.refusal = "no data directory";
        return plan;
    }
    if (pending) finish(timer->Finish().value_or(0), globals.TotalQueuedDistance, true);

    const double inchesPerStep = engine.Geometry().zTapePerStep;
    for (PlanMark& m : plan.marks) m.tape *= inchesPerStep;
    plan.layers = engine.Geometry().cLayerPassesBegun;
    plan.finishingChained = !burnish && plan.layers > RunGeometry::LayerCount(params, false);
    plan.lineMoves = recorder.rateSets;
    plan.startStopRate = recorder.stopOkRate;
    plan.rampRate = recorder.rampRate;
    plan.tapeInches = globals.TotalQueuedDistance * inchesPerStep;
    return plan;
}

double RunPlan::SecondsAtTape(double inches) const {
    if (marks.empty() || !(inches > 0)) return 0;
    auto it = std::lower_bound(marks.begin(), marks.end(), inches,
                               [](const PlanMark& m, double tape) { return m.tape < tape; });
    if (it == marks.end()) return seconds;
    const std::size_t i = static_cast<std::size_t>(it - marks.begin());
    const double startTape = i == 0 ? 0 : marks[i - 1].tape;
    const double startSeconds = i == 0 ? 0 : marks[i - 1].seconds;
    const double span = marks[i].tape - startTape;
    const double part = span > 0 ? (inches - startTape) / span : 1.0;
    return startSeconds + part * (marks[i].seconds - startSeconds);
}

std::int32_t RunPlan::LayerAtTape(double inches) const {
    if (marks.empty()) return 0;
    if (!(inches > 0)) return marks.front().layer;
    auto it = std::lower_bound(marks.begin(), marks.end(), inches,
                               [](const PlanMark& m, double tape) { return m.tape < tape; });
    return it == marks.end() ? marks.back().layer : it->layer;
}

std::vector<std::string> PlanSummaryLines(const app::Environment& env, const RunPlan& plan, bool metres) {
    std::vector<std::string> lines;
    if (!plan.refusal.empty()) {
        lines.push_back(env.GetResourceText(text::kTextRunWouldNotStart) + " " + plan.refusal);
        return lines;
    }
    const double length = metres ? plan.tapeInches / 39.37 : plan.tapeInches / 12.0;
    lines.push_back(env.GetResourceText(text::kTextPreviewLayers) + " " + std::to_string(plan.layers));
    lines.push_back(env.GetResourceText(text::kTextPreviewLineMoves) + " " + std::to_string(plan.lineMoves));
    lines.push_back(env.GetResourceText(text::kTextPreviewMovesQueued) + " " + std::to_string(plan.moveCount));
    lines.push_back(env.GetResourceText(metres ? text::kTextPreviewTapeMeters : text::kTextPreviewTapeFeet) + " " +
                    OneDecimal(length));
    lines.push_back(env.GetResourceText(text::kTextPreviewRunTime) + " " + ElapsedTimeText(std::llround(plan.seconds)));
    if (plan.finishingChained) lines.push_back(env.GetResourceText(text::kTextFinishingFileIncluded));
    return lines;
}

std::vector<PlanPoint> PlanPath(const RunPlan& plan) {
    std::vector<PlanPoint> path;
    path.reserve(plan.marks.size() + 1);
    path.push_back({0, 0, plan.marks.empty() ? 1 : plan.marks.front().layer});
    for (const PlanMark& m : plan.marks) path.push_back({m.x, m.y, m.layer});
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
           Escape(env.GetResourceText(text::kTextXSteps)) + "</text>\n";
    svg += "<text x=\"" + Num(left - 4) + "\" y=\"" + Num(h - bottom) + "\" text-anchor=\"end\">" + Num(minY) +
           "</text>\n";
    svg += "<text x=\"" + Num(left - 4) + "\" y=\"" + Num(top + 10) + "\" text-anchor=\"end\">" + Num(maxY) +
           "</text>\n";
    svg += "<text x=\"15\" y=\"" + Num((top + h - bottom) / 2) + "\" transform=\"rotate(-90 15 " +
           Num((top + h - bottom) / 2) + ")\" text-anchor=\"middle\">" +
           Escape(env.GetResourceText(text::kTextYSteps)) + "</text>\n";
    // One polyline per run of moves of one layer pass; point k ends a move of path[k].layer.
    std::size_t i = 1;
    while (i < path.size()) {
        const std::int32_t layer = path[i].layer;
        std::string points = Num(X(path[i - 1].x)) + "," + Num(Y(path[i - 1].y));
        for (; i < path.size() && path[i].layer == layer; ++i)
            points += " " + Num(X(path[i].x)) + "," + Num(Y(path[i].y));
        svg += "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"" + Hex(LayerColour(layer)) + "\" points=\"" +
               points + "\"/>\n";
    }
    // Legend.
    for (std::int32_t layer = 1; layer <= plan.layers; ++layer) {
        const double y = top + 10 + 18 * (layer - 1);
        if (y > h - bottom) break;
        svg += "<rect x=\"" + Num(w - right + 15) + "\" y=\"" + Num(y - 9) + "\" width=\"14\" height=\"10\" fill=\"" +
               Hex(LayerColour(layer)) + "\"/><text x=\"" + Num(w - right + 35) + "\" y=\"" + Num(y) + "\">" +
               Escape(env.GetResourceText(text::kTextLayer)) + " " + std::to_string(layer) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace plyx::engine
