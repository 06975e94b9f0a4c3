// The status page's view of whole runs on the simulated board: what the
// snapshot says at each turn of a run's waits, and after it.
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "engine/plan/RunFollowers.h"
#include "link/BoardLinkError.h"
#include "status/StatusService.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

using status::RunPhase;

struct StatusServiceTest : SimulatedRunTest {
    StatusServiceTest() {
        params.cTLC = 3;
        env->ComPortName = "COM3";
        env->PerPortPrefix = "C3.";
        env->RequestedComPort = 3;
        params.strStatusListen = "127.0.0.1:0";
    }
    // The phases the snapshot went through (each once in a row), and its state texts.
    void Follow(status::StatusService& service) {
        script = [this, &service, previous = script](int n) {
            if (previous) previous(n);
            const status::StatusSnapshot& s = service.Feed().Current();
            if (phases.empty() || phases.back() != s.phase) {
                phases.push_back(s.phase);
                texts.push_back(s.stateText);
            }
            layersSeen = std::max(layersSeen, s.layerRunning);
            queuedAhead = queuedAhead || s.layerQueued < s.layerRunning;
        };
    }
    // The log's line (the last one may still wait for its line end).
    bool Logged(const std::string& line) {
        const std::string text = LogText();
        const std::size_t at = text.find("--->" + line);
        return at != std::string::npos &&
               (at + 4 + line.size() == text.size() || text.compare(at + 4 + line.size(), 2, "\r\n") == 0);
    }
    std::vector<RunPhase> phases;
    std::vector<std::string> texts;
    std::int32_t layersSeen = 0;
    bool queuedAhead = false;
};

TEST_F(StatusServiceTest, FollowsARunThroughItsPauseAndAnAbortedOne) {
    RunFollowers runs(*env, params, *engine);
    status::StatusService service(*env, params, *engine, runs, boardLink.get());
    ASSERT_TRUE(service.Start());
    EXPECT_TRUE(Logged("Status page at http://127.0.0.1:" + std::to_string(service.Server().Port()) +
                       "/ (metrics at /metrics)"));
    script = [&](int n) {
        if (n == 20) engine->PauseRun();
        if (n == 25) engine->RestartRun();
    };
    Follow(service);
    engine->StartRun(false);
    const status::StatusSnapshot done = service.Feed().Current();
    phases.push_back(done.phase);
    texts.push_back(done.stateText);
    EXPECT_EQ(phases, (std::vector<RunPhase>{RunPhase::Running, RunPhase::Paused, RunPhase::Running,
                                             RunPhase::Stopping, RunPhase::Idle}));
    EXPECT_EQ(texts, (std::vector<std::string>{env->GetResourceText(1280), env->GetResourceText(1281),
                                               env->GetResourceText(1280), env->GetResourceText(1282),
                                               env->GetResourceText(1283)}));
    EXPECT_FALSE(queuedAhead);  // the program queues at or ahead of the controller
    EXPECT_EQ(done.layersPlanned, 3);
    EXPECT_EQ(done.layerRunning, 3);
    EXPECT_EQ(done.movesRun, done.movesQueued);
    EXPECT_GT(done.movesRun + 5, done.movesPlanned);
    EXPECT_NEAR(done.tapeLaidInches, done.tapePlannedInches, 6.0);
    EXPECT_DOUBLE_EQ(done.totalTapeInches, done.tapeLaidInches);
    EXPECT_GT(done.linkRoundTrip.count, done.movesQueued);  // every move is at least one short command
    EXPECT_EQ(done.runsByOutcome.at("completed"), 1u);

    // An abort from the window: aborting, then idle, and told so.
    phases.clear();
    texts.clear();
    script = [&](int n) {
        if (n == 10) {
            runs.record.NoteAbortFromWindow();
            engine->AbortRun();
        }
    };
    Follow(service);
    pump.dispatches = 0;
    engine->StartRun(false);
    const status::StatusSnapshot& aborted = service.Feed().Current();
    EXPECT_EQ(aborted.phase, RunPhase::Idle);
    EXPECT_NE(std::find(phases.begin(), phases.end(), RunPhase::Aborting), phases.end());
    EXPECT_EQ(aborted.stateText, env->GetResourceText(1284));
    EXPECT_EQ(aborted.runsByOutcome.at("aborted from the window"), 1u);
    EXPECT_GT(aborted.totalTapeInches, done.totalTapeInches);
    // The last runs, newest first, from the record the program wrote.
    ASSERT_EQ(aborted.lastRuns.size(), 2u);
    EXPECT_EQ(aborted.lastRuns[0].outcome, "aborted from the window");
    EXPECT_EQ(aborted.lastRuns[0].outcomeText, env->GetResourceText(1284));
    EXPECT_EQ(aborted.lastRuns[1].layersReached, 3);
}

TEST_F(StatusServiceTest, CountsErrorsByNumberAndLostMoves) {
    RunFollowers runs(*env, params, *engine);
    status::StatusService service(*env, params, *engine, runs, nullptr);
    const auto board = [](std::int32_t n) { return static_cast<std::int32_t>(link::kBoardLinkErrorBase + n); };
    engine->Events().RunStarted(false);
    engine->Events().RunFailed(board(10), "Error 10 reported by RunEngine.CheckMovesRan");
    // Between runs an error is counted; no run ends.
    engine->Events().RunFailed(board(7), "Error 7");
    engine->Events().RunFailed(13, "Type mismatch");
    const status::StatusSnapshot& s = service.Feed().Current();
    EXPECT_EQ(s.boardErrors, (std::map<std::int32_t, std::uint64_t>{{7, 1}, {10, 1}}));
    EXPECT_EQ(s.lostMoveDetections, 1u);
    EXPECT_EQ(s.runsByOutcome, (std::map<std::string, std::uint64_t>{{"error", 1}}));
    EXPECT_EQ(s.phase, RunPhase::Idle);
    EXPECT_EQ(s.stateText, env->GetResourceText(1289));
    EXPECT_EQ(status::BoardErrorNumber(board(1)), 1);
    EXPECT_EQ(status::BoardErrorNumber(0), -1);
}

TEST_F(StatusServiceTest, WithoutItsPortOrWhenToldOffThereIsNoPageAndTheProgramGoesOn) {
    RunFollowers runs(*env, params, *engine);
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ::getsockname(taken, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string port = std::to_string(ntohs(a.sin_port));
    const struct {
        std::string listen, logged;
    } cases[] = {
        {"127.0.0.1:" + port, "Status page not served: 127.0.0.1:" + port + ": Address already in use"},
        {"off", "Status page off (STATUSLISTEN=off)"},
        {"OFF", "Status page off (STATUSLISTEN=off)"},
    };
    for (const auto& c : cases) {
        params.strStatusListen = c.listen;
        status::StatusService service(*env, params, *engine, runs, boardLink.get());
        EXPECT_FALSE(service.Start()) << c.listen;
        EXPECT_TRUE(Logged(c.logged)) << c.logged;
        EXPECT_FALSE(service.Server().Running());
    }
    ::close(taken);
    // A STATUSLISTEN that names no address keeps the page on this computer.
    params.strStatusListen = "shop-pc:9303";
    status::StatusService service(*env, params, *engine, runs, boardLink.get());
    service.Start();
    EXPECT_TRUE(Logged("STATUSLISTEN=shop-pc:9303 is no address to listen on (no numeric IPv4 address (an IPv6 one "
                       "goes in brackets)): the status page stays on 127.0.0.1:9303"));
    engine->StartRun(false);  // the run goes on whatever the page does
    EXPECT_EQ(service.Feed().Current().runsByOutcome.at("completed"), 1u);
}

}  // namespace
}  // namespace plyx::engine::test
