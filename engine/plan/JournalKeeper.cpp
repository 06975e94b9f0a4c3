#include "engine/plan/JournalKeeper.h"

#include "engine/plan/Resume.h"
#include "platform/Clock.h"

namespace plyx::engine {

void JournalKeeper::RunStarted(bool burnish) {
    running_ = true;
    written_ = 0;
    positionWritten_ = false;
    resumedFrom_ = 0;
    outcome_.clear();
    error_.clear();
    parameters_ = RunParameters(params_);
    finishingFile_ = FinishingFileOf(params_, burnish);
    finishingLines_ = FinishingLinesOf(finishingFile_);
    Write();
}

void JournalKeeper::RunResumed(std::int32_t layer) {
    if (!running_) return;
    resumedFrom_ = layer;
    Write();
}

void JournalKeeper::LayerIncreaseChanged(std::int32_t, double) {
    if (running_) Write();
}

void JournalKeeper::ControllerAt(const ControllerReport&) {
    if (!running_) return;
    // Once per layer pass the controller begins, never per move; and once
    // the board's position at the start is known. (The displays' layer
    // counts from 1 again in a finishing file: the plan's pass does not.)
    const bool positionNews = !positionWritten_ && engine_.Track().positionKnown;
    const std::int32_t pass = engine_.ControllerPass();
    if (pass <= written_ && !positionNews) return;
    written_ = std::max(written_, pass);
    positionWritten_ = engine_.Track().positionKnown;
    Write();
}

void JournalKeeper::RunEnded(RunEnd) { End(""); }

void JournalKeeper::RunFailed(std::int32_t number, const std::string& text) {
    std::string line = std::to_string(number) + " ";
    for (char c : text) line += c == '\r' || c == '\n' ? ' ' : c;
    End(line);
}

void JournalKeeper::End(const std::string& error) {
    if (!running_) return;
    // The record has its line now: the next start has nothing to record.
    outcome_ = record_.LastRun() ? record_.LastRun()->outcome : std::string(error.empty() ? "aborted" : "error");
    error_ = error;
    // Moves the controller lost were counted as run: what it really reached stands.
    const std::int32_t reached = engine_.ControllerPass();
    written_ = engine_.Track().lost > 0 ? reached : std::max(written_, reached);
    Write();
    running_ = false;
}

void JournalKeeper::Write() {
    const RunTrack& track = engine_.Track();
    JournalEntry e;
    e.start = progress_.StartTime();
    e.updated = env_.Clock().WallTime();
    e.port = env_.ComPortName;
    e.model = params_.strModel;
    e.shellFile = progress_.ShellFile();
    e.finishingFile = finishingFile_;
    e.burnish = progress_.Burnish();
    e.outcome = outcome_;
    e.error = error_;
    e.recorded = !outcome_.empty();
    e.resumedFrom = resumedFrom_;
    e.layersPlanned = progress_.Plan().layers;
    e.layerReached = written_;
    e.movesRun = engine_.PlanMovesRun();
    e.tapePlannedInches = progress_.Plan().tapeInches;
    e.tapeLaidInches = progress_.LaidInches();
    e.capacity = engine_.Globals().ControllerQueueCapacity;
    e.positionKnown = track.positionKnown;
    e.startX = track.startX;
    e.startY = track.startY;
    e.originX = track.originX;
    e.originY = track.originY;
    e.scaleChanges = track.scaleChanges;
    e.parameters = parameters_;
    e.finishingLines = finishingLines_;
    std::string why;
    ++writes_;
    // Without it a killed run goes unrecorded and cannot be resumed, but the run itself is fine.
    if (!RunJournal(JournalPath(env_)).Write(e, &why)) env_.LogLine("Run journal not written: " + why);
}

}  // namespace plyx::engine
