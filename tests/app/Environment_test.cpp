#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <tuple>

#include "app/Environment.h"
#include "platform/Files.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

using EnvironmentTest = plyx::test::CoreFixture;

TEST(FileNames, NameExtensionReplacementNulAndErrorNumbers) {
    const std::pair<std::string, std::string> cases[] = {
        {GetFileNameOf("/home/op/shells/a.cfg"), "a.cfg"}, {GetFileNameOf("/home/op/"), ""},
        {GetExtensionOf("/home/op/a.b.cfg"), "cfg"}, {GetExtensionOf("/home/op.d/noext"), ""},
        {ReplaceExtension("/home/op/a.b.cfg", "fin"), "/home/op/a.b.fin"}, {ReplaceExtension("a.cfg", "fin"), "a.fin"},
        {ReplaceExtension("/home/op/noext", "fin"), "/home/op/noext.fin"}, {TrimAtNul(std::string("ab\0c", 4)), "ab"}};
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
    for (const auto& [code, number] : {std::pair{ENOENT, 53}, {EACCES, 70}, {ENOSPC, 61}, {EISDIR, 75}})
        EXPECT_EQ(FileErrorFromErrno(code, "P").Number, number) << code;
}

TEST_F(EnvironmentTest, NoDataDirectoryEndsTheProgramWithItsMessage) {
    int hookCode = -1;
    env.ExitHook = [&](int code) { hookCode = code; };
    docs.Write("PLYX3", "a file where the folder belongs");
    EXPECT_THROW(env.GetDataDirectory(), ProgramExit);
    unsetenv("PLYX3_DOCUMENTS_DIR");
    env.DocumentsFolder = [] { return std::string(); };
    EXPECT_THROW(env.GetDataDirectory(), ProgramExit);
    EXPECT_EQ(hookCode, 0);
    std::vector<std::string> texts;
    for (const auto& m : dialogs.messages) texts.push_back(m.title + ": " + m.text);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Reinstall Needed: Could not create your PLYX3 data directory (" + DataDir() + ")",
                         "Reinstall Needed: Could not locate your common documents directory! Please reinstall PLYX3 "
                         "while logged in as an administrator."}));
    env.DocumentsFolder = [this] { return docs.path() + "/home/Documents/"; };
    EXPECT_EQ(env.GetDataDirectory(), docs.path() + "/home/Documents/PLYX3");
    EXPECT_TRUE(plyx::platform::FolderExists(docs.path() + "/home/Documents/PLYX3"));
}

// The OS line's word carries the major version in its low byte, the minor in the next.
TEST_F(EnvironmentTest, ProgramLogOpensFreshWithItsHeaderClosesOnAnEmptyNameAndReportsFailure) {
    env.ExecutablePath = "/opt/plyx/plyx3";
    std::tie(env.VersionMajor, env.VersionMinor, env.VersionRevision, env.PerPortPrefix) = std::tuple(2, 7, 13, "C4.");
    OpenLog();
    env.LogLine("first run");
    env.OpenProgramLog("/somewhere/else/test.log");  // the folder is dropped; a fresh file
    env.LogLine("hello");
    env.OpenProgramLog("");
    env.LogLine("dropped");
    std::vector<std::string> lines = Logged();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("LOG FILE OPENED AT ", 0), 0u);
    EXPECT_EQ(lines[1] + "|" + lines[2] + "|" + lines[4] + "|" + lines[5],
              "PLYX3 version 2.7.13|Loaded from: </opt/plyx/plyx3>|hello|LOG FILE CLOSED");
    unsigned major = 0, minor = 0, word = 0;
    ASSERT_EQ(std::sscanf(lines[3].c_str(), "Linux version %u.%u, full encoded OS version =0x%X", &major, &minor,
                          &word), 3);
    EXPECT_EQ(word & 0xFFFF, major | minor << 8);
    EXPECT_EQ(lines[3].substr(lines[3].find("=0x") + 3),
              (std::ostringstream() << std::uppercase << std::hex << word).str());
    ASSERT_EQ(mkdir((DataDir() + "/C4.busy.log").c_str(), 0777), 0);
    env.OpenProgramLog("busy.log");
    EXPECT_FALSE(log.IsOpen());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to open log file " + DataDir() + "/C4.busy.log");
}

// A working log found at start is what a killed instance left: it is kept
// as name.1 (through a link, its target, the link staying), as rotation
// keeps it. The start-up log is emptied as before.
TEST_F(EnvironmentTest, PreviousWorkingLogIsKept) {
    env.PerPortPrefix = "C4.";
    OpenLog();  // makes the data folder
    env.OpenProgramLog("");
    ASSERT_EQ(::symlink("target.log", (DataDir() + "/C4.linked.log").c_str()), 0);
    const struct { std::string name, file, kept; } cases[] = {
        {"work.log", "C4.work.log", "C4.work.log.1"},
        {"linked.log", "target.log", "target.log.1"},
        {"PLYX3LastStartup.log", "C4.PLYX3LastStartup.log", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        docs.Write("PLYX3/" + c.file, "evidence");
        env.OpenProgramLog(c.name);
        env.LogLine("fresh");
        env.OpenProgramLog("");
        if (!c.kept.empty()) {
            EXPECT_EQ(docs.Read("PLYX3/" + c.kept), "evidence");
        }
        EXPECT_EQ(Logged(c.name).at(4), "fresh");
    }
    EXPECT_TRUE(plyx::platform::IsSymlink(DataDir() + "/C4.linked.log"));
    EXPECT_FALSE(plyx::platform::FileExists(DataDir() + "/C4.PLYX3LastStartup.log.1"));
}

// Only the user may write the data folder it makes, whatever the umask.
TEST_F(EnvironmentTest, DataFolderIsMadeWithoutWriteForOthers) {
    const mode_t old = ::umask(0);
    const std::string dir = env.GetDataDirectory();
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
}

// A log that is a link in a folder others can write is not followed: the
// file it points to stays as it was, and the operator is told. In the
// user's own folder it is followed; a link to a pipe is refused at once.
TEST_F(EnvironmentTest, LogLinksOthersCouldHaveMadeAreRefused) {
    plyx::test::TempDir elsewhere;
    elsewhere.Write("target", "keep");
    ASSERT_EQ(::mkfifo(elsewhere.File("pipe").c_str(), 0600), 0);
    env.GetDataDirectory();
    const std::string link = DataDir() + "/PLYX3LastStartup.log";
    const struct { mode_t folder; std::string to; std::string message; bool opened; } cases[] = {
        {0777, "target", "A symbolic link that others could have made or changed is not followed:", false},
        {0755, "pipe", "A log must be a file or a device such as /dev/null:", false},
        {0755, "target", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.folder << " " << c.to);
        dialogs.messages.clear();
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(elsewhere.File(c.to).c_str(), link.c_str()), 0);
        ASSERT_EQ(::chmod(DataDir().c_str(), c.folder), 0);
        env.OpenProgramLog("PLYX3LastStartup.log");
        EXPECT_EQ(log.IsOpen(), c.opened);
        env.OpenProgramLog("");
        EXPECT_EQ(elsewhere.Read("target") == "keep", !c.opened);
        ASSERT_EQ(dialogs.messages.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(dialogs.messages[0].text.rfind(c.message + "\r\n", 0), 0u);
        }
    }
}

TEST_F(EnvironmentTest, ExitProgramReleasesInReverseOrderThenEnds) {
    OpenLog();
    std::vector<std::string> order;
    env.AddExitAction([&] {
        order.push_back("board link");
        env.LogLine("port closed");
    });
    env.AddExitAction([&] { throw std::runtime_error("driver release failed"); });
    env.AddExitAction([&] { order.push_back("splash"); });
    env.ExitHook = [&](int code) { order.push_back("hook " + std::to_string(code)); };
    try {
        env.ExitProgram(3);
    } catch (const ProgramExit& e) {
        order.push_back("exit " + std::to_string(e.code()));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"splash", "board link", "hook 3", "exit 3"}));
    std::vector<std::string> lines = Logged();  // the log ends closed, after what the releases logged
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"port closed", "LOG FILE CLOSED"}));
}
