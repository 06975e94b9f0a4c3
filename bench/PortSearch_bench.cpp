// Start-up figures that need no window: a full search of the 255 COM
// ports when no controller is present. Variant "silent": that many ports
// exist as devices where nothing answers (a cable with no board), the
// rest map to nothing.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "app/search/PortSearch.h"
#include "bench/PtyResponder.h"
#include "engine/RunState.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "platform/ProcessLauncher.h"
#include "text/Resources.h"

namespace {

using namespace plyx;

void BM_PortSearchNoController(benchmark::State& state) {
    const int silentPorts = static_cast<int>(state.range(0));
    char tmpl[] = "/tmp/plyx3-search-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    std::string dir = tmpl;
    ::setenv("PLYX3_DOCUMENTS_DIR", dir.c_str(), 1);

    platform::Clock& clock = platform::SystemClock();
    link::CommLog log(clock);
    text::TextTables tables;
    platform::ConsoleDialogs dialogs;
    app::Environment env(log, dialogs, clock, tables);
    env.ExitHook = [](int) {};
    app::ParameterSet params;
    engine::RunGlobals globals;
    platform::NullEventPump pump;
    platform::FakeProcessLauncher launcher;

    std::string data = env.GetDataDirectory();
    std::string ports = data + "/ports";
    ::mkdir(ports.c_str(), 0700);
    // Silent devices: a responder whose trigger never comes.
    std::vector<std::unique_ptr<bench::PtyResponder>> silent;
    for (int i = 0; i < silentPorts; ++i) {
        silent.push_back(std::make_unique<bench::PtyResponder>('\x01', ""));
        std::string com = ports + "/COM" + std::to_string(i + 1);
        if (::symlink(silent.back()->DevicePath().c_str(), com.c_str()) != 0) std::abort();
    }

    link::ZentrovaCom boardLink(log, clock);
    platform::serial::PortPaths paths;
    paths.dataDirectory = data;
    paths.devRoot = dir + "/no-dev";  // no real serial devices
    paths.sysRoot = dir + "/no-sys";
    boardLink.SetPortPaths(paths);
    boardLink.SetAutoAwakeFlags(0);
    app::PortSearch search(env, params, globals, boardLink, pump, launcher);

    for (auto _ : state) {
        search.ScanForBoards();
        if (search.ControllersFound() != 0) state.SkipWithError("found a controller");
    }
    state.counters["ports"] = 255;
    state.counters["silent_ports"] = silentPorts;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(BM_PortSearchNoController)
    ->ArgName("silent")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
