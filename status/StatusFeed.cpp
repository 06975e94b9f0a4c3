#include "status/StatusFeed.h"

#include <algorithm>
#include <utility>

#include "status/RecordTail.h"

namespace plyx::status {

StatusFeed::StatusFeed(StatusPublisher& publisher, FeedSources sources)
    : publisher_(publisher), sources_(std::move(sources)) {
    RefreshTexts();
}

void StatusFeed::SetInstance(const std::string& port, const std::string& version) {
    snap_.port = port;
    snap_.version = version;
    Changed(true);
}

void StatusFeed::SetModel(const std::string& model) {
    if (snap_.model == model) return;
    snap_.model = model;
    Changed(true);
}

void StatusFeed::SetShell(const std::string& shellFile) {
    if (snap_.shellFile == shellFile) return;
    snap_.shellFile = shellFile;
    Changed(true);
}

void StatusFeed::SetMetres(bool metres) {
    if (snap_.metres == metres && snap_.texts) return;
    snap_.metres = metres;
    RefreshTexts();
}

void StatusFeed::RefreshTexts() {
    auto t = std::make_shared<PageTexts>();
    if (sources_.text) {
        using namespace text_ids;
        std::string* fields[] = {&t->title,    &t->idle,      &t->layer,     &t->tapeLaid,    &t->timeLeft,
                                 &t->elapsed,  &t->lastRuns,  &t->start,     &t->shell,       &t->layers,
                                 &t->tape,     &t->duration,  &t->outcome,   &t->noRuns,      &t->counters,
                                 &t->runHours, &t->tapeTotal, &t->sinceService, &t->rollLeft, &t->noAnswer,
                                 &t->model,    &t->movesRun,  &t->hoursUnit};
        for (std::size_t i = 0; i < std::size(fields); ++i)
            *fields[i] = sources_.text(kFirstPageText + static_cast<std::int32_t>(i));
        t->unit = sources_.text(snap_.metres ? kMetres : kFeet);
    }
    snap_.texts = std::move(t);
    for (RecordedRun& r : snap_.lastRuns)
        if (sources_.outcomeText) r.outcomeText = sources_.outcomeText(r.outcome);
    StateText();
    Changed(true);
}

void StatusFeed::ReadRecord() {
    if (!sources_.recordPath) return;
    const std::string path = sources_.recordPath();
    const bool follow = sources_.followLinks ? sources_.followLinks(path) : false;
    snap_.lastRuns = ReadRecordTail(path, kLastRuns, follow);
    for (RecordedRun& r : snap_.lastRuns)
        if (sources_.outcomeText) r.outcomeText = sources_.outcomeText(r.outcome);
    Changed(true);
}

void StatusFeed::SetCounters(std::optional<MachineCounters> counters) {
    snap_.counters = std::move(counters);
    Changed(false);
}

void StatusFeed::RunStarted(bool burnish, const std::string& shellFile, std::int32_t layersPlanned,
                            double tapePlannedInches, std::uint64_t movesPlanned) {
    snap_.runKnown = true;
    snap_.burnish = burnish;
    snap_.shellFile = shellFile;
    snap_.layersPlanned = layersPlanned;
    snap_.tapePlannedInches = tapePlannedInches;
    snap_.movesPlanned = movesPlanned;
    snap_.layerQueued = snap_.layerRunning = 0;
    snap_.tapeLaidInches = 0;
    snap_.movesQueued = snap_.movesRun = 0;
    snap_.elapsedSeconds = 0;
    snap_.secondsLeft.reset();
    snap_.phase = RunPhase::Running;
    StateText();
    Changed(true);
}

void StatusFeed::LayerQueued(std::int32_t layer) {
    if (snap_.layerQueued == layer) return;
    snap_.layerQueued = layer;
    Changed(false);
}

void StatusFeed::MovesQueued(std::uint64_t moves) {
    if (snap_.movesQueued == moves) return;
    snap_.movesQueued = moves;
    Changed(false);
}

void StatusFeed::Progress(std::uint64_t movesRun, double laidInches, std::int32_t layer,
                          std::optional<double> secondsLeft) {
    snap_.movesRun = movesRun;
    snap_.tapeLaidInches = laidInches;
    const bool newLayer = layer != snap_.layerRunning;
    snap_.layerRunning = layer;
    snap_.secondsLeft = secondsLeft;
    // The total follows the run as it lays tape, so "tape today" needs no run's end.
    snap_.totalTapeInches = endedTapeInches_ + std::max(0.0, laidInches);
    Changed(newLayer);
}

void StatusFeed::Elapsed(std::int64_t seconds) {
    snap_.elapsedSeconds = seconds;
    Changed(false);
}

void StatusFeed::PhaseChanged(RunPhase phase) {
    if (snap_.phase == phase) return;
    snap_.phase = phase;
    StateText();
    Changed(true);
}

void StatusFeed::RunEnded(const std::string& outcome) {
    snap_.phase = RunPhase::Idle;
    snap_.secondsLeft.reset();
    ++snap_.runsByOutcome[outcome];
    endedTapeInches_ += std::max(0.0, snap_.tapeLaidInches);
    snap_.totalTapeInches = endedTapeInches_;
    lastOutcome_ = outcome;
    StateText();
    ReadRecord();
}

void StatusFeed::BoardError(std::int32_t number, bool lostMoves) {
    ++snap_.boardErrors[number];
    if (lostMoves) ++snap_.lostMoveDetections;
    Changed(true);
}

void StatusFeed::RoundTrip(double seconds) {
    snap_.linkRoundTrip.Observe(seconds);
    Changed(false);
}

void StatusFeed::LogFailed() {
    ++snap_.logFailures;
    Changed(true);
}

void StatusFeed::StateText() {
    auto text = [this](std::int32_t id) { return sources_.text ? sources_.text(id) : std::string(); };
    using namespace text_ids;
    switch (snap_.phase) {
        case RunPhase::Running: snap_.stateText = text(kRunning); return;
        case RunPhase::Paused: snap_.stateText = text(kPaused); return;
        case RunPhase::Stopping: snap_.stateText = text(kStopping); return;
        case RunPhase::Aborting: snap_.stateText = text(kAborting); return;
        case RunPhase::Idle: break;
    }
    // Between runs: how the last one in this program ended.
    if (lastOutcome_ && sources_.outcomeText)
        snap_.stateText = sources_.outcomeText(*lastOutcome_);
    else
        snap_.stateText = text(kIdle);
}

void StatusFeed::Changed(bool now) {
    pending_ = true;
    const std::int64_t t = sources_.nowMs ? sources_.nowMs() : 0;
    if (now || t - publishedAt_ >= kPublishEveryMs) {
        publishedAt_ = t;
        Flush();
    }
}

void StatusFeed::Flush() {
    if (!pending_) return;
    pending_ = false;
    publisher_.Publish(snap_);
}

}  // namespace plyx::status
