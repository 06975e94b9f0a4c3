// The pseudo-terminal server around the board engine: one thread reads the
// program's bytes, runs them through the line model and the board, and
// writes the replies back when they are due.
#include "sim/Simulator.h"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "sim/Board.h"
#include "sim/LinkShaper.h"
#include "sim/PtyPort.h"

namespace plyx::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Longest the server sleeps between looks at the board and the clock.
constexpr double kMaxPollSeconds = 0.005;

}  // namespace

struct Simulator::Impl {
    SimOptions options;
    mutable std::mutex m;
    // Start, stop and unplug come from the control lines and the panel's
    // thread alike: one at a time, so the serving thread is joined once.
    std::mutex life;
    std::unique_ptr<Board> board;
    LinkShaper shaper;
    PtyPort port;
    std::thread thread;
    std::atomic<bool> running{false};
    Clock::time_point start = Clock::now();
    double lastAdvance = 0;
    std::vector<std::pair<double, int>> releases;  // (time, switch bits)
    uint64_t bytesIn = 0, bytesOut = 0;
    bool connected = false;
    std::string pendingOut;  // written when the pty has room again
    // The record of exchanges: blocks read, and where each block ends in
    // the stream of bytes that reach the board.
    bool recording = false;
    std::vector<Exchange> exchanges;
    std::vector<uint64_t> exchangeEnds;
    uint64_t recordedIn = 0, recordedAtBoard = 0;
    size_t currentExchange = 0;

    void RecordReply() {
        while (currentExchange < exchangeEnds.size() && recordedAtBoard > exchangeEnds[currentExchange])
            ++currentExchange;
        if (currentExchange < exchanges.size()) ++exchanges[currentExchange].replies;
    }

    double Now() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

    // Board time, releases and line model; returns bytes to write now.
    std::string Step(double now) {
        std::lock_guard<std::mutex> lock(m);
        if (options.timeScale > 0) {
            board->Advance((now - lastAdvance) / options.timeScale);
        } else {
            board->Advance(0);
        }
        lastAdvance = now;
        for (auto it = releases.begin(); it != releases.end();) {
            if (it->first <= now) {
                board->SetSwitch(it->second, false);
                it = releases.erase(it);
            } else {
                ++it;
            }
        }
        // Byte by byte, so that each reply leaves when its command ended on
        // the line, however late this thread woke up.
        for (auto& [arrived, c] : shaper.ArrivedAtBoard(now)) {
            board->Receive(std::string_view(&c, 1));
            if (recording) ++recordedAtBoard;
            for (std::string& r : board->TakeReplies()) {
                if (recording) RecordReply();
                shaper.Outgoing(arrived, std::move(r));
            }
        }
        return shaper.DueToProgram(now);
    }

    double NextWake(double now) const {
        std::lock_guard<std::mutex> lock(m);
        double next = shaper.NextDue();
        for (auto& r : releases) next = std::min(next, r.first);
        double wait = next - now;
        if (!(wait < kMaxPollSeconds)) wait = kMaxPollSeconds;
        return wait < 0 ? 0 : wait;
    }

    void Serve() {
        // The default timer slack (50 us) would stretch every paced wait.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        char buf[512];
        const int master = port.master();
        const double spin = options.spinMicros / 1e6;
        double listenUntil = 0;
        while (running.load()) {
            double now = Now();
            std::string out = Step(now);
            {
                std::lock_guard<std::mutex> lock(m);
                bool closed = false;
                connected = port.ReadNotices(&closed);
                if (!connected || closed) {
                    // The port was closed: what was on its way is lost, as
                    // on a real line.
                    shaper.Clear();
                    out.clear();
                    pendingOut.clear();
                }
            }
            pendingOut += out;
            if (!pendingOut.empty()) {
                ssize_t n = ::write(master, pendingOut.data(), pendingOut.size());
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(m);
                    bytesOut += static_cast<uint64_t>(n);
                    pendingOut.erase(0, static_cast<size_t>(n));
                }
            }
            // A byte at 115200 baud lasts 87 us: wait to the microsecond, not
            // to the next whole millisecond, or the line runs slow.
            double now2 = Now();
            double wait = NextWake(now2);
            if (spin > 0) {
                // A wake-up comes tens of microseconds late: sleep short of
                // the moment and look without sleeping for the rest, and
                // likewise while the program's next command is due.
                if (!out.empty() && pendingOut.empty()) listenUntil = now2 + spin;
                wait = now2 < listenUntil ? 0 : std::max(0.0, wait - spin);
            }
            timespec timeout{0, static_cast<long>(std::ceil(wait * 1e9))};
            pollfd p[2] = {{master, POLLIN, 0}, {port.notices(), POLLIN, 0}};
            int r = ::ppoll(p, port.notices() >= 0 ? 2 : 1, &timeout, nullptr);
            if (r < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (r == 0 || !(p[0].revents & POLLIN)) continue;
            listenUntil = 0;
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(m);
                bool closed = false;
                connected = port.ReadNotices(&closed);
                if (closed) shaper.Clear();
                bytesIn += static_cast<uint64_t>(n);
                // Bytes of a session that has ended reach no board.
                if (connected) {
                    shaper.Incoming(Now(), std::string_view(buf, static_cast<size_t>(n)));
                    if (recording) {
                        recordedIn += static_cast<uint64_t>(n);
                        exchanges.push_back({std::string(buf, static_cast<size_t>(n)), 0});
                        exchangeEnds.push_back(recordedIn);
                    }
                }
            }
        }
    }
};

Simulator::Simulator(SimOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = options;
    impl_->board = Board::Create(options);
    impl_->shaper.SetBaud(options.baud);
    impl_->shaper.SetLatencyMs(options.latencyMs);
    impl_->shaper.SetBurstBytes(options.burstBytes);
}

Simulator::~Simulator() {
    Stop();
    impl_->port.Close();
}

void Simulator::Start() {
    std::lock_guard<std::mutex> life(impl_->life);
    if (impl_->running.load()) return;
    if (!impl_->port.IsOpen()) impl_->port.Open();
    impl_->start = Clock::now();
    impl_->lastAdvance = 0;
    impl_->running = true;
    impl_->thread = std::thread([this] { impl_->Serve(); });
}

void Simulator::Stop() {
    std::lock_guard<std::mutex> life(impl_->life);
    impl_->running = false;
    if (impl_->thread.joinable()) impl_->thread.join();
}

void Simulator::Unplug() {
    std::lock_guard<std::mutex> life(impl_->life);
    impl_->running = false;
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_->port.Close();
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.Clear();
    impl_->connected = false;
}

bool Simulator::Running() const { return impl_->running.load(); }

std::string Simulator::DevicePath() const { return impl_->port.path(); }

std::string Simulator::RegisterAsCom(const std::string& dataDirectory, int n) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(dataDirectory) / "ports";
    fs::create_directories(dir);
    fs::path link = dir / ("COM" + std::to_string(n));
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(impl_->port.path(), link);
    return link.string();
}

void Simulator::Press(Switch s) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->SetSwitch(static_cast<int>(s), true);
}

void Simulator::Release(Switch s) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->SetSwitch(static_cast<int>(s), false);
}

void Simulator::Tap(Switch s, int ms) {
    double due = impl_->Now() + (ms < 0 ? 0 : ms) / 1000.0;
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->SetSwitch(static_cast<int>(s), true);
    impl_->releases.emplace_back(due, static_cast<int>(s));
}

void Simulator::Restart() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->Restart();
}

void Simulator::PowerCycle() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->PowerCycle();
}

void Simulator::SetLimitInputs(uint32_t tripped) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->SetLimitInputs(tripped);
}

void Simulator::Latch(uint32_t bits) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->Latch(bits);
}

uint32_t Simulator::AbortLatchBit() const { return impl_->board->AbortLatchBit(); }

void Simulator::SetSilent(bool on) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetSilent(on);
}

void Simulator::InjectGarbage(std::string bytes) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.InjectGarbage(std::move(bytes));
}

void Simulator::SetEcho(bool on) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetEcho(on);
}

void Simulator::SetSlowReplies(int gapMs) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetSlowGapMs(gapMs);
}

void Simulator::DropReplies(int count) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.DropReplies(count);
}

void Simulator::RecordExchanges() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->recording = true;
    impl_->exchanges.clear();
    impl_->exchangeEnds.clear();
    impl_->recordedIn = impl_->recordedAtBoard = 0;
    impl_->currentExchange = 0;
}

std::vector<Simulator::Exchange> Simulator::TakeExchanges() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->recording = false;
    impl_->exchangeEnds.clear();
    return std::exchange(impl_->exchanges, {});
}

void Simulator::SetPacing(int baud) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetBaud(baud);
}

void Simulator::SetBurst(int bytes) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetBurstBytes(bytes);
}

void Simulator::SetLatency(int ms) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->shaper.SetLatencyMs(ms);
}

SimState Simulator::State() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    SimState s = impl_->board->State();
    s.counters.bytesIn = impl_->bytesIn;
    s.counters.bytesOut = impl_->bytesOut;
    s.programConnected = impl_->connected;
    return s;
}

std::vector<MoveRecord> Simulator::Moves() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    return impl_->board->Moves();
}

void Simulator::ClearMoves() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->board->ClearMoves();
}

bool Simulator::WaitFor(const std::function<bool(const SimState&)>& pred,
                        std::chrono::milliseconds timeout) const {
    auto end = Clock::now() + timeout;
    for (;;) {
        if (pred(State())) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace plyx::sim
