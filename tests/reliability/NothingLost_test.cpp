// Settings and shell files survive a kill -9 at any moment, a full disk or a
// path that cannot be written: always the old or the new content, never a
// mix; a failed write says so and leaves the old file as it was.
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

struct NothingLostTest : CoreFixture {
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
    // Left-over temporaries: files in the data folder other than the given ones.
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
        ASSERT_NE(a, b);
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
        EXPECT_TRUE(sawA > 0 && sawB > 0);  // the kills landed in different phases
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
    pid_t child = ::fork();
    if (child == 0) {  // reports in a file written once the limit is lifted
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        const bool ok = Write(true, "", 0);
        lim.rlim_cur = RLIM_INFINITY;
        ::setrlimit(RLIMIT_FSIZE, &lim);
        const auto& m = dialogs.messages;
        docs.Write("report", ok || m.size() != 1 ? "written" : m[0].title + "|" + m[0].text);
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string report = docs.Read("report");
    EXPECT_TRUE(report.find("Trying to create parameters file " + File("") + "|") != std::string::npos &&
                report.find("File too large") != std::string::npos) << report;
    EXPECT_EQ(Read(File("")), a);
    EXPECT_EQ(StrayFiles({"PLYX3.CFG"}), 0);

    docs.Write("shells", "not a folder");
    EXPECT_FALSE(app::WriteParameterFile(env, params, docs.File("shells/x.cfg"), app::kShellBlock));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("Error 76"), std::string::npos) << dialogs.messages[0].text;
}

// Through a symbolic link the new content goes to the target, which keeps
// its permissions; new files get the user's umask, like any file the user makes.
TEST_F(NothingLostTest, LinksPermissionsAndUmask) {
    TempDir elsewhere;
    elsewhere.Write("shared.cfg", "old");
    ASSERT_EQ(::chmod(elsewhere.File("shared.cfg").c_str(), 0640), 0);
    ASSERT_EQ(::symlink(elsewhere.File("shared.cfg").c_str(), File("").c_str()), 0);
    const mode_t old = ::umask(077);
    const bool ok = Write(false, "", 0) && Write(false, docs.File("shell.cfg"), app::kShellBlock);
    log.LogFileOpen(docs.File("comm.log"));
    log.LogFileClose();
    ::umask(old);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(platform::IsSymlink(File("")) && Read(elsewhere.File("shared.cfg")) != "old");
    const std::pair<std::string, mode_t> modes[] = {
        {elsewhere.File("shared.cfg"), 0640}, {docs.File("shell.cfg"), 0600}, {docs.File("comm.log"), 0600}};
    struct stat st {};
    for (const auto& [path, mode] : modes)
        EXPECT_TRUE(::stat(path.c_str(), &st) == 0 && (st.st_mode & 07777) == mode) << path;
}

// The settings file through a chain of links is followed only when every
// link sits in a folder that no one but the user (or root) can write, and
// belongs to one of them: otherwise it is neither read nor written, the
// target stays as it was and the operator is told.
TEST_F(NothingLostTest, SettingsLinksOthersCouldHaveMadeAreRefused) {
    TempDir hop, target;
    target.Write("shared.cfg", "SD=9.5\r\n");
    const std::string settings = File("");
    ASSERT_EQ(::symlink(hop.File("hop.cfg").c_str(), settings.c_str()), 0);
    ASSERT_EQ(::symlink(target.File("shared.cfg").c_str(), hop.File("hop.cfg").c_str()), 0);
    struct Case { mode_t data, hop; bool foreignLink, followed; };
    std::vector<Case> cases = {{0777, 0700, false, false}, {01777, 0700, false, false}, {0770, 0700, false, false},
                               {0755, 01777, false, false}, {0700, 0755, false, true}};
    // Only root can give a link to another user.
    if (::geteuid() == 0) cases.push_back({0700, 0755, true, false});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.data << " " << c.hop << " " << c.foreignLink);
        ASSERT_EQ(::chmod(DataDir().c_str(), c.data), 0);
        ASSERT_EQ(::chmod(hop.path().c_str(), c.hop), 0);
        ASSERT_EQ(::lchown(hop.File("hop.cfg").c_str(), c.foreignLink ? 65534 : ::geteuid(), -1), 0);
        dialogs.messages.clear();
        app::LoadDefaults(params);
        params.zSD = 1.25;
        app::LoadParameterFile(env, params, "");
        EXPECT_EQ(params.zSD, c.followed ? 9.5 : 1.25);
        EXPECT_EQ(Write(false, "", 0), c.followed);
        EXPECT_EQ(Read(target.File("shared.cfg")) == "SD=9.5\r\n", !c.followed);
        EXPECT_EQ(dialogs.messages.size(), c.followed ? 0u : 2u);
        for (const auto& m : dialogs.messages)
            EXPECT_EQ(m.text.rfind("A symbolic link that others could have made or changed is not followed:", 0), 0u);
        target.Write("shared.cfg", "SD=9.5\r\n");
    }
}

// A record line that does not fit (the file size limit standing for a full
// disk) leaves the file as it was; a line always starts on a line of its
// own, also after one that an older writer left cut short.
TEST_F(NothingLostTest, RecordLinesAreWholeOrNotThere) {
    const std::string header = "start,end,outcome\r\n", line = "2026-12-07T08:00:00+00:00,2026-12-07T09:00:00+00:00,completed\r\n";
    const struct { std::string before; std::size_t room; bool written; std::string after; } cases[] = {
        {header + line, 20, false, header + line},
        {header + line, 200, true, header + line + line},
        {header + "2026-12-07T07", 20, false, header + "2026-12-07T07"},
        {header + "2026-12-07T07", 200, true, header + "2026-12-07T07\r\n" + line},
        {"", 200, true, header + line},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before + " +" + std::to_string(c.room));
        docs.Write("runs.csv", c.before);
        pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit lim{c.before.size() + c.room, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            ::_exit(platform::AppendRecord(docs.File("runs.csv"), header, line) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 0, c.written);
        EXPECT_EQ(docs.Read("runs.csv"), c.after);
    }
}

}  // namespace
}  // namespace plyx::test
