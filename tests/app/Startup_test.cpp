#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>
#include <unistd.h>

#include "app/ParameterFiles.h"
#include "app/Startup.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

// Records when each start-up hook runs, with the last line logged by then.
struct RecordingContinuation : StartupContinuation {
    std::function<std::string()> last;
    std::vector<std::string> calls;
    void CreateBoardLink() override { calls.push_back("CreateBoardLink after " + last()); }
    void ShowSplash() override { calls.push_back("ShowSplash after " + last()); }
    void ScanForBoards() override { calls.push_back("ScanForBoards after " + last()); }
};

class StartupTest : public plyx::test::CoreFixture {
protected:
    StartupTest() {
        tables.InternalDictionary.clear();  // start-up builds it itself
        env.ExecutablePath = "/usr/lib/plyx/plyx3";
    }
    // Main with a recording continuation: the exit code when start-up ended
    // the program, and the hooks that ran.
    std::pair<std::optional<int>, std::vector<std::string>> RunMain(const std::string& commandLine) {
        env.CommandLine = commandLine;
        RecordingContinuation next;
        next.last = [] { return std::string("-"); };
        std::optional<int> code;
        try {
            Main(env, params, &next);
        } catch (const ProgramExit& e) {
            code = e.code();
        }
        return {code, next.calls};
    }
};

}  // namespace

TEST_F(StartupTest, RequestedPortReadsItsOwnSettingsThenTheCommandLineAndLogsInOrder) {
    env.GetDataDirectory();
    docs.Write("PLYX3/C5.PLYX3.CFG", "SD=7\r\nTLC=9\r\nComPort=COM1\r\nMotorCurrentMA=700\r\n");
    docs.Write("PLYX3/PLYX3.CFG", "SD=1\r\nBLC=4\r\n");  // another instance's settings
    docs.Write("PLYX3/default.lng", "PLYX3RESOURCES\r\n106,Los\r\n");
    env.CommandLine = "REQCOMPORT=5 SD=8";
    RecordingContinuation next;
    next.last = [this] {
        std::vector<std::string> l = plyx::test::EventLines(DataDir() + "/C5.PLYX3LastStartup.log");
        return l.empty() ? std::string("nothing") : l.back();
    };
    Main(env, params, &next);
    EXPECT_EQ(next.calls, (std::vector<std::string>{"CreateBoardLink after nothing",
                                                    "ShowSplash after --->Starting GUI",
                                                    "ScanForBoards after --->Starting port scan"}));
    EXPECT_EQ(std::tuple(params.zSD, params.cTLC, params.cBLC, params.cMotorCurrentMA), std::tuple(8, 9, 2, 700));
    EXPECT_EQ(env.PerPortPrefix + env.ComPortName + "|" + env.PortCaptionPrefix, "C5.COM5|COM5: ");
    EXPECT_EQ(plyx::text::LookupResourceText(tables, 106), "Los");
    std::vector<std::string> lines = plyx::test::EventLines(DataDir() + "/C5.PLYX3LastStartup.log");
    ASSERT_GE(lines.size(), 4u);  // after the header
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"--->Loading internal dictionary", "--->Parsing default dictionary",
                                        "--->Attempting to open external resource file " + DataDir() + "/default.lng",
                                        "--->Line 2: Resource 106=", "--->Los", "--->2 text lines processed",
                                        "--->Loading default values", "--->Loading previously used parameters",
                                        "--->   Parsing SD=7", "--->   Parsing TLC=9", "--->   Parsing COMPORT=COM1",
                                        "--->   Parsing MOTORCURRENTMA=700", "--->Loading command line parameters",
                                        "--->   Parsing REQCOMPORT=5",
                                        "--->   Parsing SD=8", "--->Starting GUI", "--->Starting port scan"}));
    EXPECT_FALSE(plyx::platform::FileExists(DataDir() + "/PLYX3LastStartup.log"));
}

TEST_F(StartupTest, StartFromScratchTakesItsNamesFromTheProgramFileAndSetsOnceOnlyValues) {
    env.ExecutablePath = "/opt/wrapper";
    params.strModel = "left over";
    params.idMMD = 3958;
    params.cMotorCurrentMA = 5;
    tables.ShowResourceIDs = true;
    plyx::text::SetDictionaryText(tables.SelectedLanguageTable, 101, "stale");
    Main(env, params, nullptr);
    EXPECT_EQ(std::tuple(params.strModel, params.idMMD, params.cMotorCurrentMA), std::tuple("", 0, 1000));
    EXPECT_FALSE(tables.ShowResourceIDs || !tables.SelectedLanguageTable.empty());
    EXPECT_EQ(plyx::text::LookupResourceText(tables, 100), "WRAPPER");
    EXPECT_TRUE(plyx::platform::FileExists(docs.path() + "/WRAPPER/WRAPPERLastStartup.log"));
    EXPECT_EQ(GetSettingsFilePath(env), docs.path() + "/WRAPPER/WRAPPER.CFG");
}

// The notification programs come from the command line alone: a settings
// or shell file that names one is ignored (a program to run is not a value
// a file handed over may bring), and they are never written back.
TEST_F(StartupTest, NotificationProgramsFromTheCommandLineOnly) {
    env.GetDataDirectory();
    docs.Write("PLYX3/PLYX3.CFG", "ONRUNEND=/tmp/from-settings\r\n");
    docs.Write("s.cfg", "ONERROR=/tmp/from-shell\r\nSD=7\r\n");
    env.CommandLine = "ONERROR=/opt/notify/error.sh";
    Main(env, params, nullptr);
    EXPECT_EQ(std::make_pair(params.strOnRunEnd, params.strOnError), std::make_pair(std::string(), std::string("/opt/notify/error.sh")));
    LoadParameterFile(env, params, docs.File("s.cfg"));
    EXPECT_EQ(std::make_pair(params.zSD, params.strOnError), std::make_pair(7.0, std::string("/opt/notify/error.sh")));
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    EXPECT_EQ(docs.Read("PLYX3/PLYX3.CFG").find("notify"), std::string::npos);
}

// LOGMAXMB (MB, fractions too) limits the log's size: 0 none, a negative
// value or no number keeps the default, never below 1 MB; the settings
// file's LOGMAXMB counts for nothing.
TEST_F(StartupTest, LogSizeLimitFromTheCommandLine) {
    env.GetDataDirectory();
    docs.Write("PLYX3/PLYX3.CFG", "LOGMAXMB=0\r\n");
    const std::pair<const char*, std::uint64_t> cases[] = {
        {"", 200u << 20}, {"LOGMAXMB=0", 0}, {"LOGMAXMB=2.5", 5u << 19}, {"LOGMAXMB=-1", 200u << 20},
        {"LOGMAXMB=0.5", 1u << 20}, {"LOGMAXMB=0.000001", 1u << 20}, {"LOGMAXMB=abc", 200u << 20},
        {"LOGMAXMB=NaN", 200u << 20}};
    for (const auto& [line, bytes] : cases) {
        env.CommandLine = line;
        Main(env, params, nullptr);
        EXPECT_EQ(log.SizeLimit(), bytes) << line;
    }
    const std::vector<std::string> logged = plyx::test::EventLines(DataDir() + "/PLYX3LastStartup.log");
    EXPECT_NE(std::find(logged.begin(), logged.end(),
                        "--->   LOGMAXMB=NaN is no size in MB: the log keeps the limit of 200 MB"),
              logged.end());
}

// The limit holds from the first line: a language file read at start-up
// already rotates a log limited to 1 MB.
TEST_F(StartupTest, StartupLogIsLimitedFromItsFirstLine) {
    env.GetDataDirectory();
    std::string language = "PLYX3RESOURCES\r\n";
    for (int id = 1; id <= 700; ++id) language += std::to_string(id) + "," + std::string(1000, 'x') + "\r\n";
    docs.Write("PLYX3/default.lng", language);
    env.CommandLine = "LOGMAXMB=1";
    Main(env, params, nullptr);
    EXPECT_TRUE(plyx::platform::FileExists(DataDir() + "/PLYX3LastStartup.log.1"));
}

// A settings file that is there but cannot be read (a folder of its name, a
// file over 1 MB) is reported, never replaced by the defaults that stand in
// for it, and no run starts on them; named shell files are still saved.
TEST_F(StartupTest, UnreadableSettingsFileIsReportedAndNeverOverwritten) {
    const std::string settings = DataDir() + "/C3.PLYX3.CFG";
    const std::string big = "SD=7\r\n" + std::string(1u << 20, ' ');
    const std::tuple<const char*, std::function<void()>, std::string> cases[] = {
        {"folder", [&] { ASSERT_EQ(::mkdir(settings.c_str(), 0700), 0); }, "Is a directory"},
        {"too large", [&] { docs.Write("PLYX3/C3.PLYX3.CFG", big); }, "too large, over 1 MB"},
    };
    env.GetDataDirectory();
    env.CommandLine = "REQCOMPORT=3";
    for (const auto& [what, make, reason] : cases) {
        std::filesystem::remove_all(settings);
        make();
        dialogs.messages.clear();
        Main(env, params, nullptr);
        ASSERT_EQ(dialogs.messages.size(), 1u) << what;
        EXPECT_EQ(dialogs.messages[0].text.rfind("The saved settings in " + settings + " could not be read (" +
                                                 reason + "). The program starts with its default values",
                                                 0),
                  0u)
            << dialogs.messages[0].text;
        EXPECT_EQ(params.zSD, 6) << what;
        EXPECT_TRUE(WriteParameterFile(env, params, docs.File("saved.cfg"), kShellBlock)) << what;
        EXPECT_FALSE(WriteParameterFile(env, params, "", 0)) << what;
        EXPECT_EQ(std::filesystem::is_directory(settings) ? std::string("folder")
                                                           : plyx::platform::ReadWholeFile(settings, nullptr, 2u << 20).value_or(""),
                  std::string(what) == "folder" ? "folder" : big);
        const std::vector<std::string> logged = plyx::test::EventLines(DataDir() + "/C3.PLYX3LastStartup.log");
        EXPECT_NE(std::find(logged.begin(), logged.end(),
                            "--->Settings file " + settings + " could not be read (" + reason +
                                "): it will not be overwritten, and no run can start"),
                  logged.end());
    }
}

// A REQCOMPORT that named no port read as 0, "search every port", and the
// instances started for the controllers found got the bad value again. It
// now ends start-up with code 2 before the search, said in the log; a port
// named beside it keeps its files.
TEST_F(StartupTest, RequestedPortThatNamesNoPortEndsStartUpBeforeTheSearch) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"abc", 0}, {"40000", 0}, {"1e308", 0}, {"nan", 0}, {"0", 0}, {"-3", 0}, {"", 0}, {"3.5", 0},
        {"256", 0}, {"3 REQCOMPORT=x", 0}, {"1", 1}, {"255", 255}, {"007", 7}};
    docs.Write("PLYX3/C3.PLYX3LastStartup.log", "the instance for COM3 writes here");
    for (const auto& [value, port] : cases) {
        auto [ended, calls] = RunMain("REQCOMPORT=" + std::string(value));
        std::vector<std::string> log = plyx::test::EventLines(DataDir() + "/PLYX3LastStartup.log");
        if (port == 0) {
            EXPECT_TRUE(ended == 2 && calls.size() == 1) << value;  // the board link only: no splash, no search
            ASSERT_GE(log.size(), 2u);
            EXPECT_NE(log[log.size() - 2].find(" names no port: give a number from 1 to 255"), std::string::npos);
        } else {
            EXPECT_TRUE(!ended && calls.size() == 3 && env.RequestedComPort == port) << value;
        }
    }
    EXPECT_EQ(plyx::platform::ReadWholeFile(DataDir() + "/C3.PLYX3LastStartup.log"), "the instance for COM3 writes here");
}

// The second instance for a port in use deleted the first one's start-up
// log and waited at the splash window without a word. It now names the
// port and the other process, ends with code 3 and leaves the files alone.
TEST_F(StartupTest, SecondInstanceForAPortInUseEndsAndLeavesTheFirstOnesFilesAlone) {
    const char* files[] = {"C5.PLYX3LastStartup.log", "C5.w.log", "C5.PLYX3.CFG"};
    for (const char* name : files) docs.Write(std::string("PLYX3/") + name, name);
    plyx::platform::InstanceLock first;
    long holder = 0;
    ASSERT_TRUE(first.TryTake(DataDir() + "/C5.PLYX3.lock", holder));
    auto [ended, calls] = RunMain("REQCOMPORT=5 LOGFILE=w.log");
    EXPECT_TRUE(ended == 3 && calls.size() == 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "COM5 is in use by another PLYX3 (process " + std::to_string(::getpid()) + ")");
    for (const char* name : files) EXPECT_EQ(plyx::platform::ReadWholeFile(DataDir() + "/" + name), name);
    first.Release();  // the first has ended: the port is the next one's
    EXPECT_FALSE(RunMain("REQCOMPORT=5 LOGFILE=w.log").first);
}
