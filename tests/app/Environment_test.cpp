#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/Environment.h"
#include "platform/Files.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

class EnvironmentTest : public plyx::test::CoreFixture {};

}  // namespace

TEST(FileNames, NameExtensionAndReplacement) {
    EXPECT_EQ(GetFileNameOf("/home/op/shells/a.cfg"), "a.cfg");
    EXPECT_EQ(GetFileNameOf("a.cfg"), "a.cfg");
    EXPECT_EQ(GetFileNameOf("/home/op/"), "");
    EXPECT_EQ(GetExtensionOf("/home/op/a.b.cfg"), "cfg");
    EXPECT_EQ(GetExtensionOf("/home/op.d/noext"), "");
    EXPECT_EQ(ReplaceExtension("/home/op/a.cfg", "fin"), "/home/op/a.fin");
    EXPECT_EQ(ReplaceExtension("/home/op/a.b.cfg", "fin"), "/home/op/a.b.fin");
    EXPECT_EQ(ReplaceExtension("/home/op/noext", "fin"), "/home/op/noext.fin");
    EXPECT_EQ(ReplaceExtension("a.cfg", "fin"), "a.fin");  // no folder: stays relative
    EXPECT_EQ(TrimAtNul(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(TrimAtNul(std::string("\0x", 2)), "");
    EXPECT_EQ(TrimAtNul("plain"), "plain");
}

TEST_F(EnvironmentTest, DocumentsFolderLookupUsedWithoutOverride) {
    unsetenv("PLYX3_DOCUMENTS_DIR");
    env.DocumentsFolder = [this] { return docs.path() + "/home/Documents/"; };
    EXPECT_EQ(env.GetDataDirectory(), docs.path() + "/home/Documents/PLYX3");
    EXPECT_TRUE(plyx::platform::FolderExists(docs.path() + "/home/Documents/PLYX3"));
}

TEST_F(EnvironmentTest, NoDocumentsFolderEndsTheProgram) {
    unsetenv("PLYX3_DOCUMENTS_DIR");
    env.DocumentsFolder = [] { return std::string(); };
    int hookCode = -1;
    env.ExitHook = [&](int code) { hookCode = code; };
    EXPECT_THROW(env.GetDataDirectory(), ProgramExit);
    EXPECT_EQ(hookCode, 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Could not locate your common documents directory! Please reinstall PLYX3 while logged in as an "
              "administrator.");
    EXPECT_EQ(dialogs.messages[0].title, "Reinstall Needed");
    EXPECT_EQ(dialogs.messages[0].buttons, plyx::platform::MessageButtons::Ok);
}

TEST_F(EnvironmentTest, UncreatableDataDirectoryEndsTheProgram) {
    docs.Write("PLYX3", "a file where the folder belongs");
    EXPECT_THROW(env.GetDataDirectory(), ProgramExit);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Could not create your PLYX3 data directory (" + DataDir() + ")");
    EXPECT_EQ(dialogs.messages[0].title, "Reinstall Needed");
}

// The OS line's word carries the major version in its low byte, the minor in the next.
TEST_F(EnvironmentTest, ProgramLogStartsWithThreeHeaderLines) {
    env.ExecutablePath = "/opt/plyx/plyx3";
    env.VersionMajor = 2;
    env.VersionMinor = 7;
    env.VersionRevision = 13;
    env.PerPortPrefix = "C4.";
    env.OpenProgramLog("/somewhere/else/run.log");
    env.LogLine("hello");
    std::vector<std::string> lines = plyx::test::EventLines(DataDir() + "/C4.run.log");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("LOG FILE OPENED AT ", 0), 0u);
    EXPECT_EQ(lines[1], "--->PLYX3 version 2.7.13");
    EXPECT_EQ(lines[2], "--->Loaded from: </opt/plyx/plyx3>");
    EXPECT_EQ(lines[4], "--->hello");
    const std::string line = lines[3];
    unsigned major = 0, minor = 0, word = 0;
    ASSERT_EQ(
        std::sscanf(line.c_str(), "--->Linux version %u.%u, full encoded OS version =0x%X", &major, &minor, &word), 3);
    EXPECT_EQ(word & 0xFF, major);
    EXPECT_EQ((word >> 8) & 0xFF, minor);
    std::string hex = line.substr(line.find("=0x") + 3);
    EXPECT_NE(hex[0], '0');
    for (char c : hex) EXPECT_FALSE(c >= 'a' && c <= 'f');
}

TEST_F(EnvironmentTest, ReopeningTheLogStartsAFreshFile) {
    OpenLog();
    env.LogLine("first run");
    OpenLog();
    for (const std::string& l : Logged()) EXPECT_NE(l, "first run");
}

TEST_F(EnvironmentTest, EmptyLogNameLeavesNoLogOpen) {
    OpenLog();
    env.OpenProgramLog("");
    EXPECT_FALSE(log.IsOpen());
    env.LogLine("dropped");  // a closed log swallows the line quietly
    env.OpenProgramLog("/only/a/folder/");
    EXPECT_FALSE(log.IsOpen());
    std::vector<std::string> lines = Logged();
    EXPECT_EQ(lines.back(), "LOG FILE CLOSED");
}

TEST_F(EnvironmentTest, UnopenableLogIsReportedAndTheProgramGoesOn) {
    env.GetDataDirectory();
    ASSERT_EQ(mkdir((DataDir() + "/busy.log").c_str(), 0777), 0);
    env.OpenProgramLog("busy.log");
    EXPECT_FALSE(log.IsOpen());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to open log file " + DataDir() + "/busy.log");
}

TEST_F(EnvironmentTest, ErrorReportLayout) {
    env.ShowErrorReport("Trying to open parameters file /x.cfg", 76, "PLYX3", "Path not found");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to open parameters file /x.cfg");
    EXPECT_EQ(dialogs.messages[0].text,
              "Trying to open parameters file /x.cfg\r\nError 76\r\n...Hex error code = 4C\r\n"
              "...Source = PLYX3\r\n...Description = Path not found");
    EXPECT_EQ(dialogs.messages[0].buttons, plyx::platform::MessageButtons::Ok);
    // The words follow the language.
    plyx::text::SetDictionaryText(tables.SelectedLanguageTable, 811, "Fehler");
    tables.ShowResourceIDs = true;
    env.ShowErrorReport("ctx", 5, "S", "D");
    EXPECT_EQ(dialogs.messages[1].text,
              "ctx\r\n(811:Fehler) 5\r\n(812:...Hex error code =) 5\r\n(813:...Source =) S\r\n"
              "(814:...Description =) D");
}

TEST(FileErrors, ClassicNumbersForSystemErrors) {
    for (const auto& [code, number] : {std::pair{ENOENT, 53}, {EACCES, 70}, {ENOSPC, 61}, {EISDIR, 75}})
        EXPECT_EQ(FileErrorFromErrno(code, "P").Number, number) << code;
    EXPECT_EQ(FileErrorFromErrno(ENOENT, "P").Source, "P");
    EXPECT_EQ(FileErrorFromErrno(ENOENT, "P").Description, "No such file or directory");
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
    int hookCode = -1;
    env.ExitHook = [&](int code) {
        order.push_back("hook");
        hookCode = code;
    };
    try {
        env.ExitProgram(3);
        FAIL() << "ExitProgram returned";
    } catch (const ProgramExit& e) {
        EXPECT_EQ(e.code(), 3);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"splash", "board link", "hook"}));
    EXPECT_EQ(hookCode, 3);
    // The log ends closed, after what the releases logged.
    std::vector<std::string> lines = Logged();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "port closed");
    EXPECT_EQ(lines.back(), "LOG FILE CLOSED");
}
