#pragma once
// The status page of one instance, joined to the program: it follows the
// run's events (after the plan, the record and the journal, which it
// reads), the board link's round trips and the log, keeps the snapshot
// (StatusFeed) and serves it from its own thread (StatusServer).
//
//   status::StatusService status(env, params, engine, runs, boardLink);
//   ...once the port is the instance's:  status.Start();
#include <cstdint>
#include <memory>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunEngine.h"
#include "engine/RunEvents.h"
#include "engine/machine/MachineKeeper.h"
#include "engine/plan/RunFollowers.h"
#include "link/ZentrovaCom.h"
#include "status/StatusFeed.h"
#include "status/StatusPublisher.h"
#include "status/StatusServer.h"

namespace plyx::status {

// A board-link error's number as the operator's message gives it (1 to
// 10), or -1 for an error that is not the board link's.
std::int32_t BoardErrorNumber(std::int32_t number);

class StatusService final : public engine::RunObserver {
public:
    StatusService(app::Environment& env, app::ParameterSet& params, engine::RunEngine& engine,
                  engine::RunFollowers& runs, link::ZentrovaCom* boardLink, ServerLimits limits = {});
    ~StatusService() override;
    StatusService(const StatusService&) = delete;
    StatusService& operator=(const StatusService&) = delete;

    // Serves the page where STATUSLISTEN says (default 127.0.0.1, port
    // 9300 + the COM number), once the instance has its port. A port in
    // use, or a STATUSLISTEN that names no address, is logged and the
    // program goes on without the page. False when nothing is served.
    bool Start();
    // The language, the model or the unit may have changed.
    void Refresh();
    // The machine's counters and roll, shown from now on (nullptr: none).
    void SetMachine(engine::MachineKeeper* machine);
    // The counters or the roll changed between runs (the Machine window).
    void ShowCounters();
    const StatusServer& Server() const { return server_; }
    StatusFeed& Feed() { return feed_; }

    // ---- run events ----
    void RunStarted(bool burnish) override;
    void LayerStarted(std::int32_t layer) override;
    void ControllerAt(const engine::ControllerReport& at) override;
    void ElapsedChanged(std::int64_t seconds) override;
    void PauseChanged(bool paused) override;
    void Stopping() override;
    void RunEnded(engine::RunEnd how) override;
    void RunFailed(std::int32_t number, const std::string& text) override;

private:
    void Follow();
    void NoteLog();

    app::Environment& env_;
    app::ParameterSet& params_;
    engine::RunEngine& engine_;
    engine::RunFollowers& runs_;
    link::ZentrovaCom* link_;
    engine::MachineKeeper* machine_ = nullptr;
    StatusPublisher publisher_;
    StatusFeed feed_;
    StatusServer server_;
    bool logFailureSeen_ = false;
    bool stopping_ = false;
};

}  // namespace plyx::status
