// Runs on the simulated board: finishing files that cannot chain,
// refusals; the tape display that follows the board, and its texts; the
// production record's quoting.
#include <sys/stat.h>

#include <cstdio>
#include <limits>

#include "app/Numbers.h"
#include "app/ParameterFiles.h"
#include "engine/DisplayText.h"
#include "engine/plan/RunRecord.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

using RunTest = SimulatedRunTest;

// Only a .cfg chains, a .fin that can be read and run; else the shell runs alone.
TEST_F(RunTest, FinishingFilesThatCannotChain) {
    dir.Write("b.fin", "TLC=1\r\n");
    dir.Write("c.cfg", "TLC=1\r\nMRC=1\r\n");
    ASSERT_EQ(::mkdir(dir.File("c.fin").c_str(), 0700), 0);  // exists, but no file to read
    dir.Write("d.cfg", "TLC=1\r\nMRC=1\r\nPD=10.59\r\n");
    dir.Write("d.fin", "PD=0\r\nTLC=1\r\nMRC=1\r\n");
    const std::pair<const char*, std::size_t> cases[] = {{"b.fin", 0}, {"c.cfg", 0}, {"d.cfg", 1}};
    for (auto [shell, messages] : cases) {
        params.cTLC = params.cMRC = 1;
        app::LoadParameterFile(*env, params, dir.File(shell));
        board->ClearMoves();
        dialogs.messages.clear();
        engine->StartRun(false);
        EXPECT_EQ(dialogs.messages.size(), messages) << shell;
        EXPECT_EQ(BoardMoves().size(), 3u + 3u) << shell;  // the shell's pair (3 segments), the slow-down moves
        EXPECT_EQ(params.CurrentShellFile, dir.File(shell));
    }
    EXPECT_EQ(params.zPD, 10.59);
}

// Each refusal a dictionary text, for both kinds of run; nothing saved or moved.
TEST_F(RunTest, RefusalsAreDictionaryTexts) {
    using Set = void (*)(app::ParameterSet&);
    const std::pair<Set, const char*> cases[] = {
        {[](app::ParameterSet& p) { p.strModel.clear(); }, "(901:No PLYX3 Model is loaded"},
        {[](app::ParameterSet& p) { p.zPD = 0; }, "(902:The pole diameter (PD) is 0"},
        {[](app::ParameterSet& p) { p.fLayerPattern = 1, p.cTLC = p.cBLC = 100, p.cMRC = 328; },
         "(903:This shell alternates its layers with 32800 line pairs in one run; at most 32767 "},
        {[](app::ParameterSet& p) { p.SettingsUnreadable = "Is a directory", p.strModel.clear(); },
         "(1101:The saved settings in PLYX3.CFG could not be read (Is a directory), so no run can start."},
        {[](app::ParameterSet& p) { p.cTLC = 0, p.cMSPS = -5, p.zTS = -2.4; },
         "(1104:No run can start on these values: TS=-2.4, TLC=0, MSPS=-5. Please correct them"},
        // 16 * .01 and 10 * .01 / sqrt 2 reach the controller as 0; 10 * .1 / sqrt 2 as 1.
        {[](app::ParameterSet& p) { p.zSSR = p.zMRFL = .01, p.zMRSI = .1; },
         "(1103:With these values the controller would be sent a rate of 0: SSR=.01, MRFL=.01. "},
    };
    tables.ShowResourceIDs = true;
    const app::ParameterSet saved = params;
    for (const auto& [set, shown] : cases) {
        for (bool burnish : {false, true}) {
            params = saved;
            set(params);
            dialogs.messages.clear();
            engine->StartRun(burnish);
            ASSERT_EQ(dialogs.messages.size(), 1u) << shown;
            std::string text = dialogs.messages[0].text;
            if (const std::size_t at = text.find(dir.path() + "/PLYX3/"); at != std::string::npos)
                text.erase(at, dir.path().size() + 7);
            EXPECT_EQ(text.rfind(shown, 0), 0u) << text;
            EXPECT_TRUE(BoardMoves().empty());
            EXPECT_FALSE(platform::FileExists(dir.path() + "/PLYX3/PLYX3.CFG"));
            engine->CloseRunWindowAndReturn();  // the settings file stays unwritten here too
            EXPECT_EQ(platform::FileExists(dir.path() + "/PLYX3/PLYX3.CFG"), params.SettingsUnreadable.empty());
            std::remove((dir.path() + "/PLYX3/PLYX3.CFG").c_str());
        }
    }
    params = saved;
    params.fLayerPattern = 1, params.cTLC = 100, params.cMRC = 328;
    params.cBLC = 2;
    EXPECT_EQ(engine->RunRefusal(true), "");
    params.cMRC = 327;
    EXPECT_EQ(engine->RunRefusal(false), "");
}

// Every example file reads without a word and runs; a finishing file with
// values no run can use is left out with one message naming them.
TEST_F(RunTest, ExamplesAreUsableAndAnUnusableFinishingFileIsNamedOnce) {
    for (const char* name : {"models/Standard-4Axis.cf", "shells/Shell-6in.cfg", "shells/Shell-6in.fin",
                             "shells/Shell-8in-alternate.cfg"}) {
        app::LoadDefaults(params);
        app::LoadParameterFile(*env, params, std::string(PLYX3_EXAMPLES_DIR "/") + name);
        EXPECT_TRUE(dialogs.messages.empty()) << name;
        EXPECT_EQ(engine->RunRefusal(false) + engine->RunRefusal(true), "") << name;
    }
    app::LoadDefaults(params);
    params.strModel = "M";
    dir.Write("e.cfg", "TLC=1\r\nMRC=1\r\n");
    dir.Write("e.fin", "TLC=32767\r\nMRC=1\r\n");
    app::LoadParameterFile(*env, params, dir.File("e.cfg"));
    engine->StartRun(false);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("No run can start on these values: TLC=0.", 0), 0u)
        << dialogs.messages[0].text;
    EXPECT_EQ(BoardMoves().size(), 3u + 3u);  // the shell's pair, the slow-down moves
}

TEST_F(RunTest, RingDisplayIndex) {
    engine->ComputeRunConstants();  // a queue of 30: a ring of 61
    for (int i = 1; i <= 63; ++i) engine->InsertDistance(i * 1000.0 / 0.003925, 2);  // i * 1000 inches
    ASSERT_EQ(globals.Ring.idNextDistance, 2);
    globals.cQueInUse = 5;
    engine->UpdateQueueDisplays();
    EXPECT_TRUE(Logged("Extracting distance " + app::NumberText(globals.Ring.DistanceAt(58)) +
                       " from entry 58; idNextDistance = 2, cQueInUse = 5"));
    // Entry 58 was written by insert 59: 59000 inches in feet.
    EXPECT_EQ(status.stepTotal, TapeLengthText(59000 / 12.0));
    EXPECT_EQ(status.layerTotal, "2");
    // Wild counts from the board, and wild capacities, stay inside the ring.
    for (int inUse : {-40, -1, 61, 200, -32768, 32767}) {
        const std::int16_t index = globals.Ring.GetExtractIndex(static_cast<std::int16_t>(inUse));
        EXPECT_TRUE(index >= 0 && index < 61) << inUse << " -> " << index;
    }
    for (int capacity : {-5, 32767}) {
        globals.Ring.Reset(static_cast<std::int16_t>(capacity));
        EXPECT_GT(globals.Ring.Length(), 0) << capacity;
    }
}

// A field is quoted when it holds a comma, a quote, a CR or an LF, each on
// its own; quotes inside are doubled; other fields go as they are.
TEST(RunRecordLine, EachSpecialCharacterQuotedOnItsOwn) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"plain 1.5 ;'x"}, "plain 1.5 ;'x\r\n"},
        {{""}, "\r\n"},
        {{"a,b"}, "\"a,b\"\r\n"},
        {{"a\"b"}, "\"a\"\"b\"\r\n"},
        {{"a\rb"}, "\"a\rb\"\r\n"},
        {{"a\nb"}, "\"a\nb\"\r\n"},
        {{"\"\""}, "\"\"\"\"\"\"\r\n"},
        {{"x", "y,z", "", "\""}, "x,\"y,z\",,\"\"\"\"\r\n"}};
    for (const auto& [fields, line] : cases) EXPECT_EQ(CsvLine(fields), line) << line;
}

TEST(DisplayText, ElapsedTimeAndTapeLength) {
    const std::pair<double, const char*> tape[] = {
        {0, "0.0"}, {1234567.04, "1,234,567.0"}, {999.96, "1,000.0"}, {-12.25, "-12.2"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0"}, {std::numeric_limits<double>::infinity(), "0.0"}};
    for (auto [inches, text] : tape) EXPECT_EQ(TapeLengthText(inches), text) << inches;
    EXPECT_EQ(TapeLengthText(1e300).substr(0, 6), "1,000,");
    EXPECT_EQ(ElapsedTimeText(90061), "25:01:01");
    EXPECT_EQ(ElapsedTimeText(-61), "0:01:01");
}

}  // namespace
}  // namespace plyx::engine::test
