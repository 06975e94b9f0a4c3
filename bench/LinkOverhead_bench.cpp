// What the board link costs on top of the bytes it moves: one short
// command and its reply ("h" -> "I30*") through ZentrovaCom, against the
// same exchange written directly on the file descriptor. The board is an
// instant responder on a pseudo-terminal, so only the host side is timed.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CpuTime.h"
#include "bench/LinkSetup.h"
#include "bench/PtyResponder.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"

namespace {

using plyx::bench::PtyResponder;
using plyx::bench::ThreadCpuSeconds;
using Clock = std::chrono::steady_clock;

constexpr char kCommand = 'h';
const std::string kReply = "I30*";

// The minimal loop: write the command, read until "*".
class BareLoop {
public:
    explicit BareLoop(const std::string& path) : fd_(plyx::bench::OpenRaw(path)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    }
    ~BareLoop() { ::close(fd_); }
    __attribute__((noinline)) void RoundTrip() {
        if (::write(fd_, &kCommand, 1) != 1) throw std::runtime_error("write");
        char buf[64];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) throw std::runtime_error("no reply");
            ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) throw std::runtime_error("read");
            if (buf[n - 1] == '*') return;
        }
    }

private:
    int fd_;
};

// A board link on its own data directory, COM7 linked to the responder.
class LinkRig {
public:
    explicit LinkRig(const std::string& device) {
        dir_ = plyx::bench::MakeTempDir("plyx3-linkbench");
        link_ = std::make_unique<plyx::link::ZentrovaCom>(log_);
        plyx::bench::BindCom7(*link_, dir_, device);
        link_->PortOpen("COM7");
    }
    ~LinkRig() {
        link_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    // With the program's default size limit, so that its per-line check is counted.
    void OpenLog() {
        log_.SetSizeLimit(200u << 20);
        log_.LogFileOpen(dir_ + "/comm.log");
    }
    void CloseLog() { log_.LogFileClose(); }
    __attribute__((noinline)) void RoundTrip() {
        if (link_->StringWriteCommandSequence("h") != 0) throw std::runtime_error("bad reply");
    }

private:
    std::string dir_;
    plyx::link::CommLog log_;
    std::unique_ptr<plyx::link::ZentrovaCom> link_;
};

void BM_BareRoundTrip(benchmark::State& state) {
    PtyResponder board(kCommand, kReply);
    BareLoop bare(board.DevicePath());
    for (auto _ : state) bare.RoundTrip();
}
BENCHMARK(BM_BareRoundTrip)->UseRealTime();
// Fixed counts for instruction counting under callgrind.
BENCHMARK(BM_BareRoundTrip)->Iterations(2000)->UseRealTime();

void BM_LinkRoundTrip(benchmark::State& state) {
    PtyResponder board(kCommand, kReply);
    LinkRig rig(board.DevicePath());
    if (state.range(0) != 0) rig.OpenLog();
    for (auto _ : state) rig.RoundTrip();
    if (state.range(0) != 0) rig.CloseLog();
}
BENCHMARK(BM_LinkRoundTrip)->ArgName("log")->Arg(0)->Arg(1)->UseRealTime();
BENCHMARK(BM_LinkRoundTrip)->ArgName("log")->Arg(0)->Arg(1)->Iterations(2000)->UseRealTime();

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The three kinds side by side: batches of each in turn, so that the
// machine's other load falls on all of them alike. Counters: the median
// of the per-round ratios against the bare loop.
void BM_LinkOverheadSideBySide(benchmark::State& state) {
    const int batch = static_cast<int>(state.range(0));
    PtyResponder bareBoard(kCommand, kReply), linkBoard(kCommand, kReply);
    BareLoop bare(bareBoard.DevicePath());
    LinkRig rig(linkBoard.DevicePath());
    std::vector<double> closedRatios, openRatios, closedCpuRatios, openCpuRatios;
    double bareTotal = 0, closedTotal = 0, openTotal = 0;
    double bareCpu = 0, closedCpu = 0, openCpu = 0;
    double cpu = 0;  // thread CPU time of the last batch
    auto timed = [&](auto&& fn) {
        double c0 = ThreadCpuSeconds();
        auto t0 = Clock::now();
        for (int i = 0; i < batch; ++i) fn();
        double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        cpu = ThreadCpuSeconds() - c0;
        return wall;
    };
    int round = 0;
    for (auto _ : state) {
        double tb = 0, tc = 0, to = 0, cb = 0, cc = 0, co = 0;
        // Rotate the order so that no kind always runs first.
        for (int k = 0; k < 3; ++k) {
            switch ((round + k) % 3) {
                case 0: tb = timed([&] { bare.RoundTrip(); }); cb = cpu; break;
                case 1: tc = timed([&] { rig.RoundTrip(); }); cc = cpu; break;
                default:
                    state.PauseTiming();
                    rig.OpenLog();
                    state.ResumeTiming();
                    to = timed([&] { rig.RoundTrip(); });
                    co = cpu;
                    state.PauseTiming();
                    rig.CloseLog();
                    state.ResumeTiming();
                    break;
            }
        }
        ++round;
        bareTotal += tb;
        closedTotal += tc;
        openTotal += to;
        closedRatios.push_back(tc / tb);
        openRatios.push_back(to / tb);
        bareCpu += cb;
        closedCpu += cc;
        openCpu += co;
        closedCpuRatios.push_back(cc / cb);
        openCpuRatios.push_back(co / cb);
    }
    const double trips = static_cast<double>(batch) * static_cast<double>(round);
    state.counters["bare_us"] = bareTotal / trips * 1e6;
    state.counters["log_closed_us"] = closedTotal / trips * 1e6;
    state.counters["log_open_us"] = openTotal / trips * 1e6;
    state.counters["ratio_log_closed"] = Median(closedRatios);
    state.counters["ratio_log_open"] = Median(openRatios);
    // The calling thread's CPU time (user + system) per round trip: the
    // host's own work, without the waits that the machine's load stretches.
    state.counters["bare_cpu_us"] = bareCpu / trips * 1e6;
    state.counters["log_closed_cpu_us"] = closedCpu / trips * 1e6;
    state.counters["log_open_cpu_us"] = openCpu / trips * 1e6;
    state.counters["cpu_ratio_log_closed"] = Median(closedCpuRatios);
    state.counters["cpu_ratio_log_open"] = Median(openCpuRatios);
}
BENCHMARK(BM_LinkOverheadSideBySide)->ArgName("batch")->Arg(500)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
