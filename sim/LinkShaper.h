#pragma once
// What the serial line between program and board does to the bytes:
// pacing at a baud rate, a fixed reply latency, and injected faults
// (silence, modem echo, garbage, lost and slow replies).  Pure: the caller
// passes the time (seconds on any steady scale) and moves the bytes.
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plyx::sim {

class LinkShaper {
public:
    void SetBaud(int baud) { baud_ = baud < 0 ? 0 : baud; }
    void SetLatencyMs(int ms) { latency_ = ms < 0 ? 0 : ms / 1000.0; }
    void SetSlowGapMs(int ms) { gap_ = ms < 0 ? 0 : ms / 1000.0; }
    void SetSilent(bool on) { silent_ = on; }
    void SetEcho(bool on) { echo_ = on; }
    void InjectGarbage(std::string bytes) { garbage_ = std::move(bytes); }
    void DropReplies(int count) { drop_ = count < 0 ? 0 : count; }
    // Reply bytes handed over together, as a receiver FIFO or a USB
    // adapter's packet does: a piece of up to n bytes becomes visible when
    // its last byte has arrived.  1: every byte on its own.
    void SetBurstBytes(int n) { burst_ = n < 1 ? 1 : n; }
    int burstBytes() const { return burst_; }
    int baud() const { return baud_; }
    bool silent() const { return silent_; }
    bool echo() const { return echo_; }

    // Bytes from the program arriving now.
    void Incoming(double now, std::string_view bytes);
    // Bytes that have reached the board by now (in order).
    std::string DueToBoard(double now);
    // The same with the time each byte arrived, so that a reply leaves when
    // its command ended rather than when the caller got round to it.
    std::vector<std::pair<double, char>> ArrivedAtBoard(double now);
    // A reply the board produced now.
    void Outgoing(double now, std::string reply);
    // Bytes that are on their way to the program and due by now.
    std::string DueToProgram(double now);
    // Earliest time at which something more becomes due; infinity if none.
    double NextDue() const;
    // Drops everything in flight (the cable was pulled).
    void Clear();

private:
    double ByteTime() const { return baud_ > 0 ? 10.0 / baud_ : 0.0; }

    int baud_ = 0;
    double latency_ = 0, gap_ = 0;
    bool silent_ = false, echo_ = false;
    std::string garbage_;
    int drop_ = 0;
    int burst_ = 1;
    std::deque<std::pair<double, char>> toBoard_, toProgram_;
    double lastIn_ = 0, lastOut_ = 0;
};

}  // namespace plyx::sim
