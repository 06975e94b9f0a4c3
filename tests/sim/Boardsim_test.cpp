// The boardsim executable: options, control lines on standard input and
// on a unix socket, and the way it ends.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ProgramEnd.h"
#include "tests/support/TempDir.h"

namespace plyx::sim::test {
namespace {

// boardsim as a child with pipes on its standard input and output.
class Child {
public:
    explicit Child(std::vector<std::string> args) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            int devnull = ::open("/dev/null", O_WRONLY);  // usage texts of the rejected runs
            if (devnull >= 0) ::dup2(devnull, 2);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<char*> argv;
            args.insert(args.begin(), BOARDSIM_PATH);
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(BOARDSIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~Child() {
        if (toChild_ >= 0) ::close(toChild_);
        if (fromChild_ >= 0) ::close(fromChild_);
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Say(const std::string& line) {
        std::string l = line + "\n";
        ssize_t n = ::write(toChild_, l.data(), l.size());
        (void)n;
    }
    // One line of output, waiting up to ms.
    std::string Line(int ms = 2000) {
        std::string line;
        for (;;) {
            pollfd p{fromChild_, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0) return line;
            char c;
            if (::read(fromChild_, &c, 1) != 1) return line;
            if (c == '\n') return line;
            line.push_back(c);
        }
    }
    // Exit status, waiting up to ms; -1 if it is still running.
    int Wait(int ms) {
        for (int i = 0; i < ms; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(1000);
        }
        return -1;
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    bool reaped_ = false;
};

// With the panel, the window and the control lines run on two threads:
// either way of ending boardsim must end both and close the board's end.
TEST(Boardsim, EndsWithQuitAndOnSigtermWithOrWithoutPanel) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (bool panel : {false, true})
        for (bool bySignal : {false, true}) {
            Child c(panel ? std::vector<std::string>{"--panel"} : std::vector<std::string>{"--capacity", "8"});
            ProgramEnd p(c.Line(5000));
            EXPECT_EQ(p.Ask("h"), panel ? "I30*" : "I8*");
            if (bySignal) {
                ::kill(c.pid(), SIGTERM);
            } else {
                c.Say("quit");
                EXPECT_EQ(c.Line(), "ok");
            }
            EXPECT_EQ(c.Wait(5000), 0) << panel << bySignal;
            EXPECT_EQ(p.ReadByte(500), -2);
        }
}

TEST(Boardsim, ControlSocketTakesTheSameLines) {
    plyx::test::TempDir dir;
    std::string sock = dir.File("ctl");
    Child c({"--control", sock, "--family", "2"});
    std::string path = c.Line();
    ProgramEnd p(path);
    // --family alone gives the 2-axis name the program's port search takes.
    EXPECT_NE(p.Ask("-12?").find("\r\nVT2D20NCRouterVarn 4.71\r\n"), std::string::npos);
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, sock.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::string line = "press BURNISH\n";
    ASSERT_EQ(::write(s, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    char buf[16] = {};
    pollfd pf{s, POLLIN, 0};
    ASSERT_EQ(::poll(&pf, 1, 2000), 1);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(::read(s, buf, sizeof buf))), "ok\n");
    ::close(s);
    EXPECT_EQ(p.Ask("6?"), "X,6,247\r\n*");
    c.Say("quit");
    EXPECT_EQ(c.Wait(2000), 0);
    EXPECT_FALSE(std::filesystem::exists(sock));
}

TEST(Boardsim, RejectsBadOptions) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--capacity", "0"},
                                          {"--family", "4", "--firmware", "VT2D20NCRouter"},
                                          {"--com", "3"},
                                          {"--firmware", "BAD*NAME"},
                                          {"--nonsense"}}) {
        Child c(args);
        EXPECT_EQ(c.Wait(2000), 2) << args[0];
    }
}

}  // namespace
}  // namespace plyx::sim::test
