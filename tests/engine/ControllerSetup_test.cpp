// The commands that prepare the controller at a run's start and put it back
// at its end, byte for byte as the simulated board received them: both
// families and the 4-axis firmware generations (old idle query, FIFO
// board, extended board).
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {
namespace {

// MSPS 16 (8 on the 2-axis board), SSR 5.35, RR 500.1: the start/stop and
// ramp rates are rounded down, 85 and 8001 (42 and 4000 on 2 axes).
constexpr double kSSR = 5.35, kRR = 500.1;
// Pulse polarities the 4-axis boards keep stored: bits 0, 1, 5 and 8.
constexpr std::int32_t kStoredPolarities = 291;

struct Board {
    const char* name;
    sim::SimOptions options;
    std::int32_t family;
    std::int16_t msps;
    std::int32_t startStopRate;
    // InitializeController: reset and identification, idle query,
    // polarities read, lamps off, port directions, lamps off twice, latched inputs.
    std::string init;
    // What EnableMotors sends after it: polarities with bits 0 and 6
    // inverted (4-axis only), stop-OK rate, ramp rate; relative moves send nothing.
    std::string setup;
    std::string poll;      // one turn of PollWaitForMotorIdle on an idle board
    // The stop sequence's three slow-down moves from a rate of 2737: 10 steps,
    // then twice half of the ramp's distance, each after its poll.
    std::string slowDown;
    std::string switchesRead;  // ReadSwitches after a reset
};
void PrintTo(const Board& b, std::ostream* os) { *os << b.name; }

std::string Binary(const char* x, const char* y) { return std::string(x, 2) + std::string(y, 2) + "G"; }

const char* const kLamps4[7] = {"0E", "0E", "9E", "22E", "21E", "16E", "0E"};
// START 0x4000, PAUSE 0x2000, STOP 0x8000, BURNISH 0x0800, ABORT 0x0400.
const char* const kLamps2[7] = {"0D", "0D", "18432D", "41984D", "50176D", "1024D", "0D"};
const std::string kPoll4 = "L6?7?h", kPoll2 = "L5?6?h";
// Half of (2737 - 85) * (85 + 2737) / (2 * 8001) is 233.8: 234 steps.
const std::string kSlowDown4 = kPoll4 + "-85R" + Binary("\xA0\x0A", "\xCF\xF6") + kPoll4 + "-85R" +
                               Binary("\xA0\xEA", "\xCF\x16") + kPoll4 + "-85R" + Binary("\xA0\xEA", "\xCF\x16");

const Board kBoards[] = {
    {"QM4DNCRouter 4.71", {}, kFamily4Axis, 16, 85,
     "0!-12?h-17?0E255F0E0EL", "354O85K8001P", kPoll4, kSlowDown4, "L6?7?"},
    {"QM4DFifoNCStepper 4.71", {.firmwareName = "QM4DFifoNCStepper"}, kFamily4Axis, 16, 85,
     "0!-12?-20?h-17?0E255F0E0EL", "354O85K8001P", kPoll4, kSlowDown4, "L6?7?"},
    {"QM4DNCRouter 2.15", {.versionText = "2.15", .queueCapacity = 9}, kFamily4Axis, 16, 85,
     "0!-12?i-17?0E255F0E0EL", "354O85K8001P", "L6?7?i",
     "L6?7?i-85R" + Binary("\xA0\x0A", "\xCF\xF6") + "L6?7?i-85R" + Binary("\xA0\xEA", "\xCF\x16") + "L6?7?i-85R" +
         Binary("\xA0\xEA", "\xCF\x16"),
     "L6?7?"},
    {"QM4DNCRouter 5.02", {.versionText = "5.02"}, kFamily4Axis, 16, 85,
     "0!-12?-15?h8?0E255F0E0EL", "354O85K8001P", kPoll4,
     kPoll4 + "-85R10x-10yG" + kPoll4 + "-85R234x-234yG" + kPoll4 + "-85R234x-234yG", "L6?7?"},
    // 16 / 8 microsteps, 1000 mA on this board's scale; half of
    // (2737 - 42) * (42 + 2737) / (2 * 4000) is 468.1.
    {"VT2D20NCRouter 3.02", {.firmwareName = "VT2D20NCRouter", .versionText = "3.02"}, kFamily2Axis, 8, 42,
     "2!-12?3B1000Hh0D24576t0D0DL", "42K4000P", kPoll2,
     kPoll2 + "-42R10x-10yG" + kPoll2 + "-42R468x-468yG" + kPoll2 + "-42R468x-468yG", "L1B5?6?"},
};

class ControllerSetupTest : public BoardTest, public ::testing::WithParamInterface<Board> {
protected:
    ControllerSetupTest() {
        const Board& b = GetParam();
        env->ControllerFamily = b.family;
        StartBoard(b.options);
        params.cMSPS = b.msps;
        params.zSSR = kSSR;
        params.zRR = kRR;
        if (b.family == kFamily4Axis)  // kept in the board's EEPROM: back after every reset
            boardLink->StringWriteCommandSequence(std::to_string(kStoredPolarities) + "O123456789e");
    }
    const char* Lamp(int mode) const {
        return GetParam().family == kFamily4Axis ? kLamps4[mode] : kLamps2[mode];
    }
    void Record() { board->RecordExchanges(); }
    std::string Received() {
        std::string all;
        for (const sim::Simulator::Exchange& e : board->TakeExchanges()) all += e.sent;
        return all;
    }
};

// A whole run starts with the main window's timer stopped (lamps off), the
// controller reset and set up, and the running lamps; it ends with the
// controller paused, stopped and reset, and the switches read.
TEST_P(ControllerSetupTest, RunStartAndEnd) {
    const Board& b = GetParam();
    params.cTLC = 1;
    params.cMRC = 1;
    params.fAutoCloseRunWindow = 0;
    Record();
    engine->StartRun(false);
    const std::string sent = Received();
    const std::string start = Lamp(0) + b.init + b.setup + Lamp(3);
    EXPECT_EQ(sent.substr(0, start.size()), start);
    const std::string end = "q" + b.poll + "Q" + b.init + b.switchesRead;
    ASSERT_GT(sent.size(), start.size() + end.size());
    EXPECT_EQ(sent.substr(sent.size() - end.size()), end);
    EXPECT_EQ(globals.PulsePolarityWord, b.family == kFamily4Axis ? kStoredPolarities : 0);
    EXPECT_EQ(BoardMoves().size(), PlannedSegments().size() + 3);
}

// The stop sequence by state and last rate: slow-down moves only from a
// running machine above the start/stop rate with a ramp; the pause, stop
// and reset always. Every lamp mode's word.
TEST_P(ControllerSetupTest, StopSequenceAndLamps) {
    const Board& b = GetParam();
    const std::string tail = "q" + b.poll + "Q" + b.init;
    const struct {
        std::int16_t state;
        std::int32_t lastRate;
        double ramp;
        std::string sent;
        const char* logged;
    } cases[] = {
        {kRunRunning, 2737, kRR, Lamp(5) + b.slowDown + b.poll + tail, "Sending stop sequence"},
        {kRunAbortRequested, 2737, kRR, tail, nullptr},
        {kRunRunning, b.startStopRate, kRR, Lamp(5) + b.poll + tail,
         "No special stop sequence needed -- already at start/stop rate"},
        {kRunRunning, 2737, 0, Lamp(5) + b.poll + tail, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.lastRate << " " << c.ramp);
        params.zRR = c.ramp;
        engine->ComputeRunConstants();
        engine->EnableMotors();
        engine->ReadSwitches();  // as in a run: the last poll selected motor X
        globals.RunState = c.state;
        globals.zLastRate = c.lastRate;
        Record();
        engine->StopSequence();
        EXPECT_EQ(Received(), c.sent);
        if (c.logged) {
            EXPECT_TRUE(Logged(c.logged));
        }
        EXPECT_EQ(globals.RunState, kRunStopping);
        EXPECT_EQ(board->State().run, sim::RunState::Idle);
    }
    // Just above the start/stop rate the slow-down moves are 10 steps and two of none.
    params.zRR = kRR;
    engine->ComputeRunConstants();
    globals.RunState = kRunRunning;
    globals.zLastRate = b.startStopRate + 1;
    board->ClearMoves();
    engine->StopSequence();
    EXPECT_EQ(BoardMoves(), (std::vector<QueuedMove>{{10, -10, -b.startStopRate},
                                                     {0, 0, -b.startStopRate},
                                                     {0, 0, -b.startStopRate}}));
    Record();
    for (std::int16_t mode = 0; mode <= 6; ++mode) engine->SetLampMode(mode);
    std::string lamps;
    for (int mode = 0; mode <= 6; ++mode) lamps += Lamp(mode);
    EXPECT_EQ(Received(), lamps);
}

INSTANTIATE_TEST_SUITE_P(Boards, ControllerSetupTest, ::testing::ValuesIn(kBoards));

}  // namespace
}  // namespace plyx::engine::test
