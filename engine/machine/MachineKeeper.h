#pragma once
// Keeps the machine's counters and the tape roll (MachineCounters.h): an
// observer of the runs, subscribed after the progress and the record,
// which it reads. The file is replaced whole when a run starts, when the
// controller begins a layer and when the run ends, never per move; it is
// read when first needed, once the port (and so the file's name) is known.
#include <cstdint>
#include <functional>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/machine/MachineCounters.h"
#include "engine/plan/RunFollowers.h"

namespace plyx::engine {

class MachineKeeper final : public RunObserver {
public:
    MachineKeeper(app::Environment& env, app::ParameterSet& params, RunEngine& engine, RunFollowers& runs);
    ~MachineKeeper() override;
    MachineKeeper(const MachineKeeper&) = delete;
    MachineKeeper& operator=(const MachineKeeper&) = delete;

    // The counters now; during a run its time and tape so far are in them
    // (and the roll is down by that tape), though it is not yet a run by outcome.
    MachineCounters Counters();
    // The length left on the roll in inches (0: not tracked); written at once.
    bool SetRoll(double inches);
    // The maintenance counter starts again from 0: written at once, and the
    // production record gets a line of its own. Between runs.
    bool ResetService();
    // Before a run: when its plan needs more tape than the roll has left,
    // the operator is asked (OK starts it anyway). True when it may start.
    bool ConfirmRoll(const RunPlan& plan);
    // The operator changed the roll or reset the maintenance counter.
    std::function<void()> OnChange;

    // <data directory>/<PerPortPrefix>machine
    std::string FilePath();
    static constexpr const char* kServiceOutcome = "maintenance counter reset";

    void RunStarted(bool burnish) override;
    void LayerStarted(std::int32_t layer) override;
    void RunEnded(RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

private:
    void Load();
    bool Write();
    void EndRun(std::int32_t errorNumber);
    // The run an earlier program left open: counted from its record line
    // where it has one by now; without one, left out once lastChance.
    void Settle(bool lastChance);
    OpenRun LiveRun() const;

    app::Environment& env_;
    app::ParameterSet& params_;
    RunEventStream& events_;
    const RunProgress& progress_;
    RunRecord& record_;
    MachineFile file_;
    std::string loadedPath_;
    bool running_ = false;
    std::int64_t recordSizeTried_ = -2;  // the record's size when an open run was last looked for in it
};

// A tape length for the operator: "1,234.5 ft" or, with metres, "376.3 m".
std::string TapeText(const app::Environment& env, double inches, bool metres);

}  // namespace plyx::engine
