// Settings and shell files survive whatever happens while they are written:
// a kill -9 at any moment, a full disk (RLIMIT_FSIZE), a folder that cannot
// be written. Readers always find the old or the new content, never a mix;
// a failed write says so clearly and leaves the old file as it was.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "app/ParameterFiles.h"
#include "app/Startup.h"
#include "tests/app/CoreFixture.h"
#include "tests/reliability/ReliabilityUtil.h"

namespace plyx::test {
namespace {

class NothingLostTest : public CoreFixture {
protected:
    void SetUp() override {
        settings = app::GetSettingsFilePath(env);
        shell = docs.path() + "/shell.cfg";
    }

    // Two parameter sets whose files differ in every block; B is large, so
    // writing it takes long enough to be caught in the middle.
    void UseA() {
        app::LoadDefaults(params);
        params.CurrentShellFile = "/shells/a.cfg";
        params.strModel = "Small";
        params.zSD = 6;
    }
    void UseB() {
        app::LoadDefaults(params);
        params.CurrentShellFile = "/shells/b.cfg";
        params.strModel = std::string(256 * 1024, 'M');
        params.zSD = 7.25;
        params.cTLC = 11;
    }
    // The file that WriteParameterFile(name) writes: "" is the settings file.
    std::string PathOf(const std::string& name) const { return name.empty() ? settings : name; }

    // Writes B, then A; returns both contents (the file holds A).
    std::pair<std::string, std::string> Contents(const std::string& name, int blocks) {
        UseB();
        EXPECT_TRUE(app::WriteParameterFile(env, params, name, blocks));
        std::string b = ReadBytes(PathOf(name));
        UseA();
        EXPECT_TRUE(app::WriteParameterFile(env, params, name, blocks));
        return {ReadBytes(PathOf(name)), b};
    }

    // Forks a child that writes B and A in turn without end, kills it with
    // SIGKILL after a random moment, and checks the file each time.
    void KillWhileWriting(const std::string& name, int blocks) {
        const std::string path = PathOf(name);
        auto [a, b] = Contents(name, blocks);
        ASSERT_NE(a, b);
        // Kill moments spread over two write cycles (plus the fork), as long
        // as a cycle takes on this disk.
        const auto t0 = std::chrono::steady_clock::now();
        Contents(name, blocks);
        const auto cycleUs =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
        std::mt19937 gen(12345);
        std::uniform_int_distribution<long long> delayUs(0, 2 * cycleUs + 2000);
        int sawA = 0, sawB = 0;
        for (int round = 0; round < 40; ++round) {
            pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                for (bool big = true;; big = !big) {
                    big ? UseB() : UseA();
                    app::WriteParameterFile(env, params, name, blocks);
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(gen)));
            ASSERT_EQ(::kill(child, SIGKILL), 0);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            const std::string now = ReadBytes(path);
            ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes, a mix";
            (now == a ? sawA : sawB)++;
        }
        // Both outcomes happened, so the kills did land in different phases.
        EXPECT_GT(sawA, 0);
        EXPECT_GT(sawB, 0);
        // Reading the survivor gives a whole parameter set.
        app::LoadDefaults(params);
        app::LoadParameterFile(env, params, path);
        EXPECT_TRUE(params.zSD == 6 || params.zSD == 7.25);
    }

    // Runs fn in a child under a file size limit of limitBytes, with SIGXFSZ
    // ignored so that writes fail with EFBIG; returns the child's report
    // (what it wrote to the pipe) and its wait status.
    template <typename Fn>
    std::pair<std::string, int> InChildWithFileLimit(rlim_t limitBytes, Fn fn) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit lim{limitBytes, limitBytes};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            const std::string report = fn();
            (void)!::write(fds[1], report.data(), report.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string report;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fds[0], buf, sizeof buf)) > 0) report.append(buf, static_cast<std::size_t>(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return {report, status};
    }

    // Files in folder other than the given ones (left-over temporaries).
    static int StrayFiles(const std::string& folder, std::initializer_list<std::string> known) {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            bool isKnown = false;
            for (const std::string& k : known) isKnown |= e.path().filename() == k;
            n += !isKnown;
        }
        return n;
    }

    std::string settings;
    std::string shell;
};

// The kills leave temporary files behind; the next start removes them, but
// not the one of a writer that still runs (process 1 here).
TEST_F(NothingLostTest, SettingsFileSurvivesKillDuringWrite) {
    KillWhileWriting("", 0);
    const std::string live = ".PLYX3.CFG.plyx3-tmp-1-AbC123";
    WriteBytes(DataDir() + "/" + live, "in use");
    app::Main(env, params, nullptr);
    EXPECT_EQ(StrayFiles(DataDir(), {"PLYX3.CFG", "PLYX3LastStartup.log", live}), 0);
    EXPECT_EQ(ReadBytes(DataDir() + "/" + live), "in use");
}

TEST_F(NothingLostTest, ShellFileSurvivesKillDuringWrite) { KillWhileWriting(shell, app::kShellBlock); }

// Disk full (the file size limit, with SIGXFSZ ignored so that the write
// fails with EFBIG): the error report "Trying to create parameters file" +
// path with the system's reason, WriteParameterFile answers false, the old
// file is intact and no temporary file is left behind.
TEST_F(NothingLostTest, FullDiskReportsAndKeepsTheOldFile) {
    auto [a, b] = Contents("", 0);
    auto [report, status] = InChildWithFileLimit(4096, [&] {
        UseB();
        const bool ok = app::WriteParameterFile(env, params, "", 0);
        if (dialogs.messages.size() != 1) return std::string("messages: ") + std::to_string(dialogs.messages.size());
        return std::string(ok ? "written" : "refused") + "|" + dialogs.messages[0].title + "|" +
               dialogs.messages[0].text;
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(report.substr(0, report.find('|')), "refused") << report;
    EXPECT_NE(report.find("|Trying to create parameters file " + settings + "|"), std::string::npos) << report;
    EXPECT_NE(report.find("File too large"), std::string::npos) << report;
    EXPECT_EQ(ReadBytes(settings), a);
    EXPECT_EQ(StrayFiles(DataDir(), {"PLYX3.CFG"}), 0);
}

// A file where a folder of the path should be: refused with error 76 (path
// not found), the file in the way is untouched, the set keeps its file name.
TEST_F(NothingLostTest, FileWhereAFolderShouldBe) {
    const std::string blocker = docs.path() + "/shells";
    WriteBytes(blocker, "not a folder");
    params.CurrentShellFile = "before.cfg";
    EXPECT_FALSE(app::WriteParameterFile(env, params, blocker + "/x.cfg", app::kShellBlock));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to create parameters file " + blocker + "/x.cfg");
    EXPECT_NE(dialogs.messages[0].text.find("Error 76"), std::string::npos) << dialogs.messages[0].text;
    EXPECT_EQ(ReadBytes(blocker), "not a folder");
    EXPECT_EQ(params.CurrentShellFile, "before.cfg");
}

// A settings file that is a symbolic link: the new content goes to its
// target, which keeps its permissions; the link stays a link.
TEST_F(NothingLostTest, WriteThroughALinkKeepsLinkAndPermissions) {
    TempDir elsewhere;
    const std::string target = elsewhere.File("shared.cfg");
    WriteBytes(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(target.c_str(), settings.c_str()), 0);
    auto [a, b] = Contents("", 0);
    EXPECT_EQ(ReadBytes(target), a);
    struct stat st {};
    EXPECT_TRUE(::lstat(settings.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(::stat(target.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
}

// New files get the user's umask, like any file the user makes: parameter
// files and logs alike.
TEST_F(NothingLostTest, NewFilesFollowTheUmask) {
    const std::string logFile = docs.path() + "/comm.log";
    for (mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        const mode_t old = ::umask(mask);
        ::unlink(shell.c_str());
        ::unlink(logFile.c_str());
        const bool ok = app::WriteParameterFile(env, params, shell, app::kShellBlock);
        log.LogFileOpen(logFile);
        log.LogFileClose();
        ::umask(old);
        ASSERT_TRUE(ok);
        for (const std::string& path : {shell, logFile}) {
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << path << " " << std::oct << mask;
        }
    }
}

}  // namespace
}  // namespace plyx::test
