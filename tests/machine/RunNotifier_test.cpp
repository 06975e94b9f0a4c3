// The operator's notification programs: they get the run's figures in
// their environment; one that hangs, fails or does not exist leaves the
// run, its record line and the next run as they would be without it, is
// reaped the moment it ends (no zombie), and its failure is in the log.
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/notify/RunNotifier.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/Csv.h"

namespace plyx::engine::test {
namespace {

using plyx::test::ParseCsv;

// Waits (at most 10 s) for done; false when it never came.
bool Eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Gone for good: reaped, not a zombie (a zombie still takes signal 0).
bool Reaped(pid_t pid) {
    return Eventually([pid] { return ::kill(pid, 0) != 0 && errno == ESRCH; });
}

class NotifyTest : public SimulatedRunTest {
protected:
    NotifyTest() {
        env->ComPortName = "COM3";
        env->PerPortPrefix = "C3.";
        params.cTLC = 2;
        params.CurrentShellFile = "/shells/cup 6.cfg";
        ::setenv("PLYX3_TEST_OUT", dir.path().c_str(), 1);
        Script("env.sh", "env > \"$PLYX3_TEST_OUT/env-$PLYX3_EVENT\"");
        Script("fail.sh", "exit 1");
        Script("hang.sh", "exec sleep 600");
    }
    void Script(const std::string& name, const std::string& body) {
        dir.Write(name, "#!/bin/sh\n" + body + "\n");
        ::chmod(dir.File(name).c_str(), 0755);
    }
    std::map<std::string, std::string> EnvOf(const std::string& event) {
        std::map<std::string, std::string> vars;
        std::istringstream in(dir.Read("env-" + event));
        for (std::string line; std::getline(in, line);)
            if (const auto eq = line.find('='); eq != std::string::npos) vars[line.substr(0, eq)] = line.substr(eq + 1);
        return vars;
    }
    std::vector<std::vector<std::string>> Record() {
        return ParseCsv(platform::ReadWholeFile(runs.record.FilePath()).value_or(""));
    }
    // Work the reaper threads hand over, run when the test says.
    std::mutex postedMutex;
    std::vector<std::function<void()>> posted;
    void RunPosted() {
        std::vector<std::function<void()>> work;
        {
            std::lock_guard<std::mutex> lock(postedMutex);
            work.swap(posted);
        }
        for (auto& w : work) w();
    }

    RunFollowers runs{*env, params, *engine};
    RunNotifier notifier{*env, params, *engine, runs, [this](std::function<void()> work) {
                             std::lock_guard<std::mutex> lock(postedMutex);
                             posted.push_back(std::move(work));
                         }};
};

TEST_F(NotifyTest, TheRunsFiguresReachTheProgram) {
    params.strOnRunEnd = params.strOnError = dir.File("env.sh");
    engine->StartRun(false);
    ASSERT_TRUE(Eventually([&] { return notifier.Children().Running().empty(); }));
    EXPECT_FALSE(platform::FileExists(dir.File("env-error")));  // no error, no ONERROR
    const std::vector<std::string> line = Record().back();
    ASSERT_EQ(line.size(), 14u);
    std::map<std::string, std::string> vars = EnvOf("runend");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"PLYX3_EVENT", "runend"}, {"PLYX3_OUTCOME", "completed"}, {"PLYX3_PORT", "COM3"},
        {"PLYX3_MODEL", params.strModel}, {"PLYX3_SHELL_FILE", "/shells/cup 6.cfg"}, {"PLYX3_KIND", "full"},
        {"PLYX3_START", line[0]}, {"PLYX3_LAYERS_PLANNED", "2"}, {"PLYX3_LAYERS_REACHED", "2"},
        {"PLYX3_TAPE_PLANNED_FT", line[8]}, {"PLYX3_TAPE_LAID_FT", line[9]}, {"PLYX3_DURATION_S", line[10]},
        {"PLYX3_ERROR_NUMBER", ""}, {"PLYX3_ERROR_TEXT", ""}, {"PLYX3_RECORD", runs.record.FilePath()},
        {"PLYX3_TEST_OUT", dir.path()}};  // the program's own environment goes along
    for (const auto& [name, value] : expected) EXPECT_EQ(vars[name], value) << name;

    // An error: both programs, with the error's number and its lines joined.
    engine->Events().RunStarted(true);
    engine->Events().RunFailed(-2147191500, "Error 4 reported by ZentrovaCom.ReadToDone\r\nFailed to synchronize");
    ASSERT_TRUE(Eventually([&] { return notifier.Children().Running().empty(); }));
    for (const char* event : {"runend", "error"}) {
        vars = EnvOf(event);
        EXPECT_EQ((std::vector<std::string>{vars["PLYX3_EVENT"], vars["PLYX3_OUTCOME"], vars["PLYX3_KIND"],
                                            vars["PLYX3_ERROR_NUMBER"], vars["PLYX3_ERROR_TEXT"]}),
                  (std::vector<std::string>{event, "error", "burnish", "-2147191500",
                                            "Error 4 reported by ZentrovaCom.ReadToDone / Failed to synchronize"}));
    }
}

// Each program at a run's end and on an error, then the next run: both runs
// whole, each with its line; the failure logged; the program reaped.
struct BadProgram {
    const char* name;
    const char* file;  // in the test's folder
    const char* logged;
};
void PrintTo(const BadProgram& c, std::ostream* os) { *os << c.name; }

class BadProgramTest : public NotifyTest, public ::testing::WithParamInterface<BadProgram> {};

TEST_P(BadProgramTest, LeavesTheRunsAndTheProgramUnharmed) {
    const BadProgram c = GetParam();
    const std::string program = dir.File(c.file);
    params.strOnRunEnd = params.strOnError = program;
    const int inheritable = ::open(dir.path().c_str(), O_RDONLY);  // no O_CLOEXEC
    ASSERT_GE(inheritable, 3);
    for (int run = 0; run < 2; ++run) {
        board->ClearMoves();
        engine->StartRun(false);
        ExpectPlanThenSlowDown(BoardMoves(), PlannedSegments());
    }
    engine->Events().RunStarted(false);
    engine->Events().RunFailed(-2147191500, "Error 4");
    const auto record = Record();
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{record[1][11], record[2][11], record[3][11]}),
              (std::vector<std::string>{"completed", "completed", "error"}));

    const std::vector<pid_t> running = notifier.Children().Running();
    if (std::string(c.name) == "Missing") {
        EXPECT_TRUE(running.empty());
    } else if (std::string(c.name) == "Hangs") {
        ASSERT_EQ(running.size(), 4u);  // the runs went on without them
        // Nothing of the program's own reached them (the descriptor left
        // open below would be inherited), and stdin is /dev/null. (Once sleep
        // has started: the shell and sleep's own start open files for a moment.)
        for (pid_t pid : running) {
            const std::string proc = "/proc/" + std::to_string(pid);
            std::vector<std::string> fds;
            EXPECT_TRUE(Eventually([&] {
                fds.clear();
                for (const auto& e : std::filesystem::directory_iterator(proc + "/fd")) fds.push_back(e.path().filename());
                std::sort(fds.begin(), fds.end());
                return platform::ReadWholeFile(proc + "/comm").value_or("") == "sleep\n" &&
                       fds == std::vector<std::string>{"0", "1", "2"};
            })) << pid << ": " << fds.size() << " descriptors";
            EXPECT_EQ(std::filesystem::read_symlink(proc + "/fd/0"), "/dev/null");
        }
        for (pid_t pid : running) ::kill(pid, SIGTERM);
        for (pid_t pid : running) EXPECT_TRUE(Reaped(pid)) << pid;
    } else {
        ASSERT_TRUE(Eventually([&] { return notifier.Children().Running().empty(); }));
    }
    // The reaper threads hand the ends to the program's thread, which logs them.
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> lock(postedMutex);
        return posted.size() >= (std::string(c.name) == "Missing" ? 0u : 4u);
    }));
    // Ended after the last run event: only the handed-over work logs them.
    if (std::string(c.name) == "Hangs") {
        EXPECT_EQ(LogText().find(c.logged), std::string::npos);
    }
    RunPosted();
    const std::string log = LogText();
    std::size_t count = 0;
    for (std::size_t at = log.find(c.logged); at != std::string::npos; at = log.find(c.logged, at + 1)) ++count;
    EXPECT_EQ(count, 4u) << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    EXPECT_NE(log.find("--->Notification program " + program), std::string::npos);
    ::close(inheritable);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, BadProgramTest,
    ::testing::Values(BadProgram{"Hangs", "hang.sh", ") ended with signal 15 (Terminated)"},
                      BadProgram{"Fails", "fail.sh", ") ended with exit code 1"},
                      BadProgram{"Missing", "no-such-program", " could not be started: No such file or directory"}),
    [](const ::testing::TestParamInfo<BadProgram>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace plyx::engine::test
