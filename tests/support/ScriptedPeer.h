#pragma once
// A stand-in for a controller board on a real pseudo-terminal pair. The
// code under test opens SlavePath() like any serial device; the peer runs
// on its own thread on the master side, answers the requests it is given
// with the bytes it is given (after delays, or not at all), can echo, can
// send garbage, can hang up (close its end: the device vanishes), and
// records every byte it received.
//
//   ScriptedPeer peer;
//   peer.When("-12?", {Send("X,-12\rNAME 2.14\r(c) 2009\r*")});
//   peer.When("R", {Pause(50), Send("*")});
//   peer.When("Q", {Hangup()});
//   ...
//   EXPECT_EQ(peer.Received(), "{}-12?");
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plyx::test {

struct PeerStep {
    enum Kind { kSend, kPause, kHangup } kind = kSend;
    std::string bytes;  // kSend
    int ms = 0;         // kPause
};

inline PeerStep Send(std::string bytes) { return {PeerStep::kSend, std::move(bytes), 0}; }
inline PeerStep Pause(int ms) { return {PeerStep::kPause, {}, ms}; }
inline PeerStep Hangup() { return {PeerStep::kHangup, {}, 0}; }

class ScriptedPeer {
public:
    // Opens the pair (both ends raw) and starts the thread.
    ScriptedPeer();
    // Stops the thread and closes both ends.
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Device path to open ("/dev/pts/N").
    const std::string& SlavePath() const { return slavePath_; }

    // When the bytes received since the last answered request end with
    // `request`, run the steps (and forget those bytes). Rules are tried in
    // the order given; `times` < 0 means every time, otherwise the rule is
    // used up after that many answers. A request nobody answers is silence.
    void When(std::string request, std::vector<PeerStep> steps, int times = -1);
    // Called with the unanswered bytes when no rule matched; may consume
    // them (erase from the string) and return steps to run.
    using Handler = std::function<std::vector<PeerStep>(std::string& pending)>;
    void SetHandler(Handler handler);
    // Echo every received byte straight back (before any answer).
    void SetEcho(bool on);
    // Removes all rules, the handler and echo.
    void Clear();

    // Runs steps at once, not waiting for a request (garbage, a hang-up).
    void Do(std::vector<PeerStep> steps);

    // Every byte received so far / since the last call of TakeReceived.
    std::string Received() const;
    std::string TakeReceived();
    // Waits up to ms for Received() to contain text; true when it does.
    bool WaitForReceived(const std::string& text, int ms = 2000) const;
    // True once the peer has hung up.
    bool HungUp() const;

private:
    struct Rule {
        std::string request;
        std::vector<PeerStep> steps;
        int times;
    };
    void Run();
    void RunSteps(const std::vector<PeerStep>& steps);
    void WriteAll(const std::string& bytes);
    void HangupNow();

    int master_ = -1;
    int slaveHold_ = -1;  // keeps the slave side alive while no one else has it open
    int wakePipe_[2] = {-1, -1};
    std::string slavePath_;
    mutable std::mutex mutex_;
    mutable std::condition_variable received_cv_;
    std::vector<Rule> rules_;
    Handler handler_;
    bool echo_ = false;
    std::vector<std::vector<PeerStep>> queued_;
    std::string received_;
    std::size_t takenUpTo_ = 0;
    std::string pending_;
    bool stop_ = false;
    bool hungUp_ = false;
    std::thread thread_;
};

}  // namespace plyx::test
