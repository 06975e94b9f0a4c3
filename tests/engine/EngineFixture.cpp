#include "tests/engine/EngineFixture.h"

#include <cmath>
#include <cstdlib>

#include "app/Numbers.h"

namespace plyx::engine::test {

void FakeController::GoToRequested() {
    Record("GoToRequested()");
    moves.push_back({pendingX_, pendingY_, rate_});
    moving = true;
}

std::int32_t FakeController::WaitIdle(std::int32_t ms) {
    ++waitIdleCalls;
    Record("WaitIdle", ms);
    if (onWaitIdle) {
        if (std::optional<std::int32_t> code = onWaitIdle(*this)) return *code;
    }
    if (stopped) return 4;
    if (paused) return 3;
    if (!moving) return 0;
    return queueInUse < capacity ? 1 : -1;
}

void FakeController::ResetController() {
    Record("ResetController()");
    moving = paused = stopped = false;
    queueInUse = 0;
}

void FakeController::SetRequestedDelta(std::int32_t steps, std::int32_t motor) {
    Record("SetRequestedDelta(" + std::to_string(steps) + "," + std::to_string(motor) + ")");
    (motor == 1 ? pendingX_ : pendingY_) = steps;
}

std::vector<std::string> FakeController::CallsStartingWith(const std::string& prefix, std::size_t from) const {
    std::vector<std::string> out;
    for (std::size_t i = from; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) out.push_back(calls[i]);
    return out;
}

EngineTest::EngineTest() {
    ::setenv("PLYX3_DOCUMENTS_DIR", dir.path().c_str(), 1);
    env = std::make_unique<app::Environment>(log, dialogs, clock, tables);
    env->ControllerFamily = kFamily4Axis;
    params.strModel = "Standard-4Axis.cf";  // runs start only with a model
    text::LoadInternalDictionary(tables, "PLYX3");
    env->ExitHook = [](int) {};
    log.LogFileOpen(dir.File("engine.log"));
    engine = std::make_unique<RunEngine>(*env, params, globals, pump);
    engine->UseController(&ctl);
    engine->SetViews({&status, &switchDialog, &mainWindow});
    mainWindow.engine = engine.get();
}

EngineTest::~EngineTest() {
    engine.reset();
    log.LogFileClose();
    env.reset();
}

std::vector<std::string> EngineTest::LogLines() {
    log.Flush();
    std::string raw = dir.Read("engine.log");
    std::string text;  // the log is UTF-16LE; the engine writes ASCII only
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        if (raw[i + 1] == 0) text += raw[i];
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while ((pos = text.find("--->", pos)) != std::string::npos) {
        pos += 4;
        std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    }
    return lines;
}

std::vector<std::string> EngineTest::LogLinesStartingWith(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : LogLines())
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

bool EngineTest::Logged(const std::string& line) {
    for (const std::string& l : LogLines())
        if (l == line) return true;
    return false;
}

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
