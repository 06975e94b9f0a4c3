// The wait for the 4-axis controller, and the reply and number reading the
// drivers share.
#include <algorithm>
#include <tuple>

#include "drivers/DriverNumbers.h"
#include "drivers/WaitReply.h"
#include "tests/drivers/DriverRig.h"

using namespace plyx::drivers;
using namespace plyx::test;

class IdleWaitTest : public RigTest {
protected:
    void SetUp() override {
        RigTest::SetUp();
        rig.Identified("QM4DNCRouter", "4.71");
        rig.link->SetIdleTime(4321);
    }
    int Queries() {
        std::string wire = board.TakeWire();
        return static_cast<int>(std::count(wire.begin(), wire.end(), 'h'));
    }
};

// The link's own time-outs are real; on a board of its own the driver's
// flush character is "~", which the scripted board ignores.
class IdleWaitRealTime : public ::testing::Test {
protected:
    void SetUp() override {
        router.SetAutoWaitOnMotionComplete(false);
        router.DefineRoute("");
        rig.link->SetIdleTime(4321);
    }
    Rig rig{plyx::platform::SystemClock()};
    FakeBoard& board = rig.board;
    QM4DNCRouter& router = rig.router;
};

// Line ends and stars are ignored; the count is rounded to 16 bits and is
// zero when there is no number or no state. Old firmware's digit reply gets
// the command's letter (a digit and one more character only); "G4*" is idle.
TEST(WaitReply, StateCountAndRepairs) {
    const std::tuple<const char*, int, int> cases[] = {
        {"\r\nG\r12\n*", kWaitMoving, 12}, {"", kWaitEmpty, 0}, {"X5*", kWaitNotState, 0},
        {"g3*", kWaitNotState, 0}, {"X99999999*", kWaitNotState, 0},  // a sync failure, not an overflow
        {"Gabc*", kWaitMoving, 0}, {"I3,4*", kWaitIdle, 0}, {"G2.5*", kWaitMoving, 2}, {"G3.5*", kWaitMoving, 4},
        {"G-3*", kWaitMoving, -3}, {"G32767*", kWaitMoving, 32767}};
    for (const auto& [reply, type, count] : cases) {
        WaitReply r = ParseWaitReply(PackReply(reply));
        EXPECT_EQ(r.lWaitType, type) << reply;
        EXPECT_EQ(r.lQueueCount, count) << reply;
    }
    EXPECT_THROW(ParseWaitReply("G32768*"), ArithmeticOverflow);
    const std::tuple<const char*, bool, const char*, const char*> repairs[] = {
        {"3*", false, "I", "I3*"},  {"3*", false, "G", "G3*"}, {"3*", true, "I", "3*"}, {"13*", false, "I", "13*"},
        {"x*", false, "I", "x*"},   {"G4*", true, "I", "I4*"}, {"G44*", true, "I", "G44*"},
        {"4*", false, "G", "I4*"}};  // the digit form after a G command turns into G4*, so idle
    for (const auto& [packed, above2, command, repaired] : repairs)
        EXPECT_EQ(RepairPackedReply(packed, above2, command), repaired) << packed << " " << command;
}

// A run's counts ("G0", "G29") are read without the general number reading,
// and must read as it reads them: every count up to four digits, with and
// without leading zeros, for every state letter.
TEST(WaitReply, PlainCountsReadAsTheGeneralReadingReadsThem) {
    std::vector<std::string> wrong;
    for (int v = 0; v <= 9999; ++v) {
        const std::string plain = std::to_string(v);
        for (std::size_t width = plain.size(); width <= 5; ++width) {
            const std::string digits = std::string(width - plain.size(), '0') + plain;
            const char letter = "GDAIPS"[v % 6];
            WaitReply r = ParseWaitReply(std::string(1, letter) + digits + "*");
            if (r.lQueueCount != TextToInt(digits) || r.lWaitType == kWaitNotState) wrong.push_back(digits);
        }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " counts read wrong, first " << wrong.front();
}

TEST(DriverNumbers, TextToLongRoundsHalvesToEvenAndDetectsOverflow) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {" -7 ", -7}, {"2.5", 2}, {"3.5", 4}, {"&HFFFF", -1}, {"&H10000", 65536}, {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(TextToLong(text), value) << text;
    EXPECT_THROW(TextToLong("2147483648"), ArithmeticOverflow);
    EXPECT_THROW(TextToLong("NO"), TypeMismatch);
    EXPECT_THROW(CheckedMul(262144, 8192), ArithmeticOverflow);
}

// Moving with a full queue is asked again once a millisecond until a place
// frees or the limit (1 s when zero or less) passes, across the tick wrap.
TEST_F(IdleWaitTest, MovingWithFullQueuePollsUntilAPlaceFrees) {
    board.On("h", {"G0*"});
    EXPECT_EQ(router.IdleWait(20), -1);
    EXPECT_EQ(Queries(), 21);
    board.On("h", {"A0*"});
    EXPECT_EQ(router.IdleWait(0), -1);
    EXPECT_EQ(router.IdleWait(-5), -1);
    clock.ticks = (static_cast<std::int64_t>(0xFFFFFFFFu) - 5) * 1000000;  // 6 ms before the wrap
    EXPECT_EQ(router.IdleWait(20), -1);
    EXPECT_EQ(clock.sleptMs, 2040);
    board.On("h", {"G0*", "G0*", "G1*"});
    Queries();
    EXPECT_EQ(router.IdleWait(1000), 1);
    EXPECT_EQ(Queries(), 3);
    EXPECT_EQ(router.LastQueueCount(), 1);
    // The full stop waits past moving replies and traps pause and stop.
    board.On("h", {"G3*", "G0*", "I0*"});
    router.IdleWaitForFullyStopped();
    EXPECT_EQ(Queries(), 3);
    board.On("h", {"P0*"});
    ExpectRaise([&] { router.IdleWaitForFullyStopped(); }, 9,
                "QM4DRouter4D.IdleWaitForFullyStopped\r\nController is paused!");
    board.On("h", {"S0*"});
    ExpectRaise([&] { router.IdleWaitForFullyStopped(); }, 9, "Controller is stopped!");
    EXPECT_EQ(rig.link->IdleTime(), 4321);
}

// A queued command with a complete reply needs no question; without one the
// state is asked until the board moves, accepts or is idle.
TEST_F(IdleWaitTest, QueuedCommandAsksOnlyWithoutACompleteReply) {
    board.On("G", {"G5*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(router.LastQueueCount(), 5);
    EXPECT_EQ(board.TakeWire(), "G");
    router.DefineRoute("");
    rig.link->SetIdleTime(200);
    board.On("G", {"\r\n"});  // a line end, then nothing more
    board.On("h", {"P0*"});
    ExpectRaise([&] { router.GoToCurrentRequestedLocation(); }, 9,
                "QM4DNCRouter.SendQueuedCommand\r\nController is paused during command 'G'");
    board.On("h", {"S0*"});
    ExpectRaise([&] { router.GoToCurrentRequestedLocation(); }, 9, "Controller is stopped during command 'G'");
    for (const char* state : {"G2*", "A3*"}) {
        Queries();
        board.On("h", {state, "I0*"});
        router.GoToCurrentRequestedLocation();
        EXPECT_EQ(Queries(), 1) << state;
    }
    EXPECT_EQ(rig.link->IdleTime(), 200);
}

// Without verbose replies a silent read is a time-out only the driver's bound
// ends (complete replies end it at once: a long bound spares a busy machine).
// An incomplete reply is decided without asking again (query, flush char); a
// silent board is the link's time-out (1), a verbose one after "*" lost sync (4).
TEST_F(IdleWaitRealTime, StateRepliesByFirmware) {
    const std::tuple<const char*, bool, const char*, int, const char*> cases[] = {
        {"4.71", true, "\r\n~", 3, nullptr},  // "~": the board holds its motion
        {"4.71", true, "*I0*", 0, nullptr},   // an empty reply is read again
        {"4.71", true, "G4*", 0, nullptr},    // old firmware's idle reply
        {"5.02", true, "G4*", 1, nullptr},    {"2.9", true, "3*", 0, nullptr},  // the query's letter
        {"2.9", true, "I0\r\n", 0, nullptr},   {"2.9", true, "G0\r\n", -1, nullptr},
        {"2.9", true, "A3\r\n", -1, nullptr},  {"2.9", true, "P0\r\n", 3, nullptr},
        {"2.9", true, "S1\r\n", 4, nullptr},   {"2.9", false, "*", -1, nullptr},
        {"2.9", true, "Z9\r\n", 4, "expected 'I', 'P', 'G' or 'A', saw Z9"},
        {"4.71", true, "X5*", 4, "QM4DNCRouter.IdleWait\r\nFailed idle synch with board -- expected 'Ix*', "
                                 "'Px*', 'Sx', 'Gx*' or 'Ax*', saw X5*"},
        {"4.71", true, "*", 4, "ZentrovaCom.ReadToDone"}, {"4.71", false, "", 1, ""},
        {"4.71", false, "*", -1, nullptr},
    };
    for (const auto& [version, verbose, reply, result, error] : cases) {
        SCOPED_TRACE(std::string(version) + " " + reply);
        rig.Identified("QM4DNCRouter", version);
        rig.link->SetVerboseResponse(verbose);
        if (!verbose) rig.link->SetFastIdleTime(200);
        std::string query = version[0] == '2' ? "i" : "h", text = reply;
        board.On(query, {reply});
        int bound = text.size() > 1 && (text.back() == '*' || text.back() == '~') ? 2000 : 200;
        if (error) {
            ExpectRaise([&] { router.IdleWait(bound); }, result, error);
        } else {
            EXPECT_EQ(router.IdleWait(bound), result);
            if (verbose) {
                EXPECT_EQ(board.TakeWire(), text.back() == '\n' ? query + "~" : query);
            }
        }
        EXPECT_EQ(rig.link->IdleTime(), 4321);
    }
    // A retried query's error shows the retry's reply, packed (the query
    // made a long command, so that an unfinished reply is no link error).
    rig.Identified("QM4DNCRouter", "4.71");
    rig.link->SetVerboseResponse(true);
    rig.link->SetLongCommands(std::string(QM4DNCRouter::kLongCommandLetters) + "H");
    board.On("h", {"Z9\r\n", "Y8\r\n"});
    ExpectRaise([&] { router.IdleWait(200); }, 4, "expected 'I', 'P', 'G' or 'A', saw Y8");
    EXPECT_EQ(board.TakeWire(), "h~h");
    rig.link->SetLongCommands(QM4DNCRouter::kLongCommandLetters);
    // After a G command the digit reply belongs to G: moving with 3 places.
    rig.Identified("QM4DNCRouter", "2.9");
    board.On("G", {"3*"});
    router.GoToCurrentRequestedLocation();
    EXPECT_EQ(router.PackedLastResponse(), "G3*");
    // A board that floods empty replies ends as a time-out too.
    rig.link->SetVerboseResponse(false);
    std::vector<PeerStep> flood;
    for (int i = 0; i < 150; ++i) flood.insert(flood.end(), {Send("**"), Pause(1)});
    board.Peer().When("i", flood);
    EXPECT_EQ(router.IdleWait(30), -1);
}
