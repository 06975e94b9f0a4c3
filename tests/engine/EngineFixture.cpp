#include "tests/engine/EngineFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/Numbers.h"
#include "tests/support/BoardLink.h"

namespace plyx::engine::test {

EngineTest::EngineTest() {
    ::setenv("PLYX3_DOCUMENTS_DIR", dir.path().c_str(), 1);
    env = std::make_unique<app::Environment>(log, dialogs, clock, tables);
    env->ControllerFamily = kFamily4Axis;
    params.strModel = "Standard-4Axis.cf";  // runs start only with a model
    text::LoadInternalDictionary(tables, "PLYX3");
    env->ExitHook = [](int) {};
    log.LogFileOpen(dir.File("engine.log"));
    engine = std::make_unique<RunEngine>(*env, params, globals, pump);
    engine->SetViews({&status, &switchDialog, &mainWindow});
    mainWindow.engine = engine.get();
}

EngineTest::~EngineTest() {
    engine.reset();
    log.LogFileClose();
    env.reset();
}

bool EngineTest::Logged(const std::string& line) {
    log.Flush();
    const std::string raw = dir.Read("engine.log");
    std::string text;  // the log is UTF-16LE; the engine writes ASCII only
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        if (raw[i + 1] == 0) text += raw[i];
    return text.find("--->" + line + "\r\n") != std::string::npos;
}

SimulatedRunTest::SimulatedRunTest(sim::SimOptions options, std::int32_t family) : sim(std::move(options)) {
    sim.Start();
    link = plyx::test::OpenBoardLink(boardLog, dir, sim.DevicePath(), 3);
    env->ControllerFamily = family;
    engine->CreateDriver(*link);
    engine->InitializeController();
    resetsBefore = sim.State().counters.resets;
    pump.onDispatch = [this](int n) {
        if (states.empty() || states.back() != globals.RunState) states.push_back(globals.RunState);
        int lamps = sim.State().lamps;
        if (lamps != 0 && (lampsSeen.empty() || lampsSeen.back() != lamps)) lampsSeen.push_back(lamps);
        if (script) script(n);
        if (n > 20000) ReleaseEverything();  // never let a broken run hang the suite
    };
}

SimulatedRunTest::~SimulatedRunTest() {
    engine->ReleaseDrivers();
    link.reset();
    sim.Stop();
}

void SimulatedRunTest::ReleaseEverything() {
    for (sim::Switch s : {sim::Switch::Start, sim::Switch::Pause, sim::Switch::Stop, sim::Switch::Burnish})
        sim.Release(s);
    sim.SetLimitInputs(0);
}

std::vector<QueuedMove> SimulatedRunTest::BoardMoves() const {
    std::vector<QueuedMove> out;
    for (const sim::MoveRecord& m : sim.Moves()) out.push_back({m.steps[sim::kX], m.steps[sim::kY], m.rate});
    return out;
}

void SimulatedRunTest::ExpectEveryPlannedMoveRan(const std::vector<QueuedMove>& plan, std::int32_t startStopRate) {
    ExpectPlanThenSlowDown(BoardMoves(), plan, startStopRate);
    const std::vector<sim::MoveRecord> moves = sim.Moves();
    std::size_t ran = 0;
    std::array<std::int64_t, 4> sum{};
    for (; ran < moves.size() && moves[ran].status == sim::MoveRecord::Ran; ++ran)
        for (int a : {sim::kX, sim::kY}) sum[a] += moves[ran].steps[a];
    EXPECT_GE(ran, plan.size() + 1) << "moves left unrun";
    for (std::size_t i = ran; i < moves.size(); ++i) EXPECT_EQ(moves[i].status, sim::MoveRecord::Dropped) << i;
    const sim::SimState s = sim.State();
    EXPECT_EQ(s.counters.movesRan, ran);
    EXPECT_EQ(s.counters.movesDropped, moves.size() - ran);
    for (int a : {sim::kX, sim::kY}) {
        const std::int64_t rest = s.position[a] - sum[a];
        const std::int64_t cut = ran < moves.size() ? moves[ran].steps[a] : 0;
        EXPECT_TRUE(cut >= 0 ? rest >= 0 && rest <= cut : rest <= 0 && rest >= cut)
            << "axis " << a << ": " << rest << " steps beside the moves run, cut move " << cut;
    }
}

long SimulatedRunTest::AbortingShown() const { return std::count(status.calls.begin(), status.calls.end(), "Aborting"); }

std::vector<QueuedMove> EngineTest::PlannedSegments(bool burnish) const {
    app::ParameterSet copy = params;
    PlanRecorder rec;
    RunGeometry g(copy, rec, [](const std::string&) {});
    g.ComputeRunConstants();
    std::int16_t layer = 0;
    g.RunLayers(burnish, &layer);
    return ExpectedSegments(rec.moves, g.zTargetRateScale);
}

void ExpectPlanThenSlowDown(const std::vector<QueuedMove>& queued, const std::vector<QueuedMove>& plan,
                            std::int32_t startStopRate) {
    ASSERT_EQ(queued.size(), plan.size() + 3);
    EXPECT_EQ(std::vector<QueuedMove>(queued.begin(), queued.begin() + static_cast<std::ptrdiff_t>(plan.size())),
              plan);
    EXPECT_EQ(queued[plan.size()], (QueuedMove{10, -10, -startStopRate}));
    for (std::size_t i = plan.size(); i < queued.size(); ++i) EXPECT_EQ(queued[i].rate, -startStopRate) << i;
}

std::vector<QueuedMove> ExpectedSegments(const std::vector<std::array<double, 3>>& lineMoves, double rateScale) {
    std::vector<QueuedMove> out;
    for (const auto& [dx, dy, rate] : lineMoves) {
        double largest = std::max(std::fabs(dx), std::fabs(dy));
        if (largest == 0) continue;
        auto lX = static_cast<std::int32_t>(app::RoundHalfEven(dx));
        auto lY = static_cast<std::int32_t>(app::RoundHalfEven(dy));
        auto r = static_cast<std::int32_t>(app::RoundHalfEven(largest * rateScale * rate / std::sqrt(dx * dx + dy * dy)));
        std::int32_t lMax = std::max(std::abs(lX), std::abs(lY));
        std::int32_t n = lMax <= 2047 ? 1 : lMax / 2046 + 1;
        for (; n >= 1; --n) {
            std::int32_t sX = n == 1 ? lX : lX / n;
            std::int32_t sY = n == 1 ? lY : lY / n;
            out.push_back({sX, sY, -r});
            lX -= sX;
            lY -= sY;
        }
    }
    return out;
}

}  // namespace plyx::engine::test
