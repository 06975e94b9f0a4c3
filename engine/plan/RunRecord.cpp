#include "engine/plan/RunRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/plan/RunJournal.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "text/TextIds.h"

namespace plyx::engine {

namespace {

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

RunRecord::RunRecord(app::Environment& env, app::ParameterSet& params, RunGlobals& globals,
                     const RunProgress& progress)
    : env_(env), params_(params), globals_(globals), progress_(progress) {}

std::string RunRecord::FilePath() {
    return env_.GetDataDirectory() + "/" + env_.PerPortPrefix + "runs.csv";
}

void RunRecord::RecordInterruptedRun() {
    const RunJournal journal(JournalPath(env_));
    if (!platform::FileExists(journal.Path()) && !platform::IsSymlink(journal.Path())) return;
    std::optional<JournalEntry> e = journal.Read();
    if (!e) {
        env_.LogLine("Run journal " + journal.Path() + " is unreadable -- removed");
        journal.Remove();
        return;
    }
    // A run the program saw end has its line already.
    if (e->recorded) return;
    env_.LogLine("The run started " + IsoTime(e->start) + " did not end in this program -- recorded as interrupted");
    AppendLine(CsvLine({IsoTime(e->start), IsoTime(e->updated), e->port, e->model, e->shellFile,
                        KindText(e->burnish, e->resumedFrom), std::to_string(e->layersPlanned),
                        std::to_string(e->layerReached), Feet(e->tapePlannedInches), Feet(e->tapeLaidInches),
                        std::to_string(e->updated - e->start), "interrupted", "", ""}));
    // Kept for a resume, recorded once.
    e->outcome = "interrupted";
    e->recorded = true;
    std::string why;
    if (!journal.Write(*e, &why)) {
        env_.LogLine("Run journal not written: " + why + " -- removed");
        journal.Remove();
    }
}

std::string RunRecord::KindText(bool burnish, std::int32_t resumedFrom) {
    std::string kind = burnish ? "burnish" : "full";
    if (resumedFrom > 0) kind += " resumed from layer " + std::to_string(resumedFrom);
    return kind;
}

void RunRecord::RunStarted(bool) {
    running_ = true;
    abortFromWindow_ = false;
    resumedFrom_ = 0;
}

void RunRecord::RunResumed(std::int32_t layer) { resumedFrom_ = layer; }

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

void RunRecord::RunFailed(std::int32_t number, const std::string& text) {
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
    const RunPlan& plan = progress_.Plan();
    const std::time_t start = progress_.StartTime();
    const std::time_t end = env_.Clock().WallTime();
    const std::int32_t reached = progress_.LayerReached();
    const double laid = progress_.LaidInches();
    const std::int64_t seconds = std::max<std::int64_t>(0, end - start);
    lastRun_ = RunSummary{outcome, plan.layers, reached, laid, seconds,
                          plan.finishingChained && outcome != "completed" && reached <= progress_.ShellLayers()};
    AppendLine(CsvLine({IsoTime(start), IsoTime(end), env_.ComPortName, params_.strModel, progress_.ShellFile(),
                        KindText(progress_.Burnish(), resumedFrom_), std::to_string(plan.layers),
                        std::to_string(reached), Feet(plan.tapeInches), Feet(laid), std::to_string(seconds), outcome,
                        errorNumber, errorText}));
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
