#include "engine/plan/RunRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/RunGeometry.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "text/TextIds.h"

namespace plyx::engine {

namespace {

// Before this much of the plan has run, the run's own pace says too little.
constexpr double kPaceAfterSeconds = 10.0;

std::string Feet(double inches) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", std::isfinite(inches) ? inches / 12.0 : 0.0);
    return buf;
}

}  // namespace

const char* const RunRecord::kHeader =
    "start,end,port,model,shell_file,kind,layers_planned,layers_reached,tape_planned_ft,tape_laid_ft,"
    "duration_s,outcome,error_number,error_text\r\n";

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string& f = fields[i];
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + "\r\n";
}

std::string IsoTime(std::time_t t) {
    const std::tm tm = platform::LocalTime(t);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    const long offset = tm.tm_gmtoff / 60;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', std::labs(offset) / 60,
                  std::labs(offset) % 60);
    return std::string(buf) + zone;
}

RunRecord::RunRecord(app::Environment& env, app::ParameterSet& params, RunGlobals& globals)
    : env_(env), params_(params), globals_(globals) {}

RunRecord::~RunRecord() = default;

std::string RunRecord::FilePath() { return env_.GetDataDirectory() + "/" + env_.PerPortPrefix + "runs.csv"; }

std::string RunRecord::JournalPath() {
    return env_.GetDataDirectory() + "/" + env_.PerPortPrefix + "run.journal";
}

void RunRecord::WriteJournal() {
    JournalEntry e;
    e.start = start_;
    e.updated = env_.Clock().WallTime();
    e.port = env_.ComPortName;
    e.model = params_.strModel;
    e.shellFile = shellFile_;
    e.burnish = burnish_;
    e.layersPlanned = plan_.layers;
    e.layerReached = journalLayer_;
    e.tapePlannedInches = plan_.tapeInches;
    e.tapeLaidInches = laid_;
    std::string why;
    // Without it a killed run goes unrecorded, but the run itself is fine.
    if (!RunJournal(JournalPath()).Write(e, &why)) env_.LogLine("Run journal not written: " + why);
}

void RunRecord::RecordInterruptedRun() {
    const RunJournal journal(JournalPath());
    if (!platform::FileExists(journal.Path()) && !platform::IsSymlink(journal.Path())) return;
    std::optional<JournalEntry> e = journal.Read();
    if (!e) {
        env_.LogLine("Run journal " + journal.Path() + " is unreadable -- removed");
        journal.Remove();
        return;
    }
    env_.LogLine("The run started " + IsoTime(e->start) + " did not end in this program -- recorded as interrupted");
    AppendLine(CsvLine({IsoTime(e->start), IsoTime(e->updated), e->port, e->model, e->shellFile,
                        e->burnish ? "burnish" : "full", std::to_string(e->layersPlanned),
                        std::to_string(e->layerReached), Feet(e->tapePlannedInches), Feet(e->tapeLaidInches),
                        std::to_string(e->updated - e->start), "interrupted", "", ""}));
    journal.Remove();
}

void RunRecord::RunStarting(bool burnish) {
    running_ = true;
    burnish_ = burnish;
    abortFromWindow_ = false;
    start_ = env_.Clock().WallTime();
    shellFile_ = params_.CurrentShellFile;
    laid_ = 0;
    elapsed_ = movingAtUpdate_ = pausedSeconds_ = 0;
    pausedAt_ = -1;
    if (nextPlan_ && nextPlan_->burnish == burnish)
        plan_ = std::move(*nextPlan_);
    else
        plan_ = RecordRunPlan(env_, params_, env_.ControllerFamily, burnish);
    nextPlan_.reset();
    leftAtUpdate_ = plan_.seconds;
    journalLayer_ = 0;
    shellLayers_ = RunGeometry::LayerCount(params_, burnish);
    WriteJournal();
    if (OnChange) OnChange();
}

void RunRecord::ControllerAt(double inches) {
    if (!running_ || !std::isfinite(inches)) return;
    laid_ = std::max(laid_, inches);
    // Once per layer the controller begins, never per move.
    if (const std::int32_t layer = laid_ > 0 ? plan_.LayerAtTape(laid_) : 0; layer > journalLayer_) {
        journalLayer_ = layer;
        WriteJournal();
    }
    const double planAt = plan_.SecondsAtTape(laid_);
    const std::int64_t now = Moving(env_.Clock().WallTime() - start_);
    double pace = 1.0;
    if (planAt >= kPaceAfterSeconds && now > 0) pace = std::clamp(static_cast<double>(now) / planAt, 0.5, 2.0);
    leftAtUpdate_ = (plan_.seconds - planAt) * pace;
    movingAtUpdate_ = now;
    if (OnChange) OnChange();
}

void RunRecord::ElapsedChanged(std::int64_t seconds) {
    if (!running_) return;
    elapsed_ = seconds;
    if (OnChange) OnChange();
}

double RunRecord::Progress() const {
    if (!(plan_.tapeInches > 0)) return 0;
    return std::clamp(laid_ / plan_.tapeInches, 0.0, 1.0);
}

std::int64_t RunRecord::Moving(std::int64_t sinceStart) const {
    sinceStart = std::max<std::int64_t>(0, sinceStart);
    const std::int64_t paused = pausedSeconds_ + (pausedAt_ >= 0 ? std::max<std::int64_t>(0, sinceStart - pausedAt_) : 0);
    return std::max<std::int64_t>(0, sinceStart - paused);
}

void RunRecord::PauseChanged(bool paused) {
    if (!running_) return;
    const std::int64_t now = std::max<std::int64_t>(0, env_.Clock().WallTime() - start_);
    if (paused && pausedAt_ < 0) {
        pausedAt_ = now;
    } else if (!paused && pausedAt_ >= 0) {
        pausedSeconds_ += std::max<std::int64_t>(0, now - pausedAt_);
        pausedAt_ = -1;
    }
    if (OnChange) OnChange();
}

double RunRecord::SecondsLeft() const {
    const std::int64_t since = std::max<std::int64_t>(0, Moving(elapsed_) - movingAtUpdate_);
    return std::max(0.0, leftAtUpdate_ - static_cast<double>(since));
}

void RunRecord::RunEnded(RunEnd how) {
    if (!running_) return;
    std::string outcome = "completed";
    // The window's button may also end the stop sequence's last wait.
    if (how != RunEnd::Completed || abortFromWindow_) {
        if (abortFromWindow_)
            outcome = "aborted from the window";
        else if (how == RunEnd::EndedBySignal)
            outcome = "ended by a signal";
        else if ((globals_.SwitchFlags & kSwitchAbort) != 0)
            outcome = "aborted from the panel (ABORT)";
        else if ((globals_.SwitchFlags & kSwitchStop) != 0)
            outcome = "aborted from the panel (STOP)";
        else
            outcome = "aborted";
    }
    Write(outcome, "", "");
}

void RunRecord::EndWithError(std::int32_t number, const std::string& text) {
    if (!running_) return;
    // One record, one line in any viewer: the full text stays in the log.
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " / ";
        } else {
            line += c;
        }
    }
    Write("error", std::to_string(number), line);
}

void RunRecord::Write(const std::string& outcome, const std::string& errorNumber, const std::string& errorText) {
    running_ = false;
    const std::time_t end = env_.Clock().WallTime();
    const std::int32_t reached = laid_ > 0 ? plan_.LayerAtTape(laid_) : 0;
    lastRun_ = RunSummary{outcome, plan_.layers, reached, laid_, std::max<std::int64_t>(0, end - start_),
                          plan_.finishingChained && outcome != "completed" && reached <= shellLayers_};
    const std::string line =
        CsvLine({IsoTime(start_), IsoTime(end), env_.ComPortName, params_.strModel, shellFile_,
                 burnish_ ? "burnish" : "full", std::to_string(plan_.layers), std::to_string(reached),
                 Feet(plan_.tapeInches), Feet(laid_), std::to_string(std::max<std::int64_t>(0, end - start_)), outcome,
                 errorNumber, errorText});
    AppendLine(line);
    // The run has its line: nothing is left for the next start to record.
    RunJournal(JournalPath()).Remove();
    if (OnChange) OnChange();
}

void RunRecord::AppendLine(const std::string& line) {
    const std::string path = FilePath();
    std::string why;
    const platform::LinkTrust links = platform::CheckLinks(path, &why);
    if (links == platform::LinkTrust::Refuse) {
        env_.ReportRefused(env_.GetResourceText(1150), why);
    } else if (!platform::AppendRecord(path, kHeader, line, &why, links)) {
        // The run itself is over; the operator must know its record is missing.
        const std::string message = env_.GetResourceText(text::kTextRecordNotWritten) + " (" + path + ": " + why + ")";
        env_.LogLine(message);
        env_.Dialogs().ShowMessage(message, env_.PortCaptionPrefix + env_.ProgramName);
    }
}

}  // namespace plyx::engine
