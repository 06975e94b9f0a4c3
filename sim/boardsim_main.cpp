// boardsim: a controller board on a pseudo-terminal.  Prints the device
// path of the program's end, then reads control lines from standard input
// and, with --control PATH, from clients of a unix socket.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sim/Simulator.h"
#include "sim/panel/PanelApp.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char c = 1;
    ssize_t ignored = ::write(g_signalPipe[1], &c, 1);
    (void)ignored;
}

const char* kUsage =
    "usage: boardsim [--firmware NAME] [--version X.YY] [--family 4|2] [--capacity N]\n"
    "                [--time-scale S] [--baud N] [--burst N] [--latency MS]\n"
    "                [--datadir DIR --com N]\n"
    "                [--auto-start] [--control SOCKET] [--panel]\n";

bool ToInt(const char* s, long lo, long hi, int* out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

int Fail(const std::string& msg) {
    std::cerr << "boardsim: " << msg << "\n" << kUsage;
    return 2;
}

// Splits complete lines off buffer.
std::vector<std::string> TakeLines(std::string& buffer) {
    std::vector<std::string> lines;
    size_t pos;
    while ((pos = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        buffer.erase(0, pos + 1);
    }
    // A client that never ends its line cannot grow us without bound.
    if (buffer.size() > 4096) buffer.clear();
    return lines;
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}

// What the command line asks for.
struct Options {
    plyx::sim::SimOptions sim;
    std::string datadir, controlPath;
    int com = 0;
    bool panel = false;
};

// Reads the command line into o. -1 to go on; otherwise the exit code
// (0 after --help, 2 after a message on what is wrong).
int ParseOptions(int argc, char** argv, Options& o) {
    plyx::sim::SimOptions& opt = o.sim;
    int family = 0;
    bool firmwareGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char** out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--auto-start") {
            opt.autoStart = true;
        } else if (a == "--panel") {
            o.panel = true;
        } else if (!value(&v)) {
            return Fail("missing value or unknown option " + a);
        } else if (a == "--firmware") {
            opt.firmwareName = v;
            firmwareGiven = true;
        } else if (a == "--version") {
            opt.versionText = v;
        } else if (a == "--family") {
            if (!ToInt(v, 2, 4, &family) || family == 3) return Fail("--family is 4 or 2");
        } else if (a == "--capacity") {
            if (!ToInt(v, 1, 100000, &opt.queueCapacity)) return Fail("bad --capacity");
        } else if (a == "--time-scale") {
            char* end = nullptr;
            opt.timeScale = std::strtod(v, &end);
            if (end == v || *end != '\0' || !(opt.timeScale >= 0) || opt.timeScale > 1e6) return Fail("bad --time-scale");
        } else if (a == "--baud") {
            if (!ToInt(v, 0, 100000000, &opt.baud)) return Fail("bad --baud");
        } else if (a == "--burst") {
            if (!ToInt(v, 1, 4096, &opt.burstBytes)) return Fail("bad --burst");
        } else if (a == "--latency") {
            if (!ToInt(v, 0, 600000, &opt.latencyMs)) return Fail("bad --latency");
        } else if (a == "--datadir") {
            o.datadir = v;
        } else if (a == "--com") {
            if (!ToInt(v, 1, 255, &o.com)) return Fail("--com is 1 to 255");
        } else if (a == "--control") {
            o.controlPath = v;
        } else {
            return Fail("unknown option " + a);
        }
    }
    // The name decides the family; --family alone picks that family's board
    // that the program's port search takes (it skips plain VT2D20NCRouter).
    bool nameIs4 = opt.firmwareName.rfind("QM4D", 0) == 0;
    if (family == 2 && !firmwareGiven) opt.firmwareName = "VT2D20NCRouterVarn";
    else if (family != 0 && (family == 4) != nameIs4) return Fail("--family does not match --firmware");
    if ((o.com != 0) != !o.datadir.empty()) return Fail("--datadir and --com go together");
    if (opt.firmwareName.empty() || opt.firmwareName.find_first_of(" *~\r\n") != std::string::npos ||
        opt.versionText.find_first_of("*~\r\n") != std::string::npos)
        return Fail("firmware name or version holds a character that would end the reply");
    if (o.panel && !plyx::sim::panel::WhyNoDisplay().empty()) return Fail(plyx::sim::panel::WhyNoDisplay());
    return -1;
}

// SIGINT and SIGTERM end the control loop through the signal pipe.
bool InstallSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

// A listening unix socket at path; -1 after a message when there is none.
int OpenControlSocket(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    ::unlink(path.c_str());
    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 4) != 0) {
        std::cerr << "boardsim: cannot listen on " << path << ": " << std::strerror(errno) << "\n";
        if (listener >= 0) ::close(listener);
        return -1;
    }
    return listener;
}

// Serves control lines from standard input and the socket's clients until
// a signal, a "quit" line or the panel's window closing.
void ServeControlLines(plyx::sim::Simulator& sim, int listener, const std::atomic<bool>& windowClosed) {
    std::map<int, std::string> clients;  // fd -> partial line
    std::string stdinBuffer;
    bool stdinOpen = true, quit = false;
    while (!quit && !windowClosed.load()) {
        std::vector<pollfd> fds;
        fds.push_back({g_signalPipe[0], POLLIN, 0});
        if (stdinOpen) fds.push_back({STDIN_FILENO, POLLIN, 0});
        if (listener >= 0) fds.push_back({listener, POLLIN, 0});
        for (auto& c : clients) fds.push_back({c.first, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 200) < 0 && errno != EINTR) break;
        for (const pollfd& p : fds) {
            if (p.revents == 0) continue;
            if (p.fd == g_signalPipe[0]) {
                quit = true;
                break;
            }
            if (p.fd == listener) {
                int c = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) clients[c];
                continue;
            }
            char buf[1024];
            ssize_t n = ::read(p.fd, buf, sizeof buf);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                if (p.fd == STDIN_FILENO) {
                    stdinOpen = false;
                } else {
                    ::close(p.fd);
                    clients.erase(p.fd);
                }
                continue;
            }
            std::string& buffer = p.fd == STDIN_FILENO ? stdinBuffer : clients[p.fd];
            buffer.append(buf, static_cast<size_t>(n));
            for (const std::string& line : TakeLines(buffer)) {
                std::string answer = sim.Control(line, &quit);
                if (answer.empty()) continue;
                if (p.fd == STDIN_FILENO) {
                    std::cout << answer << std::endl;
                } else {
                    WriteAll(p.fd, answer + "\n");
                }
            }
        }
    }
    for (auto& c : clients) ::close(c.first);
    plyx::sim::panel::RequestQuit();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (int code = ParseOptions(argc, argv, o); code >= 0) return code;
    if (!InstallSignals()) return Fail("pipe failed");

    // The control socket is ready before the device path is printed: a
    // client that reads the path may connect at once.
    int listener = -1;
    if (!o.controlPath.empty()) {
        if (o.controlPath.size() >= sizeof(sockaddr_un::sun_path)) return Fail("--control path too long");
        listener = OpenControlSocket(o.controlPath);
        if (listener < 0) return 1;
    }

    plyx::sim::Simulator sim(o.sim);
    try {
        sim.Start();
        std::cout << sim.DevicePath() << std::endl;
        if (o.com != 0) std::cout << "registered " << sim.RegisterAsCom(o.datadir, o.com) << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "boardsim: " << e.what() << "\n";
        if (listener >= 0) ::unlink(o.controlPath.c_str());
        return 1;
    }

    // With --panel the window owns this thread and the control lines are
    // served on another; either side ending ends the other.
    std::atomic<bool> windowClosed{false};
    if (o.panel) {
        std::thread control([&] { ServeControlLines(sim, listener, windowClosed); });
        std::string name = o.sim.firmwareName + " " + o.sim.versionText;
        if (o.com != 0) name += " on COM" + std::to_string(o.com);
        plyx::sim::panel::RunPanel(sim, name, argc, argv);
        windowClosed = true;
        control.join();
    } else {
        ServeControlLines(sim, listener, windowClosed);
    }
    if (listener >= 0) {
        ::close(listener);
        ::unlink(o.controlPath.c_str());
    }
    sim.Stop();
    return 0;
}
