#include "status/StatusService.h"

#include <chrono>

#include "engine/LostMovesError.h"
#include "engine/RunState.h"
#include "link/BoardLinkError.h"
#include "platform/Files.h"

namespace plyx::status {

std::int32_t BoardErrorNumber(std::int32_t number) {
    const auto n = static_cast<std::uint32_t>(number);
    if (n > link::kBoardLinkErrorBase && n < link::kBoardLinkErrorBase + 100) return static_cast<std::int32_t>(n - link::kBoardLinkErrorBase);
    return -1;
}

namespace {

// The words the windows use for a record's outcome (dictionary texts).
std::int32_t OutcomeTextId(const std::string& outcome) {
    static const struct {
        const char* outcome;
        std::int32_t id;
    } kOutcomes[] = {{"completed", 1283},
                     {"aborted from the window", 1284},
                     {"aborted from the panel (STOP)", 1285},
                     {"aborted from the panel (ABORT)", 1286},
                     {"ended by a signal", 1288},
                     {"error", 1289}};
    for (const auto& o : kOutcomes)
        if (outcome == o.outcome) return o.id;
    return 1287;  // aborted (and a run recorded as interrupted)
}

FeedSources Sources(app::Environment& env, engine::RunFollowers& runs) {
    FeedSources s;
    s.text = [&env](std::int32_t id) { return env.GetResourceText(static_cast<text::ResourceId>(id)); };
    s.outcomeText = [&env](const std::string& outcome) {
        return env.GetResourceText(static_cast<text::ResourceId>(OutcomeTextId(outcome)));
    };
    s.recordPath = [&runs] { return runs.record.FilePath(); };
    s.followLinks = [](const std::string& path) { return platform::CheckLinks(path) == platform::LinkTrust::Follow; };
    s.nowMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    return s;
}

}  // namespace

StatusService::StatusService(app::Environment& env, app::ParameterSet& params, engine::RunEngine& engine,
                             engine::RunFollowers& runs, link::ZentrovaCom* boardLink, ServerLimits limits)
    : env_(env),
      params_(params),
      engine_(engine),
      runs_(runs),
      link_(boardLink),
      feed_(publisher_, Sources(env, runs)),
      server_(publisher_, limits) {
    engine_.Events().Subscribe(this);
}

StatusService::~StatusService() {
    server_.Stop();
    if (link_ != nullptr) link_->SetExchangeTimer(nullptr);
    engine_.Events().Unsubscribe(this);
}

bool StatusService::Start() {
    feed_.SetInstance(env_.ComPortName, std::to_string(env_.VersionMajor) + "." + std::to_string(env_.VersionMinor) +
                                            "." + std::to_string(env_.VersionRevision));
    Refresh();
    feed_.ReadRecord();
    ListenAddress address = DefaultListenAddress(env_.RequestedComPort);
    if (!params_.strStatusListen.empty()) {
        std::string why;
        if (std::optional<ListenAddress> asked = ParseListenAddress(params_.strStatusListen, env_.RequestedComPort, &why)) {
            address = *asked;
        } else {
            // Only the operator can open the page wider; a typo keeps it on this PC.
            env_.LogLine("STATUSLISTEN=" + params_.strStatusListen + " is no address to listen on (" + why +
                         "): the status page stays on " + address.Text());
        }
    }
    if (address.off) {
        env_.LogLine("Status page off (STATUSLISTEN=off)");
        return false;
    }
    std::string why;
    if (!server_.Start(address, &why)) {
        env_.LogLine("Status page not served: " + address.Text() + ": " + why);
        return false;
    }
    if (link_ != nullptr) link_->SetExchangeTimer([this](double seconds) { feed_.RoundTrip(seconds); });
    address.port = server_.Port();
    env_.LogLine("Status page at http://" + address.Text() + "/ (metrics at /metrics)");
    return true;
}

void StatusService::Refresh() {
    // Between runs the page names the shell that is loaded.
    if (!runs_.progress.Running()) feed_.SetShell(params_.CurrentShellFile);
    feed_.SetModel(params_.strModel);
    feed_.SetMetres(params_.fDSU != 0);
    feed_.RefreshTexts();
    ShowCounters();
    NoteLog();
}

void StatusService::SetMachine(engine::MachineKeeper* machine) {
    machine_ = machine;
    ShowCounters();
}

void StatusService::ShowCounters() {
    if (machine_ == nullptr) return;
    const engine::MachineCounters m = machine_->Counters();
    MachineCounters c;
    c.runHours = static_cast<double>(m.runSeconds) / 3600;
    c.tapeFeet = m.tapeInches / 12;
    for (std::size_t i = 0; i < engine::kRunOutcomes.size(); ++i)
        if (m.runs[i] != 0 || i + 1 < engine::kRunOutcomes.size())
            c.runsByOutcome[engine::kRunOutcomes[i].outcome] = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m.runs[i]));
    c.hoursSinceService = static_cast<double>(m.serviceSeconds) / 3600;
    c.tapeFeetSinceService = m.serviceTapeInches / 12;
    if (m.rollTracked) c.rollFeetLeft = m.rollInches / 12;
    feed_.SetCounters(std::move(c));
}

void StatusService::NoteLog() {
    if (logFailureSeen_ || !env_.LogFailed()) return;
    logFailureSeen_ = true;
    feed_.LogFailed();
}

void StatusService::Follow() {
    const engine::RunProgress& p = runs_.progress;
    if (!p.Running()) return;
    const engine::RunGlobals& g = engine_.Globals();
    RunPhase phase = RunPhase::Running;
    if (stopping_) phase = RunPhase::Stopping;
    if (g.RunState == engine::kRunPaused || p.Paused()) phase = RunPhase::Paused;
    if (g.RunState == engine::kRunAbortRequested) phase = RunPhase::Aborting;
    feed_.PhaseChanged(phase);
    const engine::ControllerReport& at = p.LastReport();
    const double queuedInches = g.TotalQueuedDistance * engine_.Geometry().zTapePerStep;
    feed_.LayerQueued(queuedInches > 0 ? p.Plan().LayerAtTape(queuedInches) : 0);
    feed_.MovesQueued(static_cast<std::uint64_t>(std::max<std::int64_t>(0, at.movesQueued)));
    feed_.Progress(static_cast<std::uint64_t>(std::max<std::int64_t>(0, at.movesRun)), p.LaidInches(), p.LayerReached(),
                   p.SecondsLeft());
    NoteLog();
}

void StatusService::RunStarted(bool burnish) {
    const engine::RunProgress& p = runs_.progress;
    stopping_ = false;
    feed_.SetModel(params_.strModel);
    feed_.SetMetres(params_.fDSU != 0);
    feed_.RunStarted(burnish, p.ShellFile(), p.Plan().layers, p.Plan().tapeInches,
                     static_cast<std::uint64_t>(std::max<std::int64_t>(0, p.Plan().moveCount)));
}

void StatusService::LayerStarted(std::int32_t) { Follow(); }
void StatusService::ControllerAt(const engine::ControllerReport&) { Follow(); }

void StatusService::ElapsedChanged(std::int64_t seconds) {
    if (!runs_.progress.Running()) return;
    feed_.Elapsed(seconds);
    ShowCounters();  // the run's hours and tape, the roll going down
    Follow();
}

void StatusService::PauseChanged(bool) { Follow(); }

void StatusService::Stopping() {
    stopping_ = true;
    Follow();
}

void StatusService::RunEnded(engine::RunEnd) {
    const auto& last = runs_.record.LastRun();
    feed_.RunEnded(last ? last->outcome : "aborted");
    ShowCounters();
    NoteLog();
}

void StatusService::RunFailed(std::int32_t number, const std::string&) {
    const std::int32_t board = BoardErrorNumber(number);
    if (board >= 0) feed_.BoardError(board, board == engine::LostMovesError::kNumber);
    // Between runs the error is counted, and no run ends.
    if (runs_.progress.Running() || feed_.Current().phase != RunPhase::Idle) {
        const auto& last = runs_.record.LastRun();
        feed_.RunEnded(last ? last->outcome : "error");
    }
    ShowCounters();
    NoteLog();
}

}  // namespace plyx::status
