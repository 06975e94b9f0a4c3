#include "ui/ResumeStarter.h"

#include "text/Resources.h"

namespace plyx::ui {

namespace {
constexpr text::ResourceId kTextNoRun = 1438;
constexpr text::ResourceId kTextRefused = 1445;
constexpr text::ResourceId kTextNoLayer = 1447;
}  // namespace

std::optional<engine::JournalEntry> ResumeStarter::StoppedRun() const {
    std::optional<engine::JournalEntry> journal = engine::RunJournal(engine::JournalPath(ctx_.env)).Read();
    if (!journal || !journal->Resumable()) return std::nullopt;
    return journal;
}

engine::ResumeSituation ResumeStarter::Assess(const engine::JournalEntry& journal) {
    std::optional<std::pair<std::int64_t, std::int64_t>> reported;
    if (engine::Controller* ctl = ctx_.engine.CurrentController(); ctl != nullptr && ctl->ReportsPosition()) {
        const std::int32_t x = ctl->ReportCurrentX();
        const std::int32_t y = ctl->ReportCurrentY();
        reported = std::make_pair(std::int64_t{x}, std::int64_t{y});
    }
    engine::ResumeSituation s = engine::AssessResume(ctx_.env, ctx_.params, ctx_.env.ControllerFamily, journal, reported);
    ctx_.env.LogLine("Stopped run of " + journal.shellFile + " at layer " + std::to_string(journal.layerReached) +
                     " of " + std::to_string(s.Layers()) +
                     (reported ? ": head at X=" + std::to_string(reported->first) + ", Y=" + std::to_string(reported->second)
                               : std::string(": no position")) +
                     (s.trusted ? ", where the stop left it" : ", not where the stop left it") +
                     (s.changed.empty() ? std::string() : "; changed since: " + s.changed));
    return s;
}

void ResumeStarter::Start(const engine::ResumeSituation& situation, std::int32_t layer, bool headConfirmed) {
    armed_.reset();
    // The stopped run's plan, its live changes in: the progress follows it.
    runs_.progress.UsePlan(situation.plan);
    ctx_.engine.ResumeRun(situation.journal.burnish, situation.Request(layer, headConfirmed));
}

std::string ResumeStarter::Arm(std::int32_t layer, const std::string& value) {
    armed_.reset();
    app::Environment& env = ctx_.env;
    std::string why;
    if (layer < 0) {
        why = text::FillTexts(env.GetResourceText(kTextNoLayer), {value});
    } else if (std::optional<engine::JournalEntry> journal = StoppedRun()) {
        engine::ResumeSituation s = Assess(*journal);
        why = s.Refusal(env, layer, false);
        if (why.empty()) {
            armed_ = std::move(s);
            armedLayer_ = layer;
            env.LogLine("RESUME=" + value + ": the resume is armed; START on the panel runs it");
            return {};
        }
    } else {
        why = env.GetResourceText(kTextNoRun);
    }
    const std::string text = text::FillTexts(env.GetResourceText(kTextRefused), {value, why});
    env.LogLine(text);
    return text;
}

bool ResumeStarter::StartArmed() {
    if (!armed_) return false;
    // A run since (started from the window) has replaced the stopped one.
    const std::optional<engine::JournalEntry> journal = StoppedRun();
    if (!journal || journal->start != armed_->journal.start || journal->updated != armed_->journal.updated) {
        armed_.reset();
        return false;
    }
    const engine::ResumeSituation s = std::move(*armed_);
    Start(s, armedLayer_, false);
    return true;
}

}  // namespace plyx::ui
