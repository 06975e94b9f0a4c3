// The 4-axis driver's command texts, board-type rules and packing, checked
// byte for byte on the wire of a scripted board.
#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"
#include "tests/drivers/DriverRig.h"

using plyx::drivers::ArithmeticOverflow;
using plyx::drivers::QM4DNCRouter;
using namespace plyx::test;

namespace {
using Commands = RigTest;
}  // namespace

TEST_F(Commands, MotorSelectionIsSentOnlyWhenItChanges) {
    router.SelectMotor("x");
    EXPECT_EQ(board.TakeWire(), " 2M");
    router.SelectMotor("X");
    EXPECT_EQ(board.TakeWire(), "");
    router.SelectMotor("WZ");
    EXPECT_EQ(board.TakeWire(), " 9M");
    router.SelectMotor("B");
    EXPECT_EQ(board.TakeWire(), " 15M");
    router.SelectMotor("0");
    router.SelectMotor("15");
    router.SelectMotor("wxyz");
    router.SelectMotor("");
    EXPECT_EQ(board.TakeWire(), "");
    router.SelectMotor("-3");
    EXPECT_EQ(board.TakeWire(), "-3M");
}

TEST_F(Commands, UnknownMotorLetterRaisesError5AndSendsNothing) {
    router.SelectMotor("Y");
    board.TakeWire();
    auto e = CatchBoardError([&] { router.SelectMotor("XQ"); });
    EXPECT_EQ(e.SmallNumber(), 5);
    EXPECT_EQ(e.Source(), "QM4DNCRouter.SelectMotor");
    EXPECT_EQ(MessageOf(e), "Unknown motor requested: Command was <XQ>");
    EXPECT_EQ(board.TakeWire(), "");
    // The selection in force is unchanged: Y again sends nothing.
    router.SelectMotor("Y");
    EXPECT_EQ(board.TakeWire(), "");
}

TEST_F(Commands, IdentificationByVersion) {
    const struct {
        const char *firmware, *version;
        int type;
        bool above2;
    } cases[] = {{"QM4DNCRouter", "2.9", 1, false},
                 {"QM4DNCRouter", "4.71", 1, true},
                 {"QM4DFifoNCStepper", "4.71", 2, true},
                 {"QM4DFifoNCStepper", "5.02", 3, true}};
    for (const auto& c : cases) {
        rig.Identified(c.firmware, c.version);
        EXPECT_EQ(router.BoardType(), c.type) << c.firmware << " " << c.version;
        EXPECT_EQ(router.FirmwareAbove2(), c.above2) << c.firmware << " " << c.version;
    }
    EXPECT_EQ(router.ReportFirmwareVersion(), "5.02");
    // A version that is no number counts as above 2.
    board.On("-12?", {"X,-12\r\nQM4DNCRouter\r\n*"});
    router.ReportCopyRightText();
    EXPECT_EQ(router.BoardType(), 1);
    EXPECT_TRUE(router.FirmwareAbove2());
}

TEST_F(Commands, WrongFirmwareRaisesError3AndKeepsTheType) {
    board.Identify("dsLynNCRouter2D", "1.0");
    auto e = CatchBoardError([&] { router.ReportCopyRightText(); });
    EXPECT_EQ(e.SmallNumber(), 3);
    EXPECT_EQ(e.Source(), "QM4DNCRouter.CheckCopyright");
    EXPECT_EQ(router.BoardType(), 0);
}

TEST_F(Commands, IdentificationIsLazyAndOnceAndMaxRateFollowsTheType) {
    // Type 1 has a fixed rate, type 2 asks once and keeps it, type 3 asks every time.
    const struct {
        const char *firmware, *version, *first, *again;
        int rate;
    } cases[] = {{"QM4DNCRouter", "4.71", "-12?", "", 46012},
                 {"QM4DFifoNCStepper", "4.71", "-12? 2M-20?", "", 40000},
                 {"QM4DNCRouter", "5.02", "-12? 2M-15?-15?", "-15?", 76000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firmware + std::string(" ") + c.version);
        Rig fresh(clock);
        fresh.board.Identify(c.firmware, c.version);
        fresh.board.Value(-20, 40000);
        fresh.board.Value(-15, 76000);
        EXPECT_EQ(fresh.router.BoardType(), 0);
        EXPECT_EQ(fresh.board.TakeWire(), "");
        EXPECT_EQ(fresh.router.MaxRate(), c.rate);
        EXPECT_EQ(fresh.board.TakeWire(), c.first);
        EXPECT_EQ(fresh.router.MaxRate(), c.rate);
        EXPECT_EQ(fresh.board.TakeWire(), c.again);
    }
}

TEST_F(Commands, ReportsUseMotorXAndTheirItems) {
    rig.Identified("QM4DNCRouter", "4.71");
    board.Value(6, 5);
    board.Value(7, 9);
    board.Value(-17, 1234);
    EXPECT_EQ(router.ReportLimitSwitches(), 5);
    EXPECT_EQ(router.ReportSlewSwitches(), 9);
    EXPECT_EQ(router.ReportNumericSingleValue(-17), 1234);
    EXPECT_EQ(board.TakeWire(), " 2M6?7?-17?");
    board.On("L", {"X,L,77\r\n*"});
    EXPECT_EQ(router.ReportLatchedData(), 77);
    EXPECT_EQ(board.TakeWire(), "L");
    // Not on type 3: the report of another type gives its default.
    EXPECT_EQ(router.ReportQueueElementID(), 0);
    EXPECT_EQ(board.TakeWire(), "");
    board.On("6?", {"X,6,none\r\n*"});
    EXPECT_THROW(router.ReportLimitSwitches(), plyx::drivers::TypeMismatch);
}

TEST_F(Commands, ReportsOnType3) {
    rig.Identified("QM4DNCRouter", "5.02");
    board.Value(11, 3);
    EXPECT_EQ(router.ReportTTLValues(), 3);
    EXPECT_EQ(router.ReportTargetSpeed(), 1);
    EXPECT_EQ(router.ReportRunRate(), 0);
    EXPECT_EQ(board.TakeWire(), "11?");
    board.On("-28?", {"X,-28,4\r\n*"});
    EXPECT_EQ(router.ReportMotorBacklash("Y"), 4);
    EXPECT_EQ(board.TakeWire(), " 4M-28?");
}

TEST_F(Commands, RelaysReturnTheLinkResult) {
    board.On("3J", {"\r\n~"});
    EXPECT_EQ(router.RelayClose(3), 9);
    EXPECT_EQ(router.RelaySet(4), 0);
    EXPECT_EQ(board.TakeWire(), "3J4E");
}

TEST_F(Commands, PauseNowSleepsOnTheHostBelowType3) {
    rig.Identified("QM4DNCRouter", "4.71");
    router.PauseNow(2500);
    EXPECT_EQ(clock.sleptMs, 2);
    router.PauseNow(3500);
    EXPECT_EQ(clock.sleptMs, 6);
    // A negative pause is no pause (not an endless sleep).
    router.PauseNow(-1000);
    EXPECT_EQ(clock.sleptMs, 6);
    EXPECT_EQ(board.TakeWire(), "");

    rig.Identified("QM4DNCRouter", "5.02");
    router.PauseNow(2500);
    EXPECT_EQ(board.TakeWire(), "2500p");
    EXPECT_EQ(clock.sleptMs, 6);
}

TEST_F(Commands, PortWordPacking) {
    EXPECT_EQ(QM4DNCRouter::PackPorts(1, 2, 3, 0), 197121);
    EXPECT_EQ(QM4DNCRouter::PackPorts(0x1FF, 0x1FF, 0, 127), 0x7F00FFFF);
    EXPECT_EQ(QM4DNCRouter::PackPorts(0, 0, -1, 0), -65536);
    EXPECT_THROW(QM4DNCRouter::PackPorts(0, 0, 0, 128), ArithmeticOverflow);
    EXPECT_THROW(QM4DNCRouter::PackPorts(0, 0, 32767, 1), ArithmeticOverflow);
}

TEST_F(Commands, VerboseModeSetsTheLinkFlagAfterThePreTest) {
    rig.Identified("QM4DNCRouter", "4.71");
    board.On("h", {"I0*"});
    router.SetVerboseMode(0);
    EXPECT_EQ(board.TakeWire(), "h0V");
    EXPECT_FALSE(rig.link->VerboseResponse());
    router.SetVerboseMode(3);
    EXPECT_TRUE(rig.link->VerboseResponse());
}

TEST_F(Commands, SettingsThatNeedAnIdleControllerPreTestIt) {
    rig.Identified("QM4DNCRouter", "4.71");
    board.On("h", {"I0*"});
    router.SetCurrentCoordinates(1, 2, 3, 4);
    EXPECT_EQ(board.TakeWire(), "h1W2X3Y4Z=");
    router.SetMotorBacklash("Y", 12);
    EXPECT_EQ(board.TakeWire(), "h 4M12H");

    board.On("h", {"S0*"});
    auto e = CatchBoardError([&] { router.SetMotorBacklash("X", 5); });
    EXPECT_EQ(e.SmallNumber(), 8);
    EXPECT_EQ(e.Source(), "QM4DNCRouter.WaitOrTrap");
    EXPECT_EQ(MessageOf(e), "Timed out on pre-testing for QM4DNCRouter ready for call from SetMotorBacklash");
    EXPECT_EQ(board.TakeWire(), "h");
}

// Each row runs on a board of its firmware and version; the words of another
// board type send nothing. Values must carry their sign.
TEST_F(Commands, CommandWordsByBoardType) {
    const char *type1 = "4.71", *type3 = "5.02";
    const struct {
        const char* version;
        bool fifo;  // QM4DFifoNCStepper: type 2 below version 5
        void (*calls)(QM4DNCRouter&);
        const char* wire;
    } cases[] = {
        {type1, false, [](QM4DNCRouter& r) {
             r.SetRequestedXLocation(-200), r.SetAddressMode(false), r.SetRequestedXLocation(-200);
             r.SetRequestedLocation(1, 2, 3, 4), r.SetAddressMode(true);
         }, "-200X-200x1w2x3y4z"},
        {type1, false, [](QM4DNCRouter& r) {
             r.SetRunRate(-1200), r.SetRampRate(300), r.SetStopOKRate(50), r.SetPulsePolarities(3);
             r.SetIOPortDirections(255, 0), r.SetIOPorts(5, 0);
         }, "-1200R300P50K3O255F5E"},
        {type1, false, [](QM4DNCRouter& r) { r.PauseMotors(), r.ResumeMotors(), r.StopMotors(); }, "qrQ"},
        {type3, false, [](QM4DNCRouter& r) {
             r.PauseMotorsWithTTLRestart(3, 2), r.QueuePause(700), r.QueuePauseMotorsWithTTLRestart(1, 1);
         }, "19q-700p-9q"},
        {type3, false, [](QM4DNCRouter& r) { r.QueueRelaySet(5), r.QueueRelaySet(-5); }, "-5E--5E"},
        {type1, false, [](QM4DNCRouter& r) { r.QueueRelaySet(5); }, ""},
        {type1, true, [](QM4DNCRouter& r) { r.QueueRelaySet(5); }, ""},
        {type1, false, [](QM4DNCRouter& r) { r.SendSPIData(8, 2, 85), r.SendSPIData(0xFF, 0xF, -1); }, "21832S-1S"},
        {type3, false, [](QM4DNCRouter& r) { r.SendSPIData(8, 2, 85); }, ""},
        {type3, false, [](QM4DNCRouter& r) {
             r.EEPromWriteData(3, 42), r.EEPromReset(), r.EEPromSaveCurrentSettings();
         }, "65539e42e987654321e123456789e"},
        {type1, false, [](QM4DNCRouter& r) {
             r.EEPromWriteData(3, 42), r.EEPromReset();
             EXPECT_EQ(r.EEPromReadData(5), 0);
         }, ""},
        {type1, false, [](QM4DNCRouter& r) {
             r.SetIOConfig(24576), r.SetRateScaleFactor(2), r.QueueRateSet(100);
             r.StartMultiVectorSequence(12000), r.SetInstantStopSensor(1);
         }, "1t"},
        {type3, false, [](QM4DNCRouter& r) {
             r.SetIOConfig(24576), r.SetRateScaleFactor(2), r.SetNextQueueElementLongID(8);
             r.SetReportQueueElementSnapshot(-1), r.QueueRateSet(100), r.StartMultiVectorSequence(12000);
         }, "24576t2f8n-1s100k12000m"},
        // DAC levels are limited and rounded.
        {type1, true, [](QM4DNCRouter& r) {
             r.SetDac(1, 6.0), r.SetDac(0, 2.5), r.SetDac(-3, -1.0), r.SetDacRaw(2, 300);
         }, "511d128d0d556d"},
        {type3, false, [](QM4DNCRouter& r) { r.SetDac(1, 6.0); }, "511d"},
        {type1, false, [](QM4DNCRouter& r) { r.SetDac(1, 6.0), r.SetDacRaw(1, 5); }, ""},
        {type3, false, [](QM4DNCRouter& r) {
             r.QueueSetIOAndSDPorts(1, 2, 3), r.QueueSetIOAndSDPortsLow(1, 0, 0), r.QueueSetIOAndSDPortsHigh(2, 0, 0);
             r.SetIOAndSDPorts(1, 2, 3), r.SetIOAndSDPortsLow(1, 2, 3), r.SetIOAndSDPortsHigh(1, 2, 3);
         }, "-197121E-1U-2J197121E197121U197121J"},
        {type3, false, [](QM4DNCRouter& r) { r.PauseNow(2500); }, "2500p"},  // the board pauses, not the host
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        rig.Identified(cases[i].fifo ? "QM4DFifoNCStepper" : "QM4DNCRouter", cases[i].version);
        cases[i].calls(router);
        EXPECT_EQ(board.TakeWire(), cases[i].wire) << "row " << i;
    }
    EXPECT_EQ(clock.sleptMs, 0);
    board.Value(16389, -7);
    EXPECT_EQ(router.EEPromReadData(5), -7);
    EXPECT_EQ(board.TakeWire(), "16389?");

    // Values that do not fit their word raise before a byte is sent.
    const std::pair<const char*, void (*)(QM4DNCRouter&)> overflows[] = {
        {type1, [](QM4DNCRouter& r) { r.SendSPIData(1, 1, 0x800000); }},
        {type3, [](QM4DNCRouter& r) { r.EEPromWriteData(2147483647 - 10, 1); }},
        {type3, [](QM4DNCRouter& r) { r.PauseMotorsWithTTLRestart(0, 0x10000000); }},
        {type3, [](QM4DNCRouter& r) { r.QueueSetIOAndSDPorts(0, 0, 0, 128); }},
    };
    for (const auto& [version, calls] : overflows) {
        rig.Identified("QM4DNCRouter", version);
        EXPECT_THROW(calls(router), ArithmeticOverflow) << version;
        EXPECT_EQ(board.TakeWire(), "") << version;
    }
}
