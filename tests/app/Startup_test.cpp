#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/ParameterFiles.h"
#include "app/Startup.h"
#include "platform/Files.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

// Records when each start-up hook runs, with the last line logged by then.
class RecordingContinuation : public StartupContinuation {
public:
    explicit RecordingContinuation(std::function<std::string()> lastLine) : lastLine_(std::move(lastLine)) {}
    void CreateBoardLink() override { calls.push_back("CreateBoardLink after " + lastLine_()); }
    void ShowSplash() override { calls.push_back("ShowSplash after " + lastLine_()); }
    void ScanForBoards() override { calls.push_back("ScanForBoards after " + lastLine_()); }
    std::vector<std::string> calls;

private:
    std::function<std::string()> lastLine_;
};

class StartupTest : public plyx::test::CoreFixture {
protected:
    StartupTest() {
        tables.InternalDictionary.clear();  // start-up builds it itself
        env.ExecutablePath = "/usr/lib/plyx/plyx3";
    }
    std::vector<std::string> StartupLog(const std::string& name) {
        return plyx::test::EventLines(DataDir() + "/" + name);
    }
    void WriteSettings(const std::string& name, const std::string& content) {
        env.GetDataDirectory();
        docs.Write("PLYX3/" + name, content);
    }
};

const std::vector<std::string> kStartupSteps = {
    "--->Loading internal dictionary",       "--->Parsing default dictionary",
    "--->Loading default values",            "--->Loading previously used parameters",
    "--->Loading command line parameters",
};

}  // namespace

TEST_F(StartupTest, RequestedPortFiveWritesItsOwnStartupLogInOrder) {
    env.CommandLine = "REQCOMPORT=5";
    Main(env, params, nullptr);
    EXPECT_EQ(env.RequestedComPort, 5);
    EXPECT_EQ(env.PerPortPrefix, "C5.");
    EXPECT_EQ(env.ComPortName, "COM5");
    EXPECT_EQ(env.PortCaptionPrefix, "COM5: ");
    std::vector<std::string> lines = StartupLog("C5.PLYX3LastStartup.log");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0].rfind("LOG FILE OPENED AT ", 0), 0u);
    EXPECT_EQ(lines[1], "--->PLYX3 version " + std::to_string(PLYX3_VERSION_MAJOR) + "." +
                            std::to_string(PLYX3_VERSION_MINOR) + "." + std::to_string(PLYX3_VERSION_REVISION));
    EXPECT_EQ(lines[2], "--->Loaded from: </usr/lib/plyx/plyx3>");
    EXPECT_EQ(lines[3].rfind("--->Linux version ", 0), 0u);
    std::vector<std::string> rest(lines.begin() + 4, lines.end());
    std::vector<std::string> expected = kStartupSteps;
    expected.push_back("--->   Parsing REQCOMPORT=5");  // only the second pass: no log during the first
    EXPECT_EQ(rest, expected);
    EXPECT_FALSE(plyx::platform::FileExists(DataDir() + "/PLYX3LastStartup.log"));
}

TEST_F(StartupTest, CommandLineOverridesTheSettingsOfItsPort) {
    WriteSettings("C5.PLYX3.CFG", "SD=7\r\nTLC=9\r\nComPort=COM1\r\nMotorCurrentMA=700\r\n");
    WriteSettings("PLYX3.CFG", "SD=1\r\nBLC=4\r\n");  // another instance's settings
    env.CommandLine = "REQCOMPORT=5 SD=8";
    Main(env, params, nullptr);
    EXPECT_EQ(params.zSD, 8);
    EXPECT_EQ(params.cTLC, 9);
    EXPECT_EQ(params.cBLC, 2);
    EXPECT_EQ(params.cMotorCurrentMA, 700);
    EXPECT_EQ(env.ComPortName, "COM5");  // the requested port wins over the recorded one
}

TEST_F(StartupTest, StartFromScratchSetsOnceOnlyValues) {
    params.strModel = "left over";
    params.strLogFile = "old.log";
    params.idMMD = 3958;
    params.cMotorCurrentMA = 5;
    tables.ShowResourceIDs = true;
    plyx::text::SetDictionaryText(tables.SelectedLanguageTable, 101, "stale");
    Main(env, params, nullptr);
    EXPECT_EQ(params.strModel, "");
    EXPECT_EQ(params.strLogFile, "");
    EXPECT_EQ(params.idMMD, 0);
    EXPECT_EQ(params.cMotorCurrentMA, 1000);
    EXPECT_FALSE(tables.ShowResourceIDs);
    EXPECT_TRUE(tables.SelectedLanguageTable.empty());
    ASSERT_EQ(tables.InternalDictionary.count("819"), 1u);  // the internal texts are loaded
    EXPECT_EQ(params.zSD, 6);
}

// LOGMAXMB (MB, fractions too) limits the log's size: 0 none, a negative
// value keeps the default, never below 4 KB.
TEST_F(StartupTest, LogSizeLimitFromTheCommandLine) {
    const std::pair<const char*, std::uint64_t> cases[] = {
        {"", 200u << 20}, {"LOGMAXMB=0", 0}, {"LOGMAXMB=0.5", 512u << 10}, {"LOGMAXMB=-1", 200u << 20},
        {"LOGMAXMB=0.000001", 4096}};
    for (const auto& [line, bytes] : cases) {
        env.CommandLine = line;
        Main(env, params, nullptr);
        EXPECT_EQ(log.SizeLimit(), bytes) << line;
    }
}

TEST_F(StartupTest, DefaultLanguageFileIsLoadedWhenPresent) {
    WriteSettings("default.lng", "PLYX3RESOURCES\r\n106,Los\r\n");
    Main(env, params, nullptr);
    EXPECT_EQ(plyx::text::LookupResourceText(tables, 106), "Los");
    EXPECT_EQ(tables.CurrentResourceFile, DataDir() + "/default.lng");
    std::vector<std::string> lines = StartupLog("PLYX3LastStartup.log");
    auto at = std::find(lines.begin(), lines.end(), "--->Parsing default dictionary");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at + 1), "--->Attempting to open external resource file " + DataDir() + "/default.lng");
}

TEST_F(StartupTest, ProgramFileNameNamesEverything) {
    env.ExecutablePath = "/opt/wrapper";
    Main(env, params, nullptr);
    EXPECT_EQ(env.ProgramName, "WRAPPER");
    EXPECT_TRUE(plyx::platform::FileExists(docs.path() + "/WRAPPER/WRAPPERLastStartup.log"));
    EXPECT_EQ(plyx::text::LookupResourceText(tables, 100), "WRAPPER");
    EXPECT_EQ(GetSettingsFilePath(env), docs.path() + "/WRAPPER/WRAPPER.CFG");
}

TEST_F(StartupTest, ContinuationRunsAtItsPlaces) {
    env.CommandLine = "REQCOMPORT=2";
    RecordingContinuation next([this] {
        std::vector<std::string> l = plyx::test::EventLines(DataDir() + "/C2.PLYX3LastStartup.log");
        return l.empty() ? std::string("nothing") : l.back();
    });
    Main(env, params, &next);
    EXPECT_EQ(next.calls, (std::vector<std::string>{"CreateBoardLink after nothing",
                                                    "ShowSplash after --->Starting GUI",
                                                    "ScanForBoards after --->Starting port scan"}));
}
