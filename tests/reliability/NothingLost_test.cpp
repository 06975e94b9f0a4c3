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
#include <thread>

#include "app/ParameterFiles.h"
#include "app/Startup.h"
#include "tests/app/CoreFixture.h"

namespace plyx::test {
namespace {

class NothingLostTest : public CoreFixture {
protected:
    std::string Read(const std::string& path) { return platform::ReadWholeFile(path).value_or("<missing>"); }
    // Writes the parameter set A or B (large, so that writing it takes long
    // enough to be caught in the middle) to name ("" the settings file).
    bool Write(bool b, const std::string& name, int blocks) {
        app::LoadDefaults(params);
        params.strModel = b ? std::string(256 * 1024, 'M') : "Small";
        params.zSD = b ? 7.25 : 6;
        return app::WriteParameterFile(env, params, name, blocks);
    }
    std::string File(const std::string& name) { return name.empty() ? app::GetSettingsFilePath(env) : name; }
    // Files in the data folder other than the given ones (left-over temporaries).
    int StrayFiles(std::initializer_list<std::string> known) {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(DataDir()))
            n += std::find(known.begin(), known.end(), e.path().filename()) == known.end();
        return n;
    }
};

// A child writes B and A in turn without end and is killed with SIGKILL at
// random moments spread over two write cycles: the file is always A or B.
// The next start removes the temporaries the kills left, but not the one of
// a writer that still runs (process 1 here).
TEST_F(NothingLostTest, FilesSurviveKillDuringWrite) {
    for (const auto& [name, blocks] : {std::pair<std::string, int>{"", 0}, {docs.File("shell.cfg"), app::kShellBlock}}) {
        SCOPED_TRACE(File(name));
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_TRUE(Write(true, name, blocks));
        const std::string b = Read(File(name));
        ASSERT_TRUE(Write(false, name, blocks));
        const std::string a = Read(File(name));
        const auto cycleUs =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
        std::mt19937 gen(12345);
        std::uniform_int_distribution<long long> delayUs(0, 2 * cycleUs + 2000);
        int sawA = 0, sawB = 0;
        for (int round = 0; round < 40; ++round) {
            pid_t child = ::fork();
            ASSERT_GE(child, 0);
            for (bool big = true; child == 0; big = !big) Write(big, name, blocks);
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(gen)));
            ASSERT_EQ(::kill(child, SIGKILL), 0);
            ASSERT_EQ(::waitpid(child, nullptr, 0), child);
            const std::string now = Read(File(name));
            ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes, a mix";
            (now == a ? sawA : sawB)++;
        }
        EXPECT_TRUE(sawA > 0 && sawB > 0);  // the kills did land in different phases
    }
    const std::string live = ".PLYX3.CFG.plyx3-tmp-1-AbC123";
    docs.Write("PLYX3/" + live, "in use");
    app::Main(env, params, nullptr);
    EXPECT_EQ(StrayFiles({"PLYX3.CFG", "PLYX3LastStartup.log", live}), 0);
}

// Disk full (the file size limit, with SIGXFSZ ignored so that the write
// fails with EFBIG), or a file where a folder should be (error 76): the
// write is refused with the system's reason, the old file is intact and no
// temporary file is left behind.
TEST_F(NothingLostTest, FailedWritesAreReportedAndKeepTheOldFile) {
    ASSERT_TRUE(Write(false, "", 0));
    const std::string a = Read(File(""));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        const bool ok = Write(true, "", 0);
        std::string report = ok || dialogs.messages.size() != 1 ? std::string("written")
                                                                 : dialogs.messages[0].title + "|" + dialogs.messages[0].text;
        (void)!::write(fds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    char buf[4096];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    ::close(fds[0]);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string report(buf, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    EXPECT_NE(report.find("Trying to create parameters file " + File("") + "|"), std::string::npos) << report;
    EXPECT_NE(report.find("File too large"), std::string::npos) << report;
    EXPECT_EQ(Read(File("")), a);
    EXPECT_EQ(StrayFiles({"PLYX3.CFG"}), 0);

    docs.Write("shells", "not a folder");
    params.CurrentShellFile = "before.cfg";
    EXPECT_FALSE(app::WriteParameterFile(env, params, docs.File("shells/x.cfg"), app::kShellBlock));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("Error 76"), std::string::npos) << dialogs.messages[0].text;
    EXPECT_EQ(params.CurrentShellFile, "before.cfg");
}

// Through a symbolic link the new content goes to the target, which keeps
// its permissions; new files get the user's umask, like any file the user makes.
TEST_F(NothingLostTest, LinksPermissionsAndUmask) {
    TempDir elsewhere;
    const std::string target = elsewhere.File("shared.cfg"), logFile = docs.File("comm.log");
    elsewhere.Write("shared.cfg", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(target.c_str(), File("").c_str()), 0);
    ASSERT_TRUE(Write(false, "", 0));
    EXPECT_EQ(Read(target), Read(File("")));
    struct stat st {};
    EXPECT_TRUE(::lstat(File("").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(::stat(target.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
    for (mode_t mask : {mode_t{022}, mode_t{077}}) {
        const mode_t old = ::umask(mask);
        ::unlink(docs.File("shell.cfg").c_str());
        ::unlink(logFile.c_str());
        const bool ok = Write(false, docs.File("shell.cfg"), app::kShellBlock);
        log.LogFileOpen(logFile);
        log.LogFileClose();
        ::umask(old);
        ASSERT_TRUE(ok);
        for (const std::string& path : {docs.File("shell.cfg"), logFile})
            EXPECT_TRUE(::stat(path.c_str(), &st) == 0 && (st.st_mode & 0777) == (0666 & ~mask)) << path << " " << mask;
    }
}

}  // namespace
}  // namespace plyx::test
