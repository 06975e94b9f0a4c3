#include "link/CommLog.h"

#include <gtest/gtest.h>

#include "platform/FakeClock.h"
#include "platform/TextCodec.h"
#include "tests/support/TempDir.h"

using plyx::link::CommLog;
using plyx::platform::FakeClock;

namespace {

// The log file decoded to UTF-8, without its byte-order mark.
std::string ReadLog(const plyx::test::TempDir& dir, const std::string& name) {
    std::string raw = dir.Read(name);
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') raw.erase(0, 2);
    std::u16string u;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        u += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                   (static_cast<unsigned char>(raw[i + 1]) << 8));
    return plyx::platform::Utf16ToUtf8(u);
}

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

}  // namespace

TEST(CommLog, ClosedLogWritesNothingAndRaisesNothing) {
    FakeClock clock;
    CommLog log(clock);
    EXPECT_FALSE(log.IsOpen());
    log.LogFileWriteTime(1, "x");
    log.LogFileWriteString(2, "y");
    log.LogFileWriteChar(4, 'z');
    log.LogFileClose();
    EXPECT_FALSE(log.IsOpen());
}

TEST(CommLog, FileFormatTagsAndContinuation) {
    plyx::test::TempDir dir;
    FakeClock clock;
    CommLog log(clock);
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

    auto lines = Lines(ReadLog(dir, "a.log"));
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

TEST(CommLog, FractionDigitsInBothTimeModes) {
    plyx::test::TempDir dir;
    for (const char* name : {"run.log", "RunExactTime.Log"}) {
        FakeClock clock;
        CommLog log(clock);
        log.LogFileOpen(dir.File(name));
        clock.AdvanceMs(500);
        log.LogFileWriteTime(1, "half");
        log.LogFileWriteChar(2, 'a');
        log.LogFileWriteChar(2, 'b');
        log.LogFileClose();
        auto lines = Lines(ReadLog(dir, name));
        bool exact = std::string(name) != "run.log";
        std::string half = lines[2];
        EXPECT_NE(half.find(exact ? ".500000:  EVENT:half" : ".5000:  EVENT:half"), std::string::npos) << half;
        // Exact time: every received byte gets its own stamped line.
        EXPECT_EQ(lines.size(), exact ? 6u : 5u);
    }
}

TEST(CommLog, BlockCharWriteLogShowsDots) {
    plyx::test::TempDir dir;
    FakeClock clock;
    CommLog log(clock);
    log.LogFileOpen(dir.File("b.log"));
    log.SetBlockCharWriteLog(true);
    for (unsigned char c : {45, 49, 50, 63}) log.LogFileWriteChar(4, c);
    log.LogFileClose();
    EXPECT_NE(ReadLog(dir, "b.log").find(" QUEUED:....\r\n"), std::string::npos);
}

TEST(CommLog, ReopenAppendsAndKeepsNonLatinText) {
    plyx::test::TempDir dir;
    FakeClock clock;
    CommLog log(clock);
    log.LogFileOpen(dir.File("c.log"));
    log.LogFileWriteTime(1, "--->Καλημέρα");
    log.LogFileOpen(dir.File("c.log"));  // closes first, then appends
    log.LogFileClose();
    std::string text = ReadLog(dir, "c.log");
    EXPECT_NE(text.find("--->Καλημέρα"), std::string::npos);
    EXPECT_EQ(Lines(text).size(), 6u);  // empty, opened, text, closed, opened, closed
}

TEST(CommLog, NothingLostWhenDestroyedOpen) {
    plyx::test::TempDir dir;
    FakeClock clock;
    {
        CommLog log(clock);
        log.LogFileOpen(dir.File("d.log"));
        for (int i = 0; i < 100; ++i) log.LogFileWriteChar(2, 'r');
    }
    std::string text = ReadLog(dir, "d.log");
    EXPECT_NE(text.find(std::string(100, 'r')), std::string::npos);
    EXPECT_NE(text.find("LOG FILE CLOSED"), std::string::npos);
}
