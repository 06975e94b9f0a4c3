#include "engine/plan/JournalKeeper.h"

#include "platform/Clock.h"

namespace plyx::engine {

void JournalKeeper::RunStarted(bool) {
    running_ = true;
    written_ = 0;
    Write();
}

void JournalKeeper::ControllerAt(const ControllerReport&) {
    if (!running_) return;
    // Once per layer pass the controller begins, never per move. (The
    // displays' layer counts from 1 again in a finishing file: the plan's
    // pass, which the tape laid tells, does not.)
    const std::int32_t pass = progress_.LayerReached();
    if (pass <= written_) return;
    written_ = pass;
    Write();
}

void JournalKeeper::RunEnded(RunEnd) { Remove(); }

void JournalKeeper::RunFailed(std::int32_t, const std::string&) { Remove(); }

void JournalKeeper::Write() {
    JournalEntry e;
    e.start = progress_.StartTime();
    e.updated = env_.Clock().WallTime();
    e.port = env_.ComPortName;
    e.model = params_.strModel;
    e.shellFile = progress_.ShellFile();
    e.burnish = progress_.Burnish();
    e.layersPlanned = progress_.Plan().layers;
    e.layerReached = written_;
    e.tapePlannedInches = progress_.Plan().tapeInches;
    e.tapeLaidInches = progress_.LaidInches();
    std::string why;
    // Without it a killed run goes unrecorded, but the run itself is fine.
    if (!RunJournal(JournalPath(env_)).Write(e, &why)) env_.LogLine("Run journal not written: " + why);
}

void JournalKeeper::Remove() {
    if (!running_) return;
    running_ = false;
    // The run has its line: nothing is left for the next start to record.
    RunJournal(JournalPath(env_)).Remove();
}

}  // namespace plyx::engine
