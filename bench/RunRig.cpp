#include "bench/RunRig.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "bench/BareReplay.h"
#include "bench/BoardControl.h"
#include "bench/LinkSetup.h"
#include "engine/Controller4Axis.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "engine/plan/RunFollowers.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "sim/Simulator.h"
#include "status/StatusService.h"
#include "text/Resources.h"

namespace plyx::bench {
namespace {

// Counts the moves the engine queues; everything else passes through.
class CountingController final : public engine::Controller {
public:
    explicit CountingController(engine::Controller& inner) : c_(inner) {}
    std::uint64_t goes = 0;

    void GoToRequested() override { ++goes; c_.GoToRequested(); }
    std::int32_t WaitIdle(std::int32_t ms) override { return c_.WaitIdle(ms); }
    std::int32_t GetQueueFree() override { return c_.GetQueueFree(); }
    void PauseController() override { c_.PauseController(); }
    void ResumeController() override { c_.ResumeController(); }
    void StopController() override { c_.StopController(); }
    void ResetController() override { c_.ResetController(); }
    void SetRequestedDelta(std::int32_t s, std::int32_t m) override { c_.SetRequestedDelta(s, m); }
    void SetControllerRunRate(std::int32_t r) override { c_.SetControllerRunRate(r); }
    void SetControllerStopOKRate(std::int32_t r) override { c_.SetControllerStopOKRate(r); }
    void SetControllerRampRate(std::int32_t r) override { c_.SetControllerRampRate(r); }
    void SetControllerAddressMode(bool a) override { c_.SetControllerAddressMode(a); }
    void SetAutoWait(bool f) override { c_.SetAutoWait(f); }
    void SelectControllerMotor(const std::string& n) override { c_.SelectControllerMotor(n); }
    void SetControllerPulsePolarities(std::int32_t w) override { c_.SetControllerPulsePolarities(w); }
    std::int32_t ReadPulsePolarityWord() override { return c_.ReadPulsePolarityWord(); }
    std::int32_t ReadLimitSwitches() override { return c_.ReadLimitSwitches(); }
    std::int32_t ReadLatchedData() override { return c_.ReadLatchedData(); }
    std::int32_t ReadSwitchInputs() override { return c_.ReadSwitchInputs(); }
    void SetLamps(std::int32_t b) override { c_.SetLamps(b); }
    void SetPortDirections() override { c_.SetPortDirections(); }
    std::int32_t ReportCurrentX() override { return c_.ReportCurrentX(); }
    std::int32_t ReportCurrentY() override { return c_.ReportCurrentY(); }
    bool ReportsPosition() const override { return c_.ReportsPosition(); }

private:
    engine::Controller& c_;
};

struct BoardCounts {
    std::uint64_t in = 0, out = 0, underruns = 0, refused = 0;
};

double ThreadCpu(double* sys, long* waits) {
    rusage ru{};
    ::getrusage(RUSAGE_THREAD, &ru);
    *waits = ru.ru_nvcsw;
    *sys = static_cast<double>(ru.ru_stime.tv_sec) + static_cast<double>(ru.ru_stime.tv_usec) * 1e-6;
    return static_cast<double>(ru.ru_utime.tv_sec) + static_cast<double>(ru.ru_utime.tv_usec) * 1e-6;
}

// One line per block the board read: its bytes (printable ones as they
// are, others as \xNN, a backslash doubled), a tab, the replies it got.
void WriteWire(const std::string& path, const std::vector<sim::Simulator::Exchange>& exchanges) {
    std::ofstream out(path, std::ios::binary);
    if (!out) throw std::runtime_error("cannot write " + path);
    static const char hex[] = "0123456789ABCDEF";
    for (const auto& e : exchanges) {
        for (char c : e.sent) {
            auto b = static_cast<unsigned char>(c);
            if (b == '\\') out << "\\\\";
            else if (b >= 32 && b <= 126) out << c;
            else out << "\\x" << hex[b >> 4] << hex[b & 15];
        }
        out << '\t' << e.replies << '\n';
    }
}

}  // namespace

double RunResult::WireBoundSeconds() const {
    if (baud <= 0) return 0;
    return static_cast<double>(bytesToBoard + bytesFromBoard) * 10.0 / baud;
}

double RunResult::BareWireBoundSeconds() const {
    if (baud <= 0) return 0;
    return static_cast<double>(bareBytesToBoard + bareBytesFromBoard) * 10.0 / baud;
}

std::string RunResult::ToLine() const {
    std::ostringstream o;
    o.precision(6);
    o << "wall_s=" << wallSeconds << " cpu_user_s=" << cpuUserSeconds << " cpu_sys_s=" << cpuSysSeconds
      << " segments=" << segments;
    if (boardStateKnown)
        o << " bytes_to_board=" << bytesToBoard << " bytes_from_board=" << bytesFromBoard << " underruns=" << underruns
          << " refused=" << refusedMoves;
    if (segments > 0) {
        o << " cpu_us_per_segment=" << (cpuUserSeconds + cpuSysSeconds) * 1e6 / static_cast<double>(segments)
          << " waits_per_segment=" << static_cast<double>(waits) / static_cast<double>(segments);
    }
    if (wallSeconds > 0) o << " cpu_share=" << (cpuUserSeconds + cpuSysSeconds) / wallSeconds;
    if (boardStateKnown && baud > 0) {
        o << " baud=" << baud << " wire_bound_s=" << WireBoundSeconds();
        if (wallSeconds > 0) o << " efficiency=" << WireBoundSeconds() / wallSeconds;
    }
    if (bareKnown && baud > 0 && bareWallSeconds > 0 && wallSeconds > 0) {
        double bare = BareWireBoundSeconds() / bareWallSeconds;
        o << " bare_wall_s=" << bareWallSeconds << " bare_wire_bound_s=" << BareWireBoundSeconds()
          << " bare_efficiency=" << bare << " vs_bare=" << WireBoundSeconds() / wallSeconds / bare;
    }
    o << " peak_rss_kb=" << peakRssKb;
    if (statusKnown)
        o << " status_answered=" << statusAnswered << " status_busy=" << statusBusy
          << " status_timed_out=" << statusTimedOut;
    return o.str();
}

RunResult RunFullRun(const RunOptions& options) {
    std::string work = options.workDir.empty() ? MakeTempDir("plyx3-bench") : options.workDir;
    ::setenv("PLYX3_DOCUMENTS_DIR", work.c_str(), 1);

    // The board.
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<BoardControl> control;
    std::string device = options.device;
    if (device.empty()) {
        sim::SimOptions so;
        so.baud = options.baud;
        so.timeScale = options.timeScale;
        so.latencyMs = options.latencyMs;
        so.burstBytes = options.burstBytes;
        so.spinMicros = options.spinMicros;
        so.queueCapacity = options.capacity;
        if (!options.firmwareVersion.empty()) so.versionText = options.firmwareVersion;
        simulator = std::make_unique<sim::Simulator>(so);
        simulator->Start();
        device = simulator->DevicePath();
    } else if (!options.controlSocket.empty()) {
        control = std::make_unique<BoardControl>(options.controlSocket);
    }
    auto boardCounts = [&]() -> std::optional<BoardCounts> {
        if (simulator) {
            sim::Counters c = simulator->State().counters;
            return BoardCounts{c.bytesIn, c.bytesOut, c.underruns, c.refusedMoves};
        }
        if (control) {
            auto s = control->State();
            return BoardCounts{StateNumber(s, "bytes_in"), StateNumber(s, "bytes_out"), StateNumber(s, "underruns"),
                               StateNumber(s, "refused")};
        }
        return std::nullopt;
    };

    // The program's objects, as the windowed program builds them.
    platform::Clock& clock = platform::SystemClock();
    link::CommLog log(clock);
    text::TextTables tables;
    platform::ConsoleDialogs dialogs;
    app::Environment env(log, dialogs, clock, tables);
    env.ExitHook = [](int) {};
    env.ControllerFamily = engine::kFamily4Axis;
    env.ComPortName = "COM7";
    env.PortCaptionPrefix = "COM7: ";
    app::ParameterSet params;
    params.strModel = "Standard-4Axis.cf";
    if (options.tlc > 0) params.cTLC = static_cast<std::int16_t>(options.tlc);
    if (options.trs > 0) params.zTRS = options.trs;
    if (options.asapl >= 0) params.zASAPL = options.asapl;
    engine::RunGlobals globals;
    platform::NullEventPump pump;

    link::ZentrovaCom boardLink(log, clock);
    BindCom7(boardLink, env.GetDataDirectory(), device);
    boardLink.SetEventPump(&pump);
    if (!options.logFile.empty()) log.LogFileOpen(options.logFile);

    // Start-up on the port: identify the board, then the driver and the
    // controller's preparation.
    boardLink.PortOpenAndTestWithException("COM7");
    engine::RunEngine engine(env, params, globals, pump);
    engine::Controller4Axis driver(boardLink, clock);
    CountingController counting(driver);
    engine.UseController(&counting);
    counting.SetAutoWait(false);
    // The run's observers and the status page, as the program has them.
    std::optional<engine::RunFollowers> runs;
    std::optional<status::StatusService> statusPage;
    if (!options.statusListen.empty()) {
        env.RequestedComPort = 7;
        env.PerPortPrefix = "C7.";
        params.strStatusListen = options.statusListen;
        runs.emplace(env, params, engine);
        statusPage.emplace(env, params, engine, *runs, &boardLink);
        if (!statusPage->Start()) throw std::runtime_error("the status page could not listen on " + options.statusListen);
    }
    engine.InitializeController();

    if (simulator) simulator->RecordExchanges();
    std::optional<BoardCounts> before = boardCounts();
    double sys0 = 0;
    long waits0 = 0;
    double user0 = ThreadCpu(&sys0, &waits0);
    auto t0 = std::chrono::steady_clock::now();
    engine.StartRun(false);
    auto t1 = std::chrono::steady_clock::now();
    double sys1 = 0;
    long waits1 = 0;
    double user1 = ThreadCpu(&sys1, &waits1);
    std::optional<BoardCounts> after = boardCounts();

    RunResult r;
    r.wallSeconds = std::chrono::duration<double>(t1 - t0).count();
    r.cpuUserSeconds = user1 - user0;
    r.cpuSysSeconds = sys1 - sys0;
    r.waits = waits1 - waits0;
    r.segments = counting.goes;
    r.baud = options.baud;
    if (before && after) {
        r.boardStateKnown = true;
        r.bytesToBoard = after->in - before->in;
        r.bytesFromBoard = after->out - before->out;
        r.underruns = after->underruns - before->underruns;
        r.refusedMoves = after->refused - before->refused;
    }
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    r.peakRssKb = ru.ru_maxrss;
    if (statusPage) {
        const status::ServerCounts counts = statusPage->Server().Counts();
        r.statusKnown = true;
        r.statusAnswered = counts.answered;
        r.statusBusy = counts.busy;
        r.statusTimedOut = counts.timedOut;
        statusPage.reset();
        runs.reset();
    }

    engine.UseController(nullptr);
    boardLink.PortClose();
    std::vector<sim::Simulator::Exchange> exchanges;
    if (simulator) exchanges = simulator->TakeExchanges();
    if (simulator && !options.wireFile.empty()) WriteWire(options.wireFile, exchanges);
    if (simulator && options.baud > 0 && options.timeScale == 0) {
        // The bare loop on the same line, the moment the program has let go
        // (at instant motion only: in real time the replies wait on motion).
        std::optional<BoardCounts> b0 = boardCounts();
        r.bareWallSeconds = BareReplay(device, exchanges).wallSeconds;
        std::optional<BoardCounts> b1 = boardCounts();
        r.bareKnown = true;
        r.bareBytesToBoard = b1->in - b0->in;
        r.bareBytesFromBoard = b1->out - b0->out;
    }
    if (!options.logFile.empty()) log.LogFileClose();
    if (options.workDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(work, ignored);
    }
    return r;
}

}  // namespace plyx::bench
