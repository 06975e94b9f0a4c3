// What resuming costs: the run journal on a run's per-move path (a run with
// and without its keeper, against a controller that is always ready), the
// cost of one journal write, and a resume's silent replay of the earlier
// layers of a 600-layer run (the whole resumed run of its last layer, and
// the assessment of the stopped run that the offer makes).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/IdleController.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "engine/plan/JournalKeeper.h"
#include "engine/plan/Resume.h"
#include "engine/plan/RunProgress.h"
#include "engine/plan/RunRecord.h"
#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "text/Resources.h"

namespace {

using namespace plyx;

// Takes every move at once and always has room (moving while it runs,
// paused once asked); reports the head where the moves took it.
class ReadyController final : public engine::IdleController {
public:
    long long goes = 0;
    void GoToRequested() override {
        ++goes;
        x += dx_;
        y += dy_;
    }
    void SetRequestedDelta(std::int32_t steps, std::int32_t motor) override { (motor == 1 ? dx_ : dy_) = steps; }
    std::int32_t WaitIdle(std::int32_t) override { return paused_ ? 3 : 1; }
    std::int32_t GetQueueFree() override { return 25; }
    void PauseController() override { paused_ = true; }
    void ResumeController() override { paused_ = false; }
    void ResetController() override { paused_ = false; }
    std::int32_t ReadSwitchInputs() override { return 15; }
    std::int32_t ReportCurrentX() override { return x; }
    std::int32_t ReportCurrentY() override { return y; }
    bool ReportsPosition() const override { return true; }
    std::int32_t x = 0, y = 0;

private:
    bool paused_ = false;
    std::int32_t dx_ = 0, dy_ = 0;
};

// A program environment in a folder of its own (in /dev/shm when there is
// one, so that the journal's fsync measures the program, not the disk).
struct Bench {
    explicit Bench(std::int64_t tlc, bool onDisk = false) {
        const char* base = !onDisk && std::filesystem::exists("/dev/shm") ? "/dev/shm/plyx3-resume-XXXXXX"
                                                                          : "/tmp/plyx3-resume-XXXXXX";
        std::string tmpl = base;
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        dir = tmpl;
        ::setenv("PLYX3_DOCUMENTS_DIR", dir.c_str(), 1);
        env.ExitHook = [](int) {};
        env.ControllerFamily = engine::kFamily4Axis;
        env.ComPortName = "COM1";
        env.PerPortPrefix = "C1.";
        text::LoadInternalDictionary(tables, "PLYX3");
        params.strModel = "Standard-4Axis.cf";
        params.cTLC = static_cast<std::int16_t>(tlc);
        params.zASAPL = 0;  // every layer the same size
    }
    ~Bench() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string dir;
    platform::Clock& clock = platform::SystemClock();
    link::CommLog log{clock};
    text::TextTables tables;
    platform::ConsoleDialogs dialogs;
    app::Environment env{log, dialogs, clock, tables};
    app::ParameterSet params;
    engine::RunGlobals globals;
    platform::NullEventPump pump;
};

// A full run of range(0) layers with the run's observers, the journal's
// keeper among them (range(1) = 1) or not (0).
void BM_RunWithJournal(benchmark::State& state) {
    Bench b(state.range(0));
    const bool journal = state.range(1) != 0;
    ReadyController ctl;
    long long goes = 0, writes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine::RunEngine engine(b.env, b.params, b.globals, b.pump);
        engine.UseController(&ctl);
        engine::RunProgress progress(b.env, b.params);
        engine::RunRecord record(b.env, b.params, b.globals, progress);
        engine::JournalKeeper keeper(b.env, b.params, progress, record, engine);
        engine.Events().Subscribe(&progress);
        engine.Events().Subscribe(&record);
        if (journal) engine.Events().Subscribe(&keeper);
        progress.UsePlan(engine::RecordRunPlan(b.env, b.params, engine::kFamily4Axis, false));
        ctl.goes = 0;
        ctl.x = ctl.y = 0;  // 32-bit counters: every run from the origin
        state.ResumeTiming();
        engine.StartRun(false);
        state.PauseTiming();
        goes += ctl.goes;
        writes += keeper.Writes();
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["segments"] = static_cast<double>(goes) / runs;
    state.counters["journal_writes"] = static_cast<double>(writes) / runs;
    state.counters["ns_per_segment"] =
        benchmark::Counter(static_cast<double>(goes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunWithJournal)->ArgNames({"tlc", "journal"})->Args({60, 0})->Args({60, 1})->Args({600, 0})->Args({600, 1})
    ->Unit(benchmark::kMillisecond);

// The keeper's part of every queued move alone: after a run of range(0)
// layers (so that its track holds every layer's start), the journal is
// written once for the position and the layer, and every further report of
// the controller only looks whether the layer changed.
void BM_KeeperPerMove(benchmark::State& state) {
    Bench b(state.range(0));
    ReadyController ctl;
    engine::RunEngine engine(b.env, b.params, b.globals, b.pump);
    engine.UseController(&ctl);
    engine::RunProgress progress(b.env, b.params);
    engine::RunRecord record(b.env, b.params, b.globals, progress);
    engine::JournalKeeper keeper(b.env, b.params, progress, record, engine);
    engine.StartRun(false);
    progress.RunStarted(false);
    keeper.RunStarted(false);
    const engine::ControllerReport at{.inches = 1, .layer = 1};
    keeper.ControllerAt(at);
    const std::int64_t writes = keeper.Writes();
    for (auto _ : state) keeper.ControllerAt(at);
    state.counters["writes_in_loop"] = static_cast<double>(keeper.Writes() - writes);
}
BENCHMARK(BM_KeeperPerMove)->ArgName("tlc")->Arg(6)->Arg(600)->Unit(benchmark::kNanosecond);

// One journal write (temporary file, fsync, rename, folder fsync) of a
// journal with a finishing file of 40 lines, in memory (range(0) = 0) or
// on the disk under /tmp (1).
void BM_JournalWrite(benchmark::State& state) {
    Bench b(6, state.range(0) != 0);
    engine::JournalEntry e;
    e.parameters = engine::RunParameters(b.params);
    for (int i = 0; i < 40; ++i) e.finishingLines.push_back("K" + std::to_string(i) + "=1");
    const engine::RunJournal journal(engine::JournalPath(b.env));
    for (auto _ : state) {
        ++e.layerReached;
        if (!journal.Write(e)) state.SkipWithError("journal not written");
    }
}
BENCHMARK(BM_JournalWrite)->ArgName("disk")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A run resumed from its last layer (range(0) layers): the engine runs the
// earlier ones silently, then streams the last.
void BM_ResumeLastLayer(benchmark::State& state) {
    Bench b(state.range(0));
    ReadyController ctl;
    long long goes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine::RunEngine engine(b.env, b.params, b.globals, b.pump);
        engine.UseController(&ctl);
        ctl.goes = 0;
        ctl.x = ctl.y = 0;
        engine::ResumeRequest request;
        request.fromLayer = static_cast<std::int32_t>(state.range(0));
        request.headAtLayerStart = true;
        state.ResumeTiming();
        engine.ResumeRun(false, request);
        state.PauseTiming();
        goes += ctl.goes;
        state.ResumeTiming();
    }
    state.counters["streamed"] = static_cast<double>(goes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ResumeLastLayer)->ArgName("tlc")->Arg(6)->Arg(600)->Unit(benchmark::kMillisecond);

// The offer's look at a stopped run of range(0) layers: the plan made twice
// (once for the layers' starts, once for the moves the head may stand on).
void BM_AssessStoppedRun(benchmark::State& state) {
    Bench b(state.range(0));
    engine::JournalEntry j;
    j.layersPlanned = static_cast<std::int32_t>(state.range(0));
    j.layerReached = j.layersPlanned / 2;
    j.positionKnown = true;
    j.capacity = 25;
    j.parameters = engine::RunParameters(b.params);
    for (auto _ : state) {
        const engine::ResumeSituation s = engine::AssessResume(b.env, b.params, engine::kFamily4Axis, j, std::make_pair(0, 0));
        benchmark::DoNotOptimize(s.trusted);
    }
}
BENCHMARK(BM_AssessStoppedRun)->ArgName("tlc")->Arg(6)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
