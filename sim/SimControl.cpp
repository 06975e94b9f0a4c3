// Control lines for tests, benchmarks and the demo ("press START", ...).
#include <algorithm>
#include <cctype>
#include <sstream>

#include "sim/Simulator.h"

namespace plyx::sim {

namespace {

bool ParseSwitch(std::string name, Switch* out) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (name == "START") *out = Switch::Start;
    else if (name == "PAUSE") *out = Switch::Pause;
    else if (name == "STOP") *out = Switch::Stop;
    else if (name == "BURNISH") *out = Switch::Burnish;
    else return false;
    return true;
}

bool ParseInt(const std::string& text, long long* out) {
    if (text.empty()) return false;
    try {
        size_t used = 0;
        long long v = std::stoll(text, &used, 0);
        if (used != text.size()) return false;
        *out = v;
        return true;
    } catch (...) {
        return false;
    }
}

bool ParseOnOff(const std::string& text, bool* out) {
    if (text == "on" || text == "1") *out = true;
    else if (text == "off" || text == "0") *out = false;
    else return false;
    return true;
}

// "\xNN", "\r", "\n", "\\" escapes so that any byte can be injected.
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out.push_back(s[i]);
            continue;
        }
        char n = s[++i];
        if (n == 'r') out.push_back('\r');
        else if (n == 'n') out.push_back('\n');
        else if (n == 'x' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else out.push_back(n);
    }
    return out;
}

const char* kHelp =
    "press|release NAME, tap NAME MS (NAME: START PAUSE STOP BURNISH), limit BITS, latch [BITS],\n"
    "silent on|off, echo on|off, garbage TEXT, slow MS, drop N, baud N, burst N, latency MS,\n"
    "state, moves, clear-moves, path, register DIR N, unplug, restart, power-cycle, quit";

}  // namespace

std::string Simulator::Control(const std::string& line, bool* quit) {
    std::istringstream in(line);
    std::string cmd, a, b;
    in >> cmd >> a >> b;
    std::transform(cmd.begin(), cmd.end(), cmd.begin(), [](unsigned char c) { return std::tolower(c); });
    long long n = 0;
    bool flag = false;
    Switch sw{};
    if (cmd.empty() || cmd[0] == '#') return "";
    if (cmd == "quit" || cmd == "exit") {
        if (quit) *quit = true;
        return "ok";
    }
    if (cmd == "help") return kHelp;
    if ((cmd == "press" || cmd == "release") && ParseSwitch(a, &sw)) {
        if (cmd == "press") Press(sw);
        else Release(sw);
        return "ok";
    }
    if (cmd == "tap" && ParseSwitch(a, &sw)) {
        long long ms = 300;
        if (!b.empty() && !ParseInt(b, &ms)) return "error: bad time";
        Tap(sw, static_cast<int>(std::clamp<long long>(ms, 0, 3600000)));
        return "ok";
    }
    if (cmd == "limit" && ParseInt(a, &n)) {
        SetLimitInputs(static_cast<uint32_t>(n));
        return "ok";
    }
    if (cmd == "latch") {
        if (a.empty()) n = AbortLatchBit();
        else if (!ParseInt(a, &n)) return "error: bad bits";
        Latch(static_cast<uint32_t>(n));
        return "ok";
    }
    if (cmd == "silent" && ParseOnOff(a, &flag)) { SetSilent(flag); return "ok"; }
    if (cmd == "echo" && ParseOnOff(a, &flag)) { SetEcho(flag); return "ok"; }
    if (cmd == "garbage") {
        std::string rest;
        std::getline(in, rest);
        std::string text = a + (b.empty() ? "" : " " + b) + rest;
        if (text.empty()) return "error: no bytes";
        InjectGarbage(Unescape(text));
        return "ok";
    }
    if (cmd == "slow" && ParseInt(a, &n)) { SetSlowReplies(static_cast<int>(std::clamp<long long>(n, 0, 600000))); return "ok"; }
    if (cmd == "drop" && ParseInt(a, &n)) { DropReplies(static_cast<int>(std::clamp<long long>(n, 0, 1000000))); return "ok"; }
    if (cmd == "baud" && ParseInt(a, &n)) { SetPacing(static_cast<int>(std::clamp<long long>(n, 0, 100000000))); return "ok"; }
    if (cmd == "burst" && ParseInt(a, &n)) { SetBurst(static_cast<int>(std::clamp<long long>(n, 1, 4096))); return "ok"; }
    if (cmd == "latency" && ParseInt(a, &n)) { SetLatency(static_cast<int>(std::clamp<long long>(n, 0, 600000))); return "ok"; }
    if (cmd == "state") return State().ToLine();
    if (cmd == "moves") {
        std::ostringstream o;
        auto moves = Moves();
        o << "moves=" << moves.size();
        for (const MoveRecord& m : moves) {
            o << "\n" << (m.kind == MoveRecord::Arc ? "arc" : "line") << " x=" << m.steps[kX] << " y=" << m.steps[kY]
              << " rate=" << m.rate;
            if (m.steps[kW] != 0 || m.steps[kZ] != 0) o << " w=" << m.steps[kW] << " z=" << m.steps[kZ];
            if (m.boot != 0) o << " boot=" << m.boot;
            o << (m.status == MoveRecord::Ran ? " run" : m.status == MoveRecord::Dropped ? " dropped" : " queued");
        }
        return o.str();
    }
    if (cmd == "clear-moves") { ClearMoves(); return "ok"; }
    if (cmd == "path") return DevicePath();
    if (cmd == "register" && ParseInt(b, &n) && n >= 1 && n <= 255) {
        try {
            return RegisterAsCom(a, static_cast<int>(n));
        } catch (const std::exception& e) {
            return std::string("error: ") + e.what();
        }
    }
    if (cmd == "unplug") { Unplug(); return "ok"; }
    if (cmd == "restart") { Restart(); return "ok"; }
    if (cmd == "power-cycle") { PowerCycle(); return "ok"; }
    return "error: unknown control line (try help)";
}

}  // namespace plyx::sim
