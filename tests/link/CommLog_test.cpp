// The communications log file: line tags, stamps, continuation and closing.
#include "link/CommLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FakeClock.h"
#include "platform/Files.h"
#include "tests/link/LinkFixture.h"

using plyx::link::CommLog;
using plyx::platform::FakeClock;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

struct CommLogTest : ::testing::Test {
    std::string Read(const std::string& name) { return plyx::test::DecodeLog(dir.Read(name)); }
    plyx::test::TempDir dir;
    FakeClock clock;
    CommLog log{clock};
};

}  // namespace

TEST_F(CommLogTest, FileFormatTagsAndContinuation) {
    log.LogFileOpen(dir.File("a.log"));
    for (unsigned char c : {45, 49, 50, 63}) log.LogFileWriteChar(4, c);
    log.LogFileWriteString(3, "SENDING 4 BYTES OF QUEUED WRITE DATA...");
    log.LogFileWriteString(3, "SENT.");  // within 1 ms: same line
    clock.AdvanceMs(2);
    log.LogFileWriteString(3, "LATE");   // later: a new line
    log.LogFileWriteChar(2, 0);
    log.LogFileWriteChar(2, 127);
    log.LogFileWriteChar(2, '\r');
    log.LogFileWriteString(1, "same time, other type");
    log.LogFileWriteTime(7, "odd");
    log.LogFileClose();

    auto lines = Lines(Read("a.log"));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "");
    EXPECT_NE(lines[1].find(" EVENT:LOG FILE OPENED AT "), std::string::npos);
    EXPECT_NE(lines[1].find(".  Time tick frequency is 1000000000"), std::string::npos);
    EXPECT_EQ(lines[2].substr(lines[2].find(": ") ), ":  QUEUED:-12?");
    EXPECT_NE(lines[3].find(" SENT:SENDING 4 BYTES OF QUEUED WRITE DATA...SENT."), std::string::npos);
    EXPECT_NE(lines[4].find(" SENT:LATE"), std::string::npos);
    EXPECT_NE(lines[5].find(" RCVD:(0x00)(0x7F)(0x0D)"), std::string::npos);
    EXPECT_NE(lines[6].find(" EVENT:same time, other type"), std::string::npos);
    EXPECT_NE(lines[7].find(" UNKNOWN(7):odd"), std::string::npos);
    EXPECT_NE(lines[8].find(" EVENT:LOG FILE CLOSED"), std::string::npos);
    // "mm/dd/yyyy hh:mm:ss.ffff: " stamp
    EXPECT_EQ(lines[2][2], '/');
    EXPECT_EQ(lines[2][5], '/');
    EXPECT_EQ(lines[2][19], '.');
    EXPECT_EQ(lines[2].substr(24, 2), ": ");
}

TEST_F(CommLogTest, FractionDigitsInBothTimeModes) {
    for (const char* name : {"run.log", "RunExactTime.Log"}) {
        FakeClock fresh;
        CommLog each(fresh);
        each.LogFileOpen(dir.File(name));
        fresh.AdvanceMs(500);
        each.LogFileWriteTime(1, "half");
        each.LogFileWriteChar(2, 'a');
        each.LogFileWriteChar(2, 'b');
        each.LogFileClose();
        auto lines = Lines(Read(name));
        bool exact = std::string(name) != "run.log";
        EXPECT_TRUE(plyx::test::Holds(lines[2], exact ? ".500000:  EVENT:half" : ".5000:  EVENT:half"));
        // Exact time: every received byte gets its own stamped line.
        EXPECT_EQ(lines.size(), exact ? 6u : 5u);
    }
}

TEST_F(CommLogTest, ReopenAppendsKeepsNonLatinTextAndLosesNothingWhenDestroyedOpen) {
    log.LogFileOpen(dir.File("c.log"));
    log.LogFileWriteTime(1, "--->Καλημέρα");
    log.LogFileOpen(dir.File("c.log"));  // closes first, then appends
    log.LogFileClose();
    std::string text = Read("c.log");
    EXPECT_NE(text.find("--->Καλημέρα"), std::string::npos);
    EXPECT_EQ(Lines(text).size(), 6u);  // empty, opened, text, closed, opened, closed
    {
        CommLog open(clock);
        open.LogFileOpen(dir.File("d.log"));
        for (int i = 0; i < 100; ++i) open.LogFileWriteChar(2, 'r');
    }
    text = Read("d.log");
    EXPECT_TRUE(plyx::test::HoldsAll(text, {std::string(100, 'r').c_str(), "LOG FILE CLOSED"}));
}

// At the size limit, at the start of a line: closed with its event, moved to
// name + ".1" (an older one replaced), opened again with its event; through a
// symbolic link the file moves and the link stays. Nothing is lost between.
TEST_F(CommLogTest, RotationAtTheSizeLimit) {
    ASSERT_EQ(::symlink("target.log", dir.File("linked.log").c_str()), 0);
    dir.Write("target.log.1", "older");
    log.SetSizeLimit(4096);
    log.LogFileOpen(dir.File("linked.log"));
    for (int i = 0; i < 100; ++i, clock.AdvanceMs(2)) log.LogFileWriteTime(1, "line " + std::to_string(i));
    log.LogFileClose();  // about 8 KB: two new files
    std::vector<std::string> older = Lines(Read("target.log.1")), current = Lines(Read("target.log"));
    for (const auto& lines : {older, current}) {
        EXPECT_TRUE(plyx::test::Holds(lines[1], "EVENT:LOG FILE OPENED AT "));
        EXPECT_TRUE(plyx::test::Holds(lines.back(), "EVENT:LOG FILE CLOSED"));
        EXPECT_LE(lines.size(), 4096u / 80);
    }
    const std::string last = older[older.size() - 2];
    EXPECT_TRUE(plyx::test::Holds(current[2], "line " + std::to_string(std::stoi(last.substr(last.rfind(' '))) + 1)));
    EXPECT_TRUE(plyx::test::Holds(current[current.size() - 2], "line 99"));
    EXPECT_TRUE(plyx::platform::IsSymlink(dir.File("linked.log")));

    // A ".1" that cannot be replaced would let the file grow without bound: a failure.
    ASSERT_EQ(::mkdir(dir.File("stuck.log.1").c_str(), 0777), 0);
    log.LogFileOpen(dir.File("stuck.log"));
    for (int i = 0; i < 100; ++i) log.LogFileWriteTime(1, "line");
    ASSERT_NE(log.WriteFailure(), nullptr);
    EXPECT_TRUE(plyx::test::Holds(log.WriteFailure()->reason, "cannot rename it to " + dir.File("stuck.log.1")));
}
