#include "engine/plan/Resume.h"

#include <algorithm>
#include <cmath>

#include "app/Numbers.h"
#include "app/TextFiles.h"
#include "engine/RunEngine.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "text/Resources.h"

namespace plyx::engine {

namespace {

// How far off its straight line a head stopped mid-move may be: the motors
// step in whole steps, each on its own.
constexpr double kOnTheMoveSteps = 3.0;

// Operator texts.
constexpr text::ResourceId kTextNoRun = 1438;
constexpr text::ResourceId kTextLayerRange = 1439;
constexpr text::ResourceId kTextChanged = 1440;
constexpr text::ResourceId kTextUntrusted = 1441;
constexpr text::ResourceId kTextTooOld = 1449;

std::string Num(double v) { return app::NumberText(v); }

}  // namespace

std::vector<std::pair<std::string, std::string>> RunParameters(const app::ParameterSet& p) {
    return {
        {"Model", p.strModel},
        {"MSPS", Num(p.cMSPS)},
        {"SSR", Num(p.zSSR)},
        {"RR", Num(p.zRR)},
        {"WheelDiameter", Num(p.zWheelDiameter)},
        {"CHAININTERVALTECHNIQUE", Num(p.idChainIntervalTechnique)},
        {"MotorCurrentMA", Num(p.cMotorCurrentMA)},
        {"ASAPL", Num(p.zASAPL)},
        {"BLC", Num(p.cBLC)},
        {"BRIP", Num(p.zBRIP)},
        {"DSF", Num(p.zDSF)},
        {"MISP", Num(p.zMISP)},
        {"MRC", Num(p.cMRC)},
        {"MRFL", Num(p.zMRFL)},
        {"MRSI", Num(p.zMRSI)},
        {"MRSL", Num(p.zMRSL)},
        {"PAVP", Num(p.cPAVP)},
        {"PD", Num(p.zPD)},
        {"SD", Num(p.zSD)},
        {"TARC", Num(p.cTARC)},
        {"TARFL", Num(p.zTARFL)},
        {"TASIP", Num(p.zTASIP)},
        {"TARSL", Num(p.zTARSL)},
        {"TASP", Num(p.zTASP)},
        {"TLC", Num(p.cTLC)},
        {"TRI", Num(p.zTRI)},
        {"TRS", Num(p.zTRS)},
        {"TS", Num(p.zTS)},
        {"WA", Num(p.zWA)},
        {"LayerPattern", Num(p.fLayerPattern)},
    };
}

std::string FinishingFileOf(const app::ParameterSet& params, bool burnish) {
    if (burnish) return {};
    const std::string shell = app::TrimAtNul(params.CurrentShellFile);
    if (platform::UpperAscii(app::GetExtensionOf(shell)) != "CFG") return {};
    const std::string finishing = app::ReplaceExtension(shell, "fin");
    return platform::FileExists(finishing) ? finishing : std::string();
}

std::vector<std::string> FinishingLinesOf(const std::string& finishingFile) {
    std::vector<std::string> lines;
    if (finishingFile.empty()) return lines;
    int err = 0;
    const std::optional<std::string> bytes = app::ReadFileBytes(finishingFile, err, app::kMaxParameterFileBytes);
    if (!bytes) return lines;
    // The lines are views into the text: it must outlive the loop.
    const std::string text = platform::DecodeEightBit(*bytes);
    for (std::string_view line : app::SplitLines(text)) {
        const std::string kept = platform::WithoutControlCharacters(std::string(app::TrimSpaces(line)));
        if (kept.find('=') != std::string::npos) lines.push_back(kept);
    }
    return lines;
}

std::string ChangedSinceStop(const JournalEntry& journal, const app::ParameterSet& now) {
    std::string changed;
    auto add = [&changed](const std::string& what) { changed += (changed.empty() ? "" : ", ") + what; };
    const auto current = RunParameters(now);
    for (const auto& kv : current) {
        const std::string& key = kv.first;
        auto it = std::find_if(journal.parameters.begin(), journal.parameters.end(),
                               [&key](const auto& kept) { return kept.first == key; });
        if (it == journal.parameters.end() || it->second != kv.second) add(key);
    }
    if (app::TrimAtNul(now.CurrentShellFile) != journal.shellFile) add("LastFileLoaded");
    const std::string finishing = FinishingFileOf(now, journal.burnish);
    if (finishing != journal.finishingFile || FinishingLinesOf(finishing) != journal.finishingLines)
        add(journal.finishingFile.empty() ? finishing : journal.finishingFile);
    return changed;
}

std::vector<LayerStart> LayerStarts(const RunPlan& plan) {
    std::vector<LayerStart> starts(static_cast<std::size_t>(std::max(0, plan.layers)));
    LayerStart at;
    std::int32_t next = 1;  // the first layer whose start is not yet known
    for (const PlanMark& m : plan.marks) {
        if (!m.layerEnd) continue;
        // Layers up to this one start where the last end before them left the head.
        for (; next <= m.layer && next <= plan.layers; ++next) starts[static_cast<std::size_t>(next - 1)] = at;
        at = {m.move, std::llround(m.x), std::llround(m.y), m.tape};
    }
    for (; next <= plan.layers; ++next) starts[static_cast<std::size_t>(next - 1)] = at;
    return starts;
}

bool HeadOnPath(std::int64_t x, std::int64_t y, const std::vector<std::pair<std::int64_t, std::int64_t>>& path,
                double tolerance) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto [ax, ay] = path[i];
        const auto [bx, by] = i + 1 < path.size() ? path[i + 1] : path[i];
        const double dx = static_cast<double>(bx - ax), dy = static_cast<double>(by - ay);
        const double px = static_cast<double>(x - ax), py = static_cast<double>(y - ay);
        const double length2 = dx * dx + dy * dy;
        const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
        if (std::hypot(px - t * dx, py - t * dy) <= tolerance) return true;
    }
    return false;
}

std::int32_t ResumeSituation::DefaultLayer() const {
    return std::clamp(journal.layerReached, 1, std::max(1, Layers()));
}

std::pair<std::int64_t, std::int64_t> ResumeSituation::StartOnBoard(std::int32_t layer) const {
    const LayerStart s = layer >= 1 && layer <= Layers() ? starts[static_cast<std::size_t>(layer - 1)] : LayerStart{};
    return {journal.originX + s.x, journal.originY + s.y};
}

std::string ResumeSituation::Refusal(const app::Environment& env, std::int32_t layer, bool headConfirmed) const {
    if (journal.Completed()) return env.GetResourceText(kTextNoRun);
    if (!journal.Resumable() || !plan.refusal.empty()) return env.GetResourceText(kTextTooOld);
    if (!changed.empty()) return text::FillTexts(env.GetResourceText(kTextChanged), {changed});
    if (layer < 1 || layer > Layers())
        return text::FillTexts(env.GetResourceText(kTextLayerRange),
                               {std::to_string(layer), std::to_string(Layers())});
    if (!trusted && !headConfirmed) return env.GetResourceText(kTextUntrusted);
    return {};
}

ResumeRequest ResumeSituation::Request(std::int32_t layer, bool headConfirmed) const {
    ResumeRequest r;
    r.fromLayer = layer;
    r.originX = journal.originX;
    r.originY = journal.originY;
    r.headAtLayerStart = !trusted && headConfirmed;
    r.scaleChanges = journal.scaleChanges;
    return r;
}

ResumeSituation AssessResume(app::Environment& env, const app::ParameterSet& params, std::int32_t family,
                             const JournalEntry& journal,
                             std::optional<std::pair<std::int64_t, std::int64_t>> reported) {
    ResumeSituation s;
    s.journal = journal;
    s.reported = reported;
    if (!journal.Resumable()) return s;
    app::ParameterSet now = params;
    NormalizeMicrosteps(family, now);
    s.changed = ChangedSinceStop(journal, now);

    // The moves the controller may have run since the journal's count: those
    // of its queue then, up to the next layer's start and a queue beyond.
    PlanOptions options;
    options.scaleChanges = journal.scaleChanges;
    s.plan = RecordRunPlan(env, now, family, journal.burnish, options);
    s.starts = LayerStarts(s.plan);
    if (!s.plan.refusal.empty() || s.plan.layers < 1) return s;
    const std::int64_t capacity = std::max(1, journal.capacity);
    const std::int32_t next = std::clamp(journal.layerReached + 1, 1, s.plan.layers + 1);
    const std::int64_t nextStart = next <= s.plan.layers ? s.starts[static_cast<std::size_t>(next - 1)].move
                                                         : s.plan.moveCount;
    const std::int64_t from = std::clamp<std::int64_t>(journal.movesRun, 0, s.plan.moveCount);
    const std::int64_t to = std::clamp<std::int64_t>(std::max(from, nextStart) + 2 * capacity, from, s.plan.moveCount);
    options.windowFrom = from;
    options.windowTo = to;
    const RunPlan window = RecordRunPlan(env, now, family, journal.burnish, options);

    if (!reported || !journal.positionKnown) return s;
    std::vector<std::pair<std::int64_t, std::int64_t>> path;
    // A resumed run stopped before its positioning move was done: the head is on it.
    if (journal.resumedFrom >= 1 && journal.resumedFrom <= s.plan.layers &&
        from <= s.starts[static_cast<std::size_t>(journal.resumedFrom - 1)].move)
        path.emplace_back(journal.startX, journal.startY);
    for (const auto& [x, y] : window.window) path.emplace_back(journal.originX + x, journal.originY + y);
    const bool onPath = HeadOnPath(reported->first, reported->second, path, kOnTheMoveSteps);
    s.trusted = onPath;
    return s;
}

std::optional<std::int32_t> ResumeLayerArgument(const std::string& commandLine, std::string* raw) {
    std::optional<std::int32_t> layer;
    for (const std::string& token : app::SplitCommandLine(commandLine)) {
        const std::size_t eq = token.find('=');
        if (eq == std::string::npos || platform::UpperAscii(app::TrimSpaces(token.substr(0, eq))) != "RESUME")
            continue;
        const std::string value(app::TrimSpaces(token.substr(eq + 1)));
        if (raw != nullptr) *raw = value;
        const bool digits = !value.empty() && value.size() <= 5 &&
                            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        const long n = digits ? std::stol(value) : -1;
        layer = n >= 1 && n <= 32767 ? static_cast<std::int32_t>(n) : -1;
    }
    return layer;
}

}  // namespace plyx::engine
