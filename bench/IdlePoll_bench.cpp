// bench_poll: the program's CPU time per round trip of the idle wait,
// against a bare loop doing the same exchanges on the same line.
//
// The board is the simulator on its pseudo-terminal (a thread of this
// process) in real time, its queue filled with slow moves: every idle
// query is answered "G0*" and the driver's IdleWait asks again once a
// millisecond, as during a run whose queue is full. Each round runs the
// program's driver, board link and communication log for a number of
// IdleWait(250) calls (what PollWaitForMotorIdle calls), then closes the
// port and replays the exchanges the board saw in that time with a bare
// loop on the same line: write, poll, read until "*", sleep 1 ms. CPU time
// is the calling thread's. Prints one line of key=value figures.
//
//   bench_poll [--latency MS] [--version X.YY] [--rounds N] [--waits N]
//              [--log closed|open|exact] [--baud N]
//
// Under callgrind, '--toggle-collect=*ProgramPolls*' counts the program's
// side alone.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BareReplay.h"
#include "bench/CpuTime.h"
#include "bench/LinkSetup.h"
#include "engine/Controller4Axis.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"

namespace plyx::bench {
namespace {

struct Options {
    int latencyMs = 1;
    std::string version = "5.02";
    int rounds = 8;
    int waits = 8;  // IdleWait(250) calls per round: about 2 s
    std::string log = "open";
    int baud = 115200;
};

struct Phase {
    double wall = 0, cpu = 0, user = 0, sys = 0;
    std::size_t polls = 0;
};

void ThreadUserSys(double* user, double* sys) {
    rusage ru{};
    ::getrusage(RUSAGE_THREAD, &ru);
    *user = static_cast<double>(ru.ru_utime.tv_sec) + static_cast<double>(ru.ru_utime.tv_usec) * 1e-6;
    *sys = static_cast<double>(ru.ru_stime.tv_sec) + static_cast<double>(ru.ru_stime.tv_usec) * 1e-6;
}

// The program's side of one round: the idle waits, nothing else.
__attribute__((noinline)) Phase ProgramPolls(engine::Controller& controller, int waits) {
    Phase p;
    double u0 = 0, s0 = 0, u1 = 0, s1 = 0;
    ThreadUserSys(&u0, &s0);
    const double c0 = ThreadCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < waits; ++i)
        if (controller.WaitIdle(250) != -1) throw std::runtime_error("the board's queue has room: no polling");
    p.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    p.cpu = ThreadCpuSeconds() - c0;
    ThreadUserSys(&u1, &s1);
    p.user = u1 - u0;
    p.sys = s1 - s0;
    return p;
}

// The board forgets what is on the line when the last holder closes it (as
// a real port does); the next holder opens only once it has seen that, or
// the forgetting could take the next holder's first query with it.
void WaitForClose(const sim::Simulator& board) {
    if (!board.WaitFor([](const sim::SimState& s) { return !s.programConnected; }, std::chrono::seconds(2)))
        throw std::runtime_error("the board does not see the port closed");
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Run(const Options& o) {
    sim::SimOptions so;
    so.versionText = o.version;
    so.baud = o.baud;
    so.timeScale = 1;
    so.latencyMs = o.latencyMs;
    sim::Simulator board(so);
    board.Start();

    const std::string work = MakeTempDir("plyx3-pollbench");
    link::CommLog log;
    link::ZentrovaCom boardLink(log);
    BindCom7(boardLink, work, board.DevicePath());
    if (o.log != "closed") {
        log.SetSizeLimit(200u << 20);  // the program's default limit, checked on every line
        log.LogFileOpen(work + (o.log == "exact" ? "/commEXACTTIME.LOG" : "/comm.log"));
    }
    boardLink.PortOpenAndTestWithException("COM7");
    engine::Controller4Axis controller(boardLink);
    controller.SetAutoWait(false);
    // Fill the queue with moves of a minute and more each.
    controller.SetControllerRunRate(-20);
    for (int i = 0; i < 100 && board.State().queueFree > 0; ++i) {
        controller.SetRequestedDelta(2047, 1);
        controller.SetRequestedDelta(0, 2);
        controller.GoToRequested();
    }
    if (board.State().queueFree != 0) throw std::runtime_error("the board's queue does not fill");

    Phase program, bare;
    std::vector<double> ratios;
    std::size_t others = 0;
    for (int round = 0; round < o.rounds; ++round) {
        if (round > 0) boardLink.PortOpen("COM7");
        board.RecordExchanges();
        Phase p = ProgramPolls(controller, o.waits);
        std::vector<sim::Simulator::Exchange> exchanges = board.TakeExchanges();
        boardLink.PortClose();
        WaitForClose(board);
        for (const auto& e : exchanges)
            if (e.replies != 1 || (e.sent != "h" && e.sent != "i")) ++others;
        p.polls = exchanges.size();
        double bu0 = 0, bs0 = 0, bu1 = 0, bs1 = 0;
        ThreadUserSys(&bu0, &bs0);
        BareTimes b = BareReplay(board.DevicePath(), exchanges, 1);
        ThreadUserSys(&bu1, &bs1);
        WaitForClose(board);
        bare.user += bu1 - bu0;
        bare.sys += bs1 - bs0;
        program.wall += p.wall;
        program.cpu += p.cpu;
        program.user += p.user;
        program.sys += p.sys;
        program.polls += p.polls;
        bare.wall += b.wallSeconds;
        bare.cpu += b.cpuSeconds;
        bare.polls += exchanges.size();
        if (b.cpuSeconds > 0 && p.polls > 0) ratios.push_back(p.cpu / b.cpuSeconds);
    }
    if (o.log != "closed") log.LogFileClose();
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);

    const double n = static_cast<double>(program.polls);
    const double nb = static_cast<double>(bare.polls);
    std::printf(
        "latency_ms=%d version=%s log=%s rounds=%d polls=%zu other_exchanges=%zu"
        " program_cpu_us_per_poll=%.2f program_user_us=%.2f program_sys_us=%.2f program_ms_per_poll=%.3f"
        " program_core_share=%.4f bare_cpu_us_per_poll=%.2f bare_user_us=%.2f bare_sys_us=%.2f bare_ms_per_poll=%.3f"
        " bare_core_share=%.4f"
        " ratio=%.3f ratio_median=%.3f ratio_min=%.3f ratio_max=%.3f\n",
        o.latencyMs, o.version.c_str(), o.log.c_str(), o.rounds, program.polls, others, program.cpu / n * 1e6,
        program.user / n * 1e6, program.sys / n * 1e6, program.wall / n * 1e3, program.cpu / program.wall,
        bare.cpu / nb * 1e6, bare.user / nb * 1e6, bare.sys / nb * 1e6, bare.wall / nb * 1e3, bare.cpu / bare.wall, (program.cpu / n) / (bare.cpu / nb),
        Median(ratios), ratios.empty() ? 0 : *std::min_element(ratios.begin(), ratios.end()),
        ratios.empty() ? 0 : *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}

}  // namespace
}  // namespace plyx::bench

int main(int argc, char** argv) {
    plyx::bench::Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "bench_poll: %s needs a value\n", a.c_str());
            return 2;
        }
        const char* v = argv[++i];
        if (a == "--latency") o.latencyMs = std::atoi(v);
        else if (a == "--version") o.version = v;
        else if (a == "--rounds") o.rounds = std::atoi(v);
        else if (a == "--waits") o.waits = std::atoi(v);
        else if (a == "--log") o.log = v;
        else if (a == "--baud") o.baud = std::atoi(v);
        else {
            std::fprintf(stderr, "bench_poll: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (o.log != "closed" && o.log != "open" && o.log != "exact") {
        std::fprintf(stderr, "bench_poll: --log closed, open or exact\n");
        return 2;
    }
    try {
        return plyx::bench::Run(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_poll: %s\n", e.what());
        return 1;
    }
}
