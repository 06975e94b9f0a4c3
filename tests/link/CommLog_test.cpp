// The communications log file: line tags, stamps, continuation, rotation.
#include "link/CommLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FakeClock.h"
#include "platform/Files.h"
#include "tests/link/LinkFixture.h"

using plyx::link::CommLog;
using plyx::platform::FakeClock;
using plyx::test::Holds;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end = 0; pos <= text.size(); pos = end + 2) {
        end = std::min(text.find("\r\n", pos), text.size());
        out.push_back(text.substr(pos, end - pos));
    }
    return out;
}

struct CommLogTest : ::testing::Test {
    std::vector<std::string> Read(const std::string& name) { return Lines(plyx::test::DecodeLog(dir.Read(name))); }
    plyx::test::TempDir dir;
    FakeClock clock;
    CommLog log{clock};
};

TEST_F(CommLogTest, FileFormatTagsAndContinuation) {
    log.LogFileOpen(dir.File("a.log"));
    for (unsigned char c : {45, 49, 50, 63}) log.LogFileWriteChar(4, c);
    log.LogFileWriteString(3, "SENDING 4 BYTES OF QUEUED WRITE DATA...");
    log.LogFileWriteString(3, "SENT.");  // within 1 ms: same line
    clock.AdvanceMs(2);
    log.LogFileWriteString(3, "LATE");  // later: a new line
    for (int c : {0, 127, 13}) log.LogFileWriteChar(2, c);
    log.LogFileWriteString(1, "--->Καλημέρα");
    log.LogFileOpen(dir.File("a.log"));  // closes first, then appends
    log.LogFileWriteTime(7, "odd");
    log.LogFileClose();
    const char* expected[] = {"", ":  EVENT:LOG FILE OPENED AT ", ":  QUEUED:-12?",
                              ":  SENT:SENDING 4 BYTES OF QUEUED WRITE DATA...SENT.", ":  SENT:LATE",
                              ":  RCVD:(0x00)(0x7F)(0x0D)", ":  EVENT:--->Καλημέρα", ":  EVENT:LOG FILE CLOSED",
                              ":  EVENT:LOG FILE OPENED AT ", ":  UNKNOWN(7):odd", ":  EVENT:LOG FILE CLOSED"};
    auto lines = Read("a.log");
    ASSERT_EQ(lines.size(), std::size(expected));
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].find(expected[i]), 24u) << lines[i];
    EXPECT_TRUE(Holds(lines[1], ".  Time tick frequency is 1000000000"));
    EXPECT_EQ(lines[2][2] + lines[2].substr(5, 1) + lines[2][19], std::string("//."));  // mm/dd/yyyy hh:mm:ss.ffff
}

// Texts are widened to UTF-16 eight characters at a time: every length
// around those steps, every ASCII character in every place.
TEST(CommLogText, WidensEveryLengthAndCharacter) {
    for (std::size_t n = 0; n <= 41; ++n) {
        for (int first = 0; first < 128; first += 37) {
            std::string text;
            for (std::size_t i = 0; i < n; ++i) text += static_cast<char>((first + 11 * i) % 128);
            std::string expected;
            for (char c : text) expected += {c, '\0'};
            std::string out(2 * n, 'x');
            plyx::link::WidenAscii(text.data(), n, out.data());
            EXPECT_EQ(out, expected) << n << " " << first;
        }
    }
}

// At the size limit the file is closed, moved to name + ".1" (an older one
// replaced; through a link, the target) and opened again, losing nothing.
TEST_F(CommLogTest, RotationAtTheSizeLimit) {
    ASSERT_EQ(::symlink("target.log", dir.File("linked.log").c_str()), 0);
    dir.Write("target.log.1", "older");
    log.SetSizeLimit(4096);
    log.LogFileOpen(dir.File("linked.log"));
    for (int i = 0; i < 100; ++i, clock.AdvanceMs(2)) log.LogFileWriteTime(1, "line " + std::to_string(i));
    log.LogFileClose();  // about 8 KB: two new files
    auto older = Read("target.log.1"), current = Read("target.log");
    for (const auto& lines : {older, current})
        EXPECT_TRUE(Holds(lines[1], "OPENED AT ") && Holds(lines.back(), "CLOSED") && lines.size() < 4096u / 80);
    const std::string last = older[older.size() - 2];
    EXPECT_TRUE(Holds(current[2], "line " + std::to_string(std::stoi(last.substr(last.rfind(' '))) + 1)));
    EXPECT_TRUE(Holds(current[current.size() - 2], "line 99"));
    EXPECT_TRUE(plyx::platform::IsSymlink(dir.File("linked.log")));

    // A ".1" that cannot be replaced would let the file grow without bound: a failure.
    ASSERT_EQ(::mkdir(dir.File("stuck.log.1").c_str(), 0777), 0);
    log.LogFileOpen(dir.File("stuck.log"));
    for (int i = 0; i < 100; ++i) log.LogFileWriteTime(1, "line");
    ASSERT_NE(log.WriteFailure(), nullptr);
    EXPECT_TRUE(Holds(log.WriteFailure()->reason, "cannot rename it to " + dir.File("stuck.log.1")));
}

// A pipe as the log is refused at once, whether a reader holds it open or
// not (a plain open would wait for one); /dev/null is written like a file.
TEST_F(CommLogTest, PipesAreRefusedDevicesWritten) {
    const std::string fifo = dir.File("pipe.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const char* when : {"with a reader", "without one"}) {
        SCOPED_TRACE(when);
        ASSERT_THROW(log.LogFileOpen(fifo), std::system_error);  // stops here rather than hang below
        EXPECT_FALSE(log.IsOpen());
        ::close(reader);
        reader = -1;
    }
    log.LogFileOpen("/dev/null");
    log.LogFileWriteTime(1, "gone");
    log.LogFileClose();
    EXPECT_EQ(log.WriteFailure(), nullptr);
}

}  // namespace
