// The 2-axis driver's words and waits on the wire of a scripted board.
#include <tuple>

#include "drivers/DriverNumbers.h"
#include "tests/drivers/DriverRig.h"

using plyx::drivers::ArithmeticOverflow;
using namespace plyx::test;

// No other operation identifies the board; the DAC value follows the
// board's scale and maximum: at least 1 unless there is no current, x.5 to even.
TEST_F(NCRouter2DPeerTest, IdentificationSetsTheCurrentScale) {
    driver.SetRunRate(1200), driver.MaxRate();
    EXPECT_EQ(Sent(), "1200R1B-20?");
    EXPECT_EQ(driver.CalculateDacFromMotorCurrent(0.5), 50);
    EXPECT_EQ(driver.ReportCopyRightText(), "VT2D20NCRouter 2.10\r\nCopyright 2009 Zentrova");
    EXPECT_EQ(Sent(), "-12?");
    EXPECT_EQ(driver.BoardType(), 2);
    const std::pair<double, int> vt2d[] = {{1.5, 1500}, {3.0, 2600},     {0.0004, 1},    {0, 0},
                                           {-2.0, 0},   {1.0005, 1000}, {1.0015, 1002}};
    for (auto [current, dac] : vt2d) EXPECT_EQ(driver.CalculateDacFromMotorCurrent(current), dac) << current;
    // Another family's board raises and keeps type and scale.
    Edit([](TwoAxisBoard& b) { b.firmware = "QM4DNCRouter 4.71"; });
    ExpectRaise([&] { driver.ReportCopyRightText(); }, 3, "NCRouter2D.CheckCopyright");
    EXPECT_EQ(driver.CalculateDacFromMotorCurrent(3.0), 2600);
    Identify("dsLynNCRouter2D 1.07");
    EXPECT_EQ(driver.BoardType(), 1);
    EXPECT_EQ(driver.ReportFirmwareVersion(), "1.07");
    const std::pair<double, int> dsLyn[] = {{0.5, 50}, {1.2, 100}, {0.001, 1}};
    for (auto [current, dac] : dsLyn) EXPECT_EQ(driver.CalculateDacFromMotorCurrent(current), dac) << current;
    // A reply without identification text leaves the driver's placeholder,
    // so an earlier text cannot pass for this board's.
    peer.Clear();
    peer.When("-12?", {Send("*")});
    ExpectRaise([&] { driver.ReportCopyRightText(); }, 3, "NO VALID COPYRIGHT");
}

TEST_F(NCRouter2DPeerTest, SelectionIsSentOnlyWhenItChangesAndResetForgetsIt) {
    const std::pair<const char*, const char*> cases[] = {{"x", "1B"}, {"X", ""},  {"XY", "3B"}, {"B", ""},
                                                         {"0", ""},   {"yx", ""}, {"Y", "2B"},  {"", ""},
                                                         {"3", "3B"}};  // a number is the mask itself
    for (const auto& [which, wire] : cases) {
        driver.SelectMotor(which);
        EXPECT_EQ(Sent(), wire) << which;
    }
    for (const char* which : {"Z", "W", "XZ"})
        ExpectRaise([&] { driver.SelectMotor(which); }, 5,
                    std::string("NCRouter2D.SelectMotor\r\nUnknown motor requested: Command was <") + which + ">");
    EXPECT_EQ(Sent(), "");
    // A reset identifies the board again and forgets the selection; a board
    // silent after "!" is the reopen path ("{}-12?"), not a lost sync.
    for (bool answers : {true, false}) {
        Edit([&](TwoAxisBoard& b) { b.answerReset = answers; });
        driver.SelectMotor("B");
        Sent();
        driver.ResetBoard(4);
        std::string sent = Sent();
        EXPECT_EQ(sent.rfind("4!", 0), 0u) << sent;
        EXPECT_EQ(sent.substr(sent.size() - 4), "-12?");
        EXPECT_EQ(sent.find("{}-12?") != std::string::npos, !answers) << sent;
        EXPECT_TRUE(link->PortIsOpen());
        EXPECT_TRUE(link->VerboseResponse());
        EXPECT_EQ(driver.BoardType(), 2);
        driver.SelectMotor("B");
        EXPECT_TRUE(Sent().ends_with("3B"));  // a slow reopen may ask for the identification again
    }
}

// The calls run in order on one driver (the address mode and the motor
// selection carry over) and must send exactly these bytes.
TEST_F(NCRouter2DPeerTest, CommandWords) {
    Identify();
    Edit([](TwoAxisBoard& b) { b.idleReplies = {"G3*", "I5*"}; });
    driver.GoToCurrentRequestedLocation();  // waits for the full stop by default
    EXPECT_EQ(Sent(), "Ghh");
    plyx::drivers::NCRouter2D& d = driver;
    d.SetAutoWaitOnMotionComplete(false);
    d.SetReportQueueElementSnapshot(7);
    EXPECT_EQ(d.RelaySet(7), 0);
    EXPECT_EQ(d.RelayClose(5), 0);
    EXPECT_EQ(d.RelayOpen(6), 0);
    d.SetIOPortsHigh(1), d.SetIOPortsLow(2), d.SetIOPorts(0x4000), d.QueueRelayClose(3), d.QueueRelayOpen(4);
    d.QueueSetIOPortsHigh(-1), d.QueueSetIOPortsLow(8), d.QueueSetIOPorts(9);
    EXPECT_EQ(Sent(), "7E7D5C6U1C2U16384D-3C-4U--1C-8U-9D");
    d.DrawArcD(300, 10.0, -90.0, 50), d.DrawArcD(1, 0.0000005, 0.0000015, 2);  // half to even
    // Values that do not fit their word raise before a byte is sent.
    EXPECT_THROW(d.DrawArcD(1, 10.0, 2200.0, 2), ArithmeticOverflow);
    EXPECT_THROW(d.PauseMotorsWithTTLRestart(0, 0x10000000), ArithmeticOverflow);
    EXPECT_THROW(d.EEPromWriteData(2147483600, 1), ArithmeticOverflow);
    EXPECT_EQ(Sent(), "10000000S-90000000d50c300A0S2d2c1A");
    d.SetRequestedXLocation(-200), d.SetRequestedYLocation(50), d.SetCurrentCoordinates(10, -20);
    d.SetEncoderCoordinates(5, 6), d.SetAddressMode(false), d.GoToLocation(-200, 50);
    d.GoToLocationWithVectorLength(1, 2, 750), d.StartMultiVectorSequence(12000);
    EXPECT_EQ(Sent(), "-200X50Y10X-20Y=1B5#2B6#-200x50yG1x2y750G12000M");
    d.SetRunRate(-2737), d.SetRampRate(8000), d.SetStopOKRate(80), d.QueueRateSet(900);
    d.SetIOConfig(24576), d.SetLimitSwitchEnables(3), d.BlockLimitSwitches(4);
    d.SetNextQueueElementLongID(77), d.SetWindingUpdateMode("X", 2), d.SetMotorBacklash("Y", 12);
    d.SetCurrentWhenMotorInMotion("B", 1.25), d.SetCurrentWhenMotorInMotion("B", 1.25);
    d.SetCurrentWhenMotorIdle("Y", 0.5);
    EXPECT_EQ(Sent(), "-2737R8000P80K900k24576t3T4T77n1B2O2B12F3B1250H1250H2B500W");
    d.PauseMotors(), d.RequestMotorPause(), d.RequestMotorRestart(), d.RequestMotorQuit();
    d.StopMotors(), d.PauseMotorsWithTTLRestart(3, 2), d.QueuePause(2500);
    d.QueuePauseMotorsWithTTLRestart(1, 1), d.PauseNow(1500);  // the board pauses, never the host
    d.EEPromWriteData(3, 42), d.EEPromReset(), d.EEPromSaveCurrentSettings();
    EXPECT_EQ(Sent(), "qqrQQ19q-2500p-9q1500p65539e42e987654321e123456789e");
    EXPECT_EQ(clock.sleptMs, 0);
    d.SetVerboseMode(2);
    EXPECT_FALSE(link->VerboseResponse());
    d.SetVerboseMode(3);
    EXPECT_TRUE(link->VerboseResponse());
    EXPECT_EQ(Sent(), "2V3V");
    Edit([](TwoAxisBoard& b) {
        b.replies['D'] = "A19*";
        b.items["16387"] = "99";
    });
    driver.QueueRelaySet(7);
    EXPECT_EQ(driver.LastQueueCount(), 19);
    EXPECT_EQ(driver.EEPromReadData(3), 99);
    EXPECT_EQ(Sent(), "-7D1B16387?");
}

// Each state letter gives its result, which is also the wait type; "G4*"
// is moving with four free places (no old-firmware repair on this family).
// A failed query is asked again with "h" when its letter is a long one; the
// error texts show the reply as it came.
TEST_F(NCRouter2DPeerTest, IdleWaitReplies) {
    Identify("dsLynNCRouter2D 1.07");
    const std::string synch = "NCRouter2D.IdleWait\r\nFailed idle synch with board -- expected ";
    const std::tuple<const char*, const char*, int, int, std::string> cases[] = {
        {"I0*", nullptr, 0, 0, ""}, {"G2*", nullptr, 1, 2, ""}, {"D3*", nullptr, 1, 3, ""},
        {"A1*", nullptr, 2, 1, ""}, {"P0*", nullptr, 3, 0, ""}, {"S0*", nullptr, 4, 0, ""},
        {"\r\nG4*", nullptr, 1, 4, ""},
        {"3*", nullptr, 4, 0, synch + "'Ix*', 'Px*', 'Sx', 'Gx*', 'Dx*' or 'Ax*', saw 3*"},
        {"X5\r\n*", nullptr, 4, 0, "'Ax*', saw X5\r\n*"},
        {"", "P0*", 3, 0, ""}, {"", "G5*", -1, 5, ""},
        {"", "Q1*", 4, 0, synch + "'I', 'P', 'G', 'D' or 'A', saw Q1*"}};
    for (const auto& [first, second, result, count, error] : cases) {
        SCOPED_TRACE(first + std::string(second ? second : ""));
        Edit([&](TwoAxisBoard& b) {
            b.idleReplies = second ? std::deque<std::string>{first, second} : std::deque<std::string>{first};
            b.idleQueries = 0;
        });
        if (second) {
            link->SetLongCommands("H");
            link->SetVerboseResponse(false);
        }
        if (!error.empty()) {
            ExpectRaise([&] { driver.IdleWait(50); }, result, error);
            EXPECT_EQ(driver.LastWaitType(), -1);
        } else {
            EXPECT_EQ(driver.IdleWait(50), result);
            EXPECT_EQ(driver.LastQueueCount(), count);
            EXPECT_EQ(driver.LastWaitType(), result < 0 ? 1 : result);  // the timed-out retry saw "G"
        }
        Edit([&](TwoAxisBoard& b) { EXPECT_EQ(b.idleQueries, second ? 2 : 1); });  // asked again with "h"
    }
}
