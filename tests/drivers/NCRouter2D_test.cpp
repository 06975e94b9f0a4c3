// The 2-axis driver's words on the wire: identification, motor selection,
// motor current, reset and the command table, against a scripted board.
#include "drivers/DriverNumbers.h"
#include "tests/drivers/NCRouter2DFixture.h"

namespace plyx::test {
namespace {

using drivers::ArithmeticOverflow;

// ---- Identification ---------------------------------------------------------------

TEST_F(NCRouter2DPeerTest, IdentificationSetsTypeAndCurrentScale) {
    // No other operation identifies the board.
    driver.SetRunRate(1200);
    driver.MaxRate();
    EXPECT_EQ(Sent(), "1200R1B-20?");
    EXPECT_EQ(driver.BoardType(), 0);
    EXPECT_EQ(driver.CurrentScale(), 100.0);
    std::string text = driver.ReportCopyRightText();
    EXPECT_EQ(Sent(), "-12?");
    EXPECT_EQ(text, "VT2D20NCRouter 2.10\r\nCopyright 2009 Zentrova");
    EXPECT_EQ(driver.BoardType(), 2);
    EXPECT_EQ(driver.CurrentScale(), 1000.0);
    EXPECT_EQ(driver.CurrentMax(), 2600.0);

    Identify("dsLynNCRouter2D 1.07");
    EXPECT_EQ(driver.BoardType(), 1);
    EXPECT_EQ(driver.CurrentScale(), 100.0);
    EXPECT_EQ(driver.CurrentMax(), 100.0);
    EXPECT_EQ(driver.ReportFirmwareVersion(), "1.07");
}

TEST_F(NCRouter2DPeerTest, WrongFirmwareKeepsTypeAndScale) {
    Identify();
    Edit([](TwoAxisBoard& b) { b.firmware = "QM4DNCRouter 4.71"; });
    auto e = CatchBoardError([&] { driver.ReportCopyRightText(); });
    EXPECT_EQ(e.SmallNumber(), 3);
    EXPECT_EQ(e.Source(), "NCRouter2D.CheckCopyright");
    EXPECT_EQ(driver.BoardType(), 2);
    EXPECT_EQ(driver.CurrentScale(), 1000.0);
}

TEST_F(NCRouter2DPeerTest, SilentIdentificationShowsTheDriversPlaceholder) {
    link->SetCopyright("VT2D20NCRouter from before");
    // A reply without identification text leaves the driver's placeholder,
    // so an earlier text cannot pass for this board's.
    peer.Clear();
    peer.When("-12?", {Send("*")});
    auto e = CatchBoardError([&] { driver.ReportCopyRightText(); });
    EXPECT_EQ(e.SmallNumber(), 3);
    EXPECT_NE(e.Description().find("NO VALID COPYRIGHT"), std::string::npos) << e.Description();
    EXPECT_EQ(driver.BoardType(), 0);
}

// ---- Motor selection ------------------------------------------------------------------

TEST_F(NCRouter2DPeerTest, SelectionIsSentOnlyWhenItChanges) {
    driver.SelectMotor("x");
    EXPECT_EQ(Sent(), "1B");
    driver.SelectMotor("X");
    EXPECT_EQ(Sent(), "");
    driver.SelectMotor("XY");
    driver.SelectMotor("B");
    driver.SelectMotor("0");
    driver.SelectMotor("yx");
    EXPECT_EQ(Sent(), "3B");
    driver.SelectMotor("Y");
    driver.SelectMotor("");
    driver.SelectMotor("3");  // a number is the mask itself
    EXPECT_EQ(Sent(), "2B3B");
}

TEST_F(NCRouter2DPeerTest, UnknownMotorLetterRaisesFiveAndSendsNothing) {
    for (const char* which : {"Z", "W", "XZ"}) {
        auto e = CatchBoardError([&] { driver.SelectMotor(which); });
        EXPECT_EQ(e.SmallNumber(), 5);
        EXPECT_EQ(e.Source(), "NCRouter2D.SelectMotor");
        EXPECT_EQ(MessageOf(e), std::string("Unknown motor requested: Command was <") + which + ">");
    }
    EXPECT_EQ(Sent(), "");
}

// ---- Motor current ------------------------------------------------------------------------

TEST_F(NCRouter2DPeerTest, DacValuesFollowTheBoardsScaleAndLimits) {
    EXPECT_EQ(driver.CalculateDacFromMotorCurrent(0.5), 50);  // before identification
    Identify("VT2D20NCRouter 2.10");
    // Up to the maximum, at least 1 unless there is no current, x.5 to even.
    const std::pair<double, int> vt2d[] = {{1.5, 1500}, {3.0, 2600},     {0.0004, 1},    {0, 0},
                                           {-2.0, 0},   {1.0005, 1000}, {1.0015, 1002}};
    for (auto [current, dac] : vt2d) EXPECT_EQ(driver.CalculateDacFromMotorCurrent(current), dac) << current;
    Identify("dsLynNCRouter2D 1.07");
    const std::pair<double, int> dsLyn[] = {{0.5, 50}, {1.2, 100}, {0.001, 1}};
    for (auto [current, dac] : dsLyn) EXPECT_EQ(driver.CalculateDacFromMotorCurrent(current), dac) << current;
}

TEST_F(NCRouter2DPeerTest, CurrentInMotionSendsSelectionOnlyWhenNeeded) {
    Identify();
    driver.SetCurrentWhenMotorInMotion("B", 1.25);
    EXPECT_EQ(Sent(), "3B1250H");
    driver.SetCurrentWhenMotorInMotion("B", 1.25);
    EXPECT_EQ(Sent(), "1250H");
    driver.SetCurrentWhenMotorIdle("X", 0.5);
    EXPECT_EQ(Sent(), "1B500W");
}

// ---- Reset ----------------------------------------------------------------------------------

TEST_F(NCRouter2DPeerTest, ResetWithReplyIdentifiesAndForgetsSelection) {
    driver.SelectMotor("B");
    Sent();
    driver.ResetBoard(4);
    EXPECT_EQ(Sent(), "4!-12?");
    EXPECT_EQ(driver.BoardType(), 2);
    driver.SelectMotor("B");
    EXPECT_EQ(Sent(), "3B");
}

TEST_F(NCRouter2DPeerTest, ResetWithoutReplyReopensThePort) {
    Edit([](TwoAxisBoard& b) {
        b.answerReset = false;
        b.firmware = "dsLynNCRouter2D 1.07";
    });
    driver.SelectMotor("B");
    Sent();
    driver.ResetBoard(4);
    // The port test greets the board with "{}" and asks for its
    // identification; the driver then identifies it itself.
    std::string sent = Sent();
    EXPECT_EQ(sent.rfind("4!", 0), 0u) << sent;
    EXPECT_NE(sent.find("{}-12?"), std::string::npos) << sent;
    EXPECT_EQ(sent.substr(sent.size() - 4), "-12?");
    EXPECT_TRUE(link->PortIsOpen());
    // A silent board after "!" is the reopen path, not a lost
    // synchronisation, and the board stays verbose afterwards.
    EXPECT_TRUE(link->VerboseResponse());
    EXPECT_EQ(driver.BoardType(), 1);
    driver.SelectMotor("B");
    EXPECT_EQ(Sent(), "3B");
}

// ---- Command table ---------------------------------------------------------------------

using Driver2D = drivers::NCRouter2D;

// Each row's calls run in order on one driver (the address mode and the
// motor selection carry over) and must send exactly its bytes.
TEST_F(NCRouter2DPeerTest, CommandWords) {
    driver.SetAutoWaitOnMotionComplete(false);
    const struct {
        void (*calls)(Driver2D&);
        const char* wire;
    } cases[] = {
        {[](Driver2D& d) { d.SetReportQueueElementSnapshot(7); EXPECT_EQ(d.RelaySet(7), 0); }, "7E7D"},
        {[](Driver2D& d) {
             EXPECT_EQ(d.RelayClose(5), 0);
             EXPECT_EQ(d.RelayOpen(6), 0);
             d.SetIOPortsHigh(1), d.SetIOPortsLow(2), d.SetIOPorts(0x4000);
         },
         "5C6U1C2U16384D"},
        {[](Driver2D& d) {
             d.QueueRelayClose(3), d.QueueRelayOpen(4), d.QueueSetIOPortsHigh(-1);
             d.QueueSetIOPortsLow(8), d.QueueSetIOPorts(9);
         },
         "-3C-4U--1C-8U-9D"},
        {[](Driver2D& d) { d.DrawArcD(300, 10.0, -90.0, 50); }, "10000000S-90000000d50c300A"},
        {[](Driver2D& d) { d.DrawArcD(1, 0.0000005, 0.0000015, 2); }, "0S2d2c1A"},  // half to even
        {[](Driver2D& d) { d.SetRequestedXLocation(-200), d.SetRequestedYLocation(50); }, "-200X50Y"},
        {[](Driver2D& d) { d.SetCurrentCoordinates(10, -20); }, "10X-20Y="},
        {[](Driver2D& d) { d.SetEncoderCoordinates(5, 6); }, "1B5#2B6#"},
        {[](Driver2D& d) { d.SetAddressMode(false), d.GoToLocation(-200, 50); }, "-200x50yG"},
        {[](Driver2D& d) { d.GoToLocationWithVectorLength(1, 2, 750), d.StartMultiVectorSequence(12000); },
         "1x2y750G12000M"},
        {[](Driver2D& d) {
             d.SetRunRate(-2737), d.SetRampRate(8000), d.SetStopOKRate(80), d.QueueRateSet(900);
             d.SetIOConfig(24576), d.SetLimitSwitchEnables(3), d.BlockLimitSwitches(4);
             d.SetNextQueueElementLongID(77);
         },
         "-2737R8000P80K900k24576t3T4T77n"},
        {[](Driver2D& d) { d.SetWindingUpdateMode("X", 2), d.SetMotorBacklash("Y", 12); }, "1B2O2B12F"},
        {[](Driver2D& d) {
             d.PauseMotors(), d.RequestMotorPause(), d.RequestMotorRestart(), d.RequestMotorQuit();
             d.StopMotors(), d.PauseMotorsWithTTLRestart(3, 2), d.QueuePause(2500);
             d.QueuePauseMotorsWithTTLRestart(1, 1);
         },
         "qqrQQ19q-2500p-9q"},
        {[](Driver2D& d) { d.PauseNow(1500); }, "1500p"},  // the board pauses, never the host
        {[](Driver2D& d) { d.EEPromWriteData(3, 42), d.EEPromReset(), d.EEPromSaveCurrentSettings(); },
         "65539e42e987654321e123456789e"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        cases[i].calls(driver);
        EXPECT_EQ(Sent(), cases[i].wire) << "row " << i;
    }
    EXPECT_EQ(clock.sleptMs, 0);

    // Values that do not fit their word raise before a byte is sent.
    for (auto overflows : {+[](Driver2D& d) { d.DrawArcD(1, 10.0, 2200.0, 2); },
                           +[](Driver2D& d) { d.PauseMotorsWithTTLRestart(0, 0x10000000); },
                           +[](Driver2D& d) { d.EEPromWriteData(2147483600, 1); }})
        EXPECT_THROW(overflows(driver), ArithmeticOverflow);
    EXPECT_EQ(Sent(), "");

    Edit([](TwoAxisBoard& b) {
        b.replies['D'] = "A19*";
        b.items["16387"] = "99";
    });
    driver.QueueRelaySet(7);
    EXPECT_EQ(Sent(), "-7D");
    EXPECT_EQ(driver.LastWaitType(), 2);
    EXPECT_EQ(driver.LastQueueCount(), 19);
    EXPECT_EQ(driver.EEPromReadData(3), 99);
    EXPECT_EQ(Sent(), "1B16387?");
}

TEST_F(NCRouter2DPeerTest, RelaySetWithoutReply) {
    link->SetVerboseResponse(false);
    Edit([](TwoAxisBoard& b) { b.silentLetters = "D"; });
    // The run engine binds the driver without a board of its own: there
    // every letter but I is short, so a missing reply is the link's error 1.
    EXPECT_EQ(CatchBoardError([&] { driver.RelaySet(1); }).SmallNumber(), 1);
    // On the driver's own board D is long: the time-out is the result.
    driver.DefineRoute("");
    link->SetIdleTime(200);
    link->SetVerboseResponse(false);
    EXPECT_EQ(driver.RelaySet(1), -1);
}

TEST_F(NCRouter2DPeerTest, VerboseModeSetsTheLinksFlag) {
    driver.SetVerboseMode(3);
    EXPECT_EQ(Sent(), "3V");
    EXPECT_TRUE(link->VerboseResponse());
    driver.SetVerboseMode(2);
    EXPECT_FALSE(link->VerboseResponse());
}

// ---- Reports --------------------------------------------------------------------------------

TEST_F(NCRouter2DPeerTest, ReportsAskForTheirItemsOfTheirMotor) {
    Edit([](TwoAxisBoard& b) {
        b.items = {{"5", "15"},  {"6", "9"},       {"-13", "24576"}, {"-14", "4"},  {"-20", "40000"}, {"-1", "-1234"},
                   {"-11", "77"}, {"-18", "3"},    {"-2", "12"},     {"-3", "40000"}, {"-6", "40000"}};
        b.latched = "16";
        b.replies['a'] = "X,a,512\r*";
    });
    EXPECT_EQ(driver.ReportLimitSwitches(), 15);
    EXPECT_EQ(driver.ReportTTLValues(), 9);
    EXPECT_EQ(driver.ReportIOConfig(), 24576);
    EXPECT_EQ(driver.ReportMicrostepSize(), 4);
    EXPECT_EQ(driver.MaxRate(), 40000);
    EXPECT_EQ(driver.MaxRate(), 40000);
    EXPECT_EQ(Sent(), "1B5?6?-13?-14?-20?-20?");
    EXPECT_EQ(driver.ReportLatchedData(), 16);
    EXPECT_EQ(driver.ReportAToDValue(2), 512);
    EXPECT_EQ(Sent(), "L2a");
    EXPECT_EQ(driver.ReportCurrentY(), -1234);
    EXPECT_EQ(driver.ReportCurrentX(), -1234);
    EXPECT_EQ(driver.ReportCurrentEncoderLocation("Y"), 77);
    EXPECT_EQ(driver.ReportMotorBacklash("B"), 3);
    EXPECT_EQ(Sent(), "2B-1?1B-1?2B-11?3B-18?");
    // Queue element reports are of motor X; the ID is a 16-bit word.
    EXPECT_EQ(driver.ReportQueueElementCurrentExecutionID(), 12);
    EXPECT_THROW(driver.ReportQueueElementID(), ArithmeticOverflow);
    EXPECT_EQ(driver.ReportQueueElementCommand(), 0);
    EXPECT_EQ(driver.ReportQueueElementWordParameter(), 0);
    EXPECT_EQ(driver.ReportQueueElementLongParameter1(), 40000);
    driver.ReportQueueElementLongParameter2();
    driver.ReportQueueElementLongParameter3();
    EXPECT_EQ(Sent(), "1B-2?-3?-4?-5?-6?-7?-8?");
}

}  // namespace
}  // namespace plyx::test
