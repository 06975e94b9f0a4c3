#pragma once
// Keeps the run journal while a run goes: written when the run starts,
// once the board's position is known, whenever the controller begins a
// layer pass, when the operator changes the layer increase, and when the
// run ends (never per move). A run that ended short stays in it for a
// resume (a completed one is marked so); the next run replaces it.
// Subscribed after the progress and the record, which it reads.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/RunEvents.h"
#include "engine/plan/RunJournal.h"
#include "engine/plan/RunProgress.h"
#include "engine/plan/RunRecord.h"

namespace plyx::engine {

class JournalKeeper final : public RunObserver {
public:
    JournalKeeper(app::Environment& env, app::ParameterSet& params, const RunProgress& progress,
                  const RunRecord& record, RunEngine& engine)
        : env_(env), params_(params), progress_(progress), record_(record), engine_(engine) {}

    void RunStarted(bool burnish) override;
    void RunResumed(std::int32_t layer) override;
    void LayerIncreaseChanged(std::int32_t fromLayer, double fraction) override;
    void ControllerAt(const ControllerReport& at) override;
    void RunEnded(RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

    // Journal writes since the keeper was made (for tests and benchmarks).
    std::int64_t Writes() const { return writes_; }

private:
    void Write();
    void End(const std::string& error);

    app::Environment& env_;
    app::ParameterSet& params_;
    const RunProgress& progress_;
    const RunRecord& record_;
    RunEngine& engine_;
    bool running_ = false;
    std::int32_t written_ = 0;  // the layer pass the journal on disk holds
    bool positionWritten_ = false;
    std::int32_t resumedFrom_ = 0;
    std::string outcome_, error_;
    // What the run runs on, as it started (a finishing file replaces the
    // parameters while its layers are queued).
    std::vector<std::pair<std::string, std::string>> parameters_;
    std::string finishingFile_;
    std::vector<std::string> finishingLines_;
    std::int64_t writes_ = 0;
};

}  // namespace plyx::engine
