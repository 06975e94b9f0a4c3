// How the host side grows with the size of a run: the motion plan, the
// engine's moves and the distance ring against a controller that is always
// ready (no link, no board), for 6, 600 and 6000 layers; and the cost of
// the communication log per logged byte.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/IdleController.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "engine/plan/RunPlan.h"
#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "text/Resources.h"

// ---- heap in use and its peak, counted by the global allocator ----------
namespace {
std::atomic<long long> gHeapNow{0};
std::atomic<long long> gHeapPeak{0};

void* Counted(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) throw std::bad_alloc();
    long long now = gHeapNow += static_cast<long long>(malloc_usable_size(p));
    long long peak = gHeapPeak.load();
    while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now)) {}
    return p;
}
void Uncounted(void* p) noexcept {
    if (p == nullptr) return;
    gHeapNow -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(std::size_t n) { return Counted(n); }
void* operator new[](std::size_t n) { return Counted(n); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }

namespace {

using namespace plyx;

// A controller that takes every move at once and always has room.
class ReadyController final : public engine::IdleController {
public:
    long long goes = 0;
    void GoToRequested() override { ++goes; }
    // Moving with room while it runs; paused once asked (the stop sequence).
    std::int32_t WaitIdle(std::int32_t) override { return paused_ ? 3 : 1; }
    std::int32_t GetQueueFree() override { return 25; }
    void PauseController() override { paused_ = true; }
    void ResumeController() override { paused_ = false; }
    void ResetController() override { paused_ = false; }
    std::int32_t ReadSwitchInputs() override { return 15; }  // all open (active low)

private:
    bool paused_ = false;
};

std::string TempFolder() {
    char tmpl[] = "/tmp/plyx3-growth-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    return tmpl;
}

// A program environment in a folder of its own, with a model and a shell
// of tlc layers that grow by asapl per cent.
struct Bench {
    Bench(std::int64_t tlc, std::int64_t asapl) {
        ::setenv("PLYX3_DOCUMENTS_DIR", dir.c_str(), 1);
        env.ExitHook = [](int) {};
        env.ControllerFamily = engine::kFamily4Axis;
        params.strModel = "Standard-4Axis.cf";
        params.cTLC = static_cast<std::int16_t>(tlc);
        params.zASAPL = static_cast<double>(asapl);
    }
    ~Bench() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string dir = TempFolder();
    platform::Clock& clock = platform::SystemClock();
    link::CommLog log{clock};
    text::TextTables tables;
    platform::ConsoleDialogs dialogs;
    app::Environment env{log, dialogs, clock, tables};
    app::ParameterSet params;
};

// One full run of range(0) layers; range(1) is ASAPL in per cent (0: every
// layer the same size, so the time per layer must stay flat).
void BM_RunPlanAndRing(benchmark::State& state) {
    Bench b(state.range(0), state.range(1));
    app::Environment& env = b.env;
    app::ParameterSet& params = b.params;
    engine::RunGlobals globals;
    platform::NullEventPump pump;
    ReadyController ctl;

    long long goes = 0, peakGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine::RunEngine engine(env, params, globals, pump);
        engine.UseController(&ctl);
        ctl.goes = 0;
        long long base = gHeapNow.load();
        gHeapPeak = base;
        state.ResumeTiming();
        engine.StartRun(false);
        state.PauseTiming();
        goes += ctl.goes;
        peakGrowth = std::max(peakGrowth, gHeapPeak.load() - base);
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["segments"] = static_cast<double>(goes) / runs;
    state.counters["layers"] = static_cast<double>(state.range(0));
    state.counters["ns_per_segment"] =
        benchmark::Counter(static_cast<double>(goes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ns_per_layer"] = benchmark::Counter(static_cast<double>(state.range(0)) * runs,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_heap_growth_kb"] = static_cast<double>(peakGrowth) / 1024.0;
}
BENCHMARK(BM_RunPlanAndRing)
    ->ArgNames({"tlc", "asapl"})
    ->Args({6, 0})->Args({600, 0})->Args({6000, 0})
    ->Args({6, 10})->Args({60, 10})->Args({600, 10})
    ->Unit(benchmark::kMillisecond);

// The plan of a run as the preview, the estimate and the record make it:
// range(0) layers of equal size. Its moves stream through, so the heap it
// takes stops growing once its marks are full (kMaxPlanMarks).
void BM_PlanSummary(benchmark::State& state) {
    Bench b(state.range(0), 0);
    long long moves = 0, peakGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long long base = gHeapNow.load();
        gHeapPeak = base;
        state.ResumeTiming();
        const engine::RunPlan plan = engine::RecordRunPlan(b.env, b.params, engine::kFamily4Axis, false);
        state.PauseTiming();
        moves += plan.moveCount;
        peakGrowth = std::max(peakGrowth, gHeapPeak.load() - base);
        state.ResumeTiming();
    }
    state.counters["moves"] = static_cast<double>(moves) / static_cast<double>(state.iterations());
    state.counters["ns_per_move"] =
        benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_heap_growth_kb"] = static_cast<double>(peakGrowth) / 1024.0;
}
BENCHMARK(BM_PlanSummary)->ArgName("tlc")->Arg(6)->Arg(600)->Arg(6000)->Arg(30000)->Unit(benchmark::kMillisecond);

// The communication log's cost per logged byte: received bytes (one line
// per reply) in normal and exact-time mode, and queued bytes.
void BM_CommLogPerByte(benchmark::State& state) {
    std::string dir = TempFolder();
    const bool exact = state.range(0) != 0;
    const auto type = static_cast<std::int32_t>(state.range(1));
    link::CommLog log;
    log.LogFileOpen(dir + (exact ? "/commEXACTTIME.LOG" : "/comm.log"));
    const std::string reply = "G29*\r\n";
    std::int64_t bytes = 0;
    for (auto _ : state) {
        // A reply's worth of bytes, then an event line as between two commands.
        for (char c : reply) log.LogFileWriteChar(type, static_cast<unsigned char>(c));
        log.LogFileWriteTime(link::kLogSent, "SENDING 3 BYTES OF QUEUED WRITE DATA...");
        bytes += static_cast<std::int64_t>(reply.size());
    }
    log.LogFileClose();
    state.SetBytesProcessed(bytes);
    state.counters["ns_per_logged_byte"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(BM_CommLogPerByte)->ArgNames({"exact", "type"})->Args({0, 2})->Args({1, 2})->Args({0, 4});

}  // namespace

BENCHMARK_MAIN();
