#include "tests/engine/EngineFixture.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/Numbers.h"

namespace plyx::engine::test {

BoardTest::BoardTest() {
    ::setenv("PLYX3_DOCUMENTS_DIR", dir.path().c_str(), 1);
    env = std::make_unique<app::Environment>(log, dialogs, clock, tables);
    env->ControllerFamily = kFamily4Axis;
    params.strModel = "Standard-4Axis.cf";  // runs start only with a model
    text::LoadInternalDictionary(tables, "PLYX3");
    env->ExitHook = [](int) {};
    logPath = dir.File("engine.log");
    log.LogFileOpen(logPath);
    engine = std::make_unique<RunEngine>(*env, params, globals, pump);
    engine->SetViews({&status, &switchDialog, &mainWindow});
    mainWindow.engine = engine.get();
}

BoardTest::~BoardTest() {
    engine->ReleaseDrivers();
    boardLink.reset();
    board.reset();
    engine.reset();
    log.LogFileClose();
    env.reset();
}

void BoardTest::StartBoard(sim::SimOptions options) {
    dataDir = env->GetDataDirectory();
    board = std::make_unique<sim::Simulator>(std::move(options));
    board->Start();
    board->RegisterAsCom(dataDir, 3);
    env->OpenProgramLog("work.log");
    logPath = dataDir + "/" + env->PerPortPrefix + "work.log";
    boardLink = std::make_unique<link::ZentrovaCom>(log);
    platform::serial::PortPaths paths;
    paths.dataDirectory = dataDir;
    paths.sysRoot = dir.File("sys");
    boardLink->SetPortPaths(paths);
    boardLink->PortOpen("COM3");
    engine->CreateDriver(*boardLink);
    engine->InitializeController();
    pump.onDispatch = [this](int n) {
        if (states.empty() || states.back() != globals.RunState) states.push_back(globals.RunState);
        const int lamps = board->State().lamps;
        if (lamps != 0 && (lampsSeen.empty() || lampsSeen.back() != lamps)) lampsSeen.push_back(lamps);
        if (script) script(n);
        if (n > 20000) ReleaseEverything();  // never let a broken run hang the suite
    };
}

void BoardTest::ReleaseEverything() {
    for (sim::Switch s : {sim::Switch::Start, sim::Switch::Pause, sim::Switch::Stop, sim::Switch::Burnish})
        board->Release(s);
    board->SetLimitInputs(0);
}

std::vector<QueuedMove> BoardTest::BoardMoves() const {
    std::vector<QueuedMove> out;
    for (const sim::MoveRecord& m : board->Moves()) out.push_back({m.steps[sim::kX], m.steps[sim::kY], m.rate});
    return out;
}

std::string BoardTest::LogText() {
    log.Flush();
    std::ifstream in(logPath, std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string text;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) text += raw[i + 1] == 0 ? raw[i] : '?';
    return text;
}

void BoardTest::ExpectEveryPlannedMoveRan(const std::vector<QueuedMove>& plan, std::int32_t startStopRate) {
    ExpectPlanThenSlowDown(BoardMoves(), plan, startStopRate);
    const std::vector<sim::MoveRecord> moves = board->Moves();
    std::size_t ran = 0;
    std::array<std::int64_t, 4> sum{};
    for (; ran < moves.size() && moves[ran].status == sim::MoveRecord::Ran; ++ran)
        for (int a : {sim::kX, sim::kY}) sum[a] += moves[ran].steps[a];
    EXPECT_GE(ran, plan.size() + 1) << "moves left unrun";
    for (std::size_t i = ran; i < moves.size(); ++i) EXPECT_EQ(moves[i].status, sim::MoveRecord::Dropped) << i;
    const sim::SimState s = board->State();
    EXPECT_EQ(s.counters.movesRan, ran);
    EXPECT_EQ(s.counters.movesDropped, moves.size() - ran);
    for (int a : {sim::kX, sim::kY}) {
        const std::int64_t rest = s.position[a] - sum[a];
        const std::int64_t cut = ran < moves.size() ? moves[ran].steps[a] : 0;
        EXPECT_TRUE(cut >= 0 ? rest >= 0 && rest <= cut : rest <= 0 && rest >= cut)
            << "axis " << a << ": " << rest << " steps beside the moves run, cut move " << cut;
    }
}

std::vector<QueuedMove> BoardTest::PlannedSegments(bool burnish) const {
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
