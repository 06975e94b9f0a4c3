// The communications log file: line tags, stamps, continuation, rotation,
// each rule at its boundary.
#include "link/CommLog.h"

#include <fcntl.h>
#include <time.h>
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

// Local time is UTC while it lives.
struct UtcZone {
    UtcZone() : had(std::getenv("TZ") != nullptr), old(had ? std::getenv("TZ") : "") {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (had)
            ::setenv("TZ", old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    bool had;
    std::string old;
};

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
    for (int c : {0, 127, 13}) log.LogFileWriteChar(2, c);
    log.LogFileWriteString(1, "--->Καλημέρα");
    log.LogFileOpen(dir.File("a.log"));  // closes first, then appends
    log.LogFileWriteTime(7, "odd");
    log.LogFileClose();
    const char* expected[] = {"", ":  EVENT:LOG FILE OPENED AT ", ":  QUEUED:-12?",
                              ":  SENT:SENDING 4 BYTES OF QUEUED WRITE DATA...SENT.",
                              ":  RCVD:(0x00)(0x7F)(0x0D)", ":  EVENT:--->Καλημέρα", ":  EVENT:LOG FILE CLOSED",
                              ":  EVENT:LOG FILE OPENED AT ", ":  UNKNOWN(7):odd", ":  EVENT:LOG FILE CLOSED"};
    auto lines = Read("a.log");
    ASSERT_EQ(lines.size(), std::size(expected));
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].find(expected[i]), 24u) << lines[i];
    EXPECT_TRUE(Holds(lines[1], ".  Time tick frequency is 1000000000"));
}

// The stamp is the date and time at creation plus the whole seconds since,
// as "mm/dd/yyyy hh:mm:ss" (00 to 23 hours), then the fraction rounded down
// to 4 digits, or to 6 when the name ends in exacttime.log (any case).
TEST_F(CommLogTest, StampsAtTheirBoundaries) {
    const UtcZone utc;
    FakeClock c;
    c.wallStart = 1798761599;  // 12/31/2026 23:59:59 UTC
    CommLog l{c};
    const struct { const char* name; std::int64_t ns; const char* stamp; } cases[] = {
        {"a.log", 0, "12/31/2026 23:59:59.0000"},
        {"a.log", 999'960'000, "12/31/2026 23:59:59.9999"},
        {"a.log", 1'000'000'000, "01/01/2027 00:00:00.0000"},
        {"a.log", 13'500'000'000, "01/01/2027 00:00:12.5000"},
        {"a.ExactTime.LOG", 1'999'999'600, "01/01/2027 00:00:00.999999"},
        {"exacttime.log", 2'000'000'900, "01/01/2027 00:00:01.000000"},
        {"a.xexacttime.log", 2'500'000'000, "01/01/2027 00:00:01.500000"},
        {"a.exacttime.log2", 2'500'000'000, "01/01/2027 00:00:01.5000"},
        {"a.xacttime.log", 2'500'000'000, "01/01/2027 00:00:01.5000"},
    };
    int i = 0;
    for (const auto& [name, ns, stamp] : cases) {
        const std::string file = std::to_string(i++) + name;
        c.ticks = ns;
        l.LogFileOpen(dir.File(file));
        l.LogFileClose();
        const std::string opened = "LOG FILE OPENED AT " + plyx::platform::GeneralDateTime(c.WallTime());
        EXPECT_EQ(Read(file)[1], std::string(stamp) + ":  EVENT:" + opened + ".  Time tick frequency is 1000000000")
            << file;
    }
}

// Text of the line's type continues the line for less than 1 ms from its
// stamp; another type starts a new one at once; in an exact-time log every
// received byte has a line of its own.
TEST_F(CommLogTest, LinesAndContinuation) {
    log.LogFileOpen(dir.File("a.log"));
    log.LogFileWriteTime(3, "A");
    clock.ticks += 999'999;
    log.LogFileWriteString(3, "B");
    clock.ticks += 1;
    log.LogFileWriteString(3, "C");
    log.LogFileWriteString(4, "D");
    for (unsigned char ch : {'1', '2'}) log.LogFileWriteChar(2, ch);
    log.LogFileOpen(dir.File("a.exacttime.log"));
    for (unsigned char ch : {'1', '2'}) log.LogFileWriteChar(2, ch);
    log.LogFileClose();
    const std::pair<const char*, std::vector<std::string>> files[] = {
        {"a.log", {"  EVENT:LOG FILE OPENED AT ", "  SENT:AB", "  SENT:C", "  QUEUED:D", "  RCVD:12",
                   "  EVENT:LOG FILE CLOSED"}},
        {"a.exacttime.log", {"  EVENT:LOG FILE OPENED AT ", "  RCVD:1", "  RCVD:2", "  EVENT:LOG FILE CLOSED"}}};
    for (const auto& [name, tails] : files) {
        const std::vector<std::string> lines = Read(name);
        ASSERT_EQ(lines.size(), tails.size() + 1) << name;
        for (std::size_t k = 0; k < tails.size(); ++k) {
            const std::string& line = lines[k + 1];
            const std::size_t at = line.find(": ");
            EXPECT_EQ(line.substr(at + 1, tails[k].size()), tails[k]) << name << " " << line;
            if (k > 0) {  // the tail only: its text ends the line
                EXPECT_EQ(line.size(), at + 1 + tails[k].size()) << line;
            }
        }
    }
}

// A file never passes its limit: a line that would carry it, with its
// closing event, one byte past the limit starts a new file first; one that
// reaches the limit exactly does not. Text still waiting in memory counts,
// and a line going on near the limit goes on in the next file.
TEST_F(CommLogTest, RotationExactlyAtTheLimit) {
    const std::string path = dir.File("r.log");
    auto onDisk = [&](const std::string& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0);
        return static_cast<std::uint64_t>(st.st_size);
    };
    // UTF-16: CR LF, "MM/DD/YYYY HH:MM:SS.ffff: ", the tag, the text.
    auto eventBytes = [](const std::string& text) { return 2 * (2 + 26 + 7 + text.size()); };
    const std::uint64_t closing = eventBytes("LOG FILE CLOSED");
    log.LogFileOpen(path);
    const std::uint64_t exact = onDisk(path) + eventBytes("fits") + closing;
    log.SetSizeLimit(exact);
    log.LogFileWriteTime(1, "fits");
    log.LogFileClose();
    EXPECT_FALSE(plyx::platform::FileExists(path + ".1"));
    EXPECT_EQ(onDisk(path), exact);

    log.LogFileOpen(path);
    log.SetSizeLimit(onDisk(path) + eventBytes("one over") + closing - 1);
    log.LogFileWriteTime(1, "one over");
    const std::vector<std::string> first = Read("r.log.1");
    EXPECT_LE(onDisk(path + ".1"), log.SizeLimit());
    EXPECT_TRUE(Holds(first[2], "EVENT:fits") && Holds(first.back(), "EVENT:LOG FILE CLOSED"));
    EXPECT_EQ(std::count_if(first.begin(), first.end(), [](const std::string& l) { return Holds(l, "one over"); }), 0);
    EXPECT_TRUE(Holds(Read("r.log")[2], "EVENT:one over"));

    // Waiting in memory: 2 x 3 bytes of "abc", then a byte of room too few for "d".
    for (unsigned char ch : {'a', 'b', 'c'}) log.LogFileWriteChar(4, ch);
    log.SetSizeLimit(onDisk(path) + 2 * (2 + 26 + 8) + 6 + closing + 1);
    log.LogFileWriteChar(4, 'd');
    log.Flush();
    EXPECT_LE(onDisk(path + ".1"), log.SizeLimit());
    const std::vector<std::string> second = Read("r.log.1"), current = Read("r.log");
    EXPECT_TRUE(Holds(second[second.size() - 2], "QUEUED:abc") && Holds(second.back(), "EVENT:LOG FILE CLOSED"));
    ASSERT_EQ(current.size(), 3u);
    EXPECT_TRUE(Holds(current[2], "QUEUED:d"));
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
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("target.log.1").c_str(), &st), 0);
    EXPECT_LE(st.st_size, 4096);
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
