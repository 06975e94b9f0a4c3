// The 4-axis driver's words on the wire of a scripted board.
#include <tuple>

#include "drivers/DriverNumbers.h"
#include "tests/drivers/DriverRig.h"

using plyx::drivers::ArithmeticOverflow;
using plyx::drivers::QM4DNCRouter;
using namespace plyx::test;

using Commands = RigTest;

// Identification is lazy and once; type 1 has a fixed rate, type 2 asks
// once and keeps it, type 3 asks every time.
TEST_F(Commands, IdentificationByFirmwareAndVersion) {
    const std::tuple<const char*, const char*, int, bool, const char*, const char*, int> cases[] = {
        {"QM4DNCRouter", "2.9", 1, false, "-12?", "", 46012},
        {"QM4DNCRouter", "4.71", 1, true, "-12?", "", 46012},
        {"QM4DFifoNCStepper", "4.71", 2, true, "-12? 2M-20?", "", 40000},
        {"QM4DFifoNCStepper", "5.02", 3, true, "-12? 2M-15?-15?", "-15?", 76000}};
    for (const auto& [firmware, version, type, above2, first, again, rate] : cases) {
        SCOPED_TRACE(firmware + std::string(" ") + version);
        Rig fresh(clock);
        fresh.board.Identify(firmware, version);
        for (const char* wire : {first, again}) {
            EXPECT_EQ(fresh.router.MaxRate(), rate);
            EXPECT_EQ(fresh.board.TakeWire(), wire);
        }
        EXPECT_EQ(fresh.router.BoardType(), type);
        EXPECT_EQ(fresh.router.FirmwareAbove2(), above2);
    }
    board.On("-12?", {"X,-12\r\nQM4DNCRouter\r\n*"});  // a version that is no number is above 2
    router.ReportCopyRightText();
    EXPECT_TRUE(router.FirmwareAbove2());
    board.Identify("dsLynNCRouter2D", "1.0");
    ExpectRaise([&] { router.ReportCopyRightText(); }, 3, "QM4DNCRouter.CheckCopyright");
    EXPECT_EQ(router.BoardType(), 1);
}

TEST_F(Commands, MotorSelectionIsSentOnlyWhenItChanges) {
    const std::pair<const char*, const char*> cases[] = {
        {"x", " 2M"}, {"X", ""}, {"WZ", " 9M"}, {"B", " 15M"}, {"0", ""}, {"15", ""}, {"wxyz", ""}, {"", ""},
        {"-3", "-3M"}, {"Y", " 4M"}};
    for (const auto& [which, wire] : cases) {
        router.SelectMotor(which);
        EXPECT_EQ(board.TakeWire(), wire) << which;
    }
    // An unknown letter sends nothing and keeps the selection: Y again sends nothing.
    ExpectRaise([&] { router.SelectMotor("XQ"); }, 5,
                "QM4DNCRouter.SelectMotor\r\nUnknown motor requested: Command was <XQ>");
    router.SelectMotor("Y");
    EXPECT_EQ(board.TakeWire(), "");
}

// The calls run in order (the address mode and the selection carry over),
// each group on a board of its version; the words of another board type
// send nothing. Values must carry their sign.
TEST_F(Commands, CommandWordsByBoardType) {
    auto type1 = [&](const char* firmware = "QM4DNCRouter") { rig.Identified(firmware, "4.71"); };
    auto type3 = [&] { rig.Identified("QM4DNCRouter", "5.02"); };
    QM4DNCRouter& r = router;
    board.On("h", {"I0*"});
    board.On("3J", {"\r\n~"});
    type1();
    r.SetRequestedXLocation(-200), r.SetAddressMode(false), r.SetRequestedXLocation(-200);
    r.SetRequestedLocation(1, 2, 3, 4), r.SetAddressMode(true);
    r.SetRunRate(-1200), r.SetRampRate(300), r.SetStopOKRate(50), r.SetPulsePolarities(3);
    r.SetIOPortDirections(255, 0), r.SetIOPorts(5, 0), r.PauseMotors(), r.ResumeMotors(), r.StopMotors();
    EXPECT_EQ(r.RelayClose(3), 9);
    EXPECT_EQ(r.RelaySet(4), 0);
    r.SendSPIData(8, 2, 85), r.SendSPIData(0xFF, 0xF, -1);
    // Values that do not fit their word raise before a byte is sent.
    EXPECT_THROW(r.SendSPIData(1, 1, 0x800000), ArithmeticOverflow);
    EXPECT_THROW(r.SetRequestedBinaryDeltaLocation(1, 262144), ArithmeticOverflow);
    EXPECT_EQ(board.TakeWire(), "-200X-200x1w2x3y4z-1200R300P50K3O255F5EqrQ3J4E21832S-1S");
    type1();  // words of type 3 only; the host sleeps for a pause (a negative one is none)
    r.QueueRelaySet(5), r.EEPromWriteData(3, 42), r.EEPromReset(), r.SetIOConfig(24576);
    r.SetRateScaleFactor(2), r.QueueRateSet(100), r.StartMultiVectorSequence(12000);
    r.SetInstantStopSensor(1), r.SetDac(1, 6.0), r.SetDacRaw(1, 5), r.DrawArcD(500, 90.0, 45.5, 200);
    r.PauseNow(2500), r.PauseNow(3500), r.PauseNow(-1000);
    EXPECT_EQ(clock.sleptMs, 6);  // 2500 and 3500 us, halves to even
    EXPECT_EQ(r.EEPromReadData(5), 0);
    EXPECT_EQ(board.TakeWire(), "1t");
    type1("QM4DFifoNCStepper");  // type 2: DAC levels are limited and rounded
    r.QueueRelaySet(5), r.SetDac(1, 6.0), r.SetDac(0, 2.5), r.SetDac(-3, -1.0), r.SetDacRaw(2, 300);
    EXPECT_EQ(board.TakeWire(), "511d128d0d556d");
    type3();
    r.PauseMotorsWithTTLRestart(3, 2), r.QueuePause(700), r.QueuePauseMotorsWithTTLRestart(1, 1);
    r.QueueRelaySet(5), r.QueueRelaySet(-5), r.SendSPIData(8, 2, 85), r.SetDac(1, 6.0);
    r.EEPromWriteData(3, 42), r.EEPromReset(), r.EEPromSaveCurrentSettings();
    EXPECT_THROW(r.EEPromWriteData(2147483647 - 10, 1), ArithmeticOverflow);
    EXPECT_THROW(r.PauseMotorsWithTTLRestart(0, 0x10000000), ArithmeticOverflow);
    EXPECT_THROW(r.QueueSetIOAndSDPorts(0, 0, 0, 128), ArithmeticOverflow);
    EXPECT_THROW(r.PackPorts(0, 0, 32767, 1), ArithmeticOverflow);
    EXPECT_EQ(board.TakeWire(), "19q-700p-9q-5E--5E511d65539e42e987654321e123456789e");
    r.SetIOConfig(24576), r.SetRateScaleFactor(2), r.SetNextQueueElementLongID(8);
    r.SetReportQueueElementSnapshot(-1), r.QueueRateSet(100), r.StartMultiVectorSequence(12000);
    r.QueueSetIOAndSDPorts(1, 2, 3), r.QueueSetIOAndSDPortsLow(1, 0, 0), r.QueueSetIOAndSDPortsHigh(2, 0, 0);
    r.SetIOAndSDPorts(1, 2, 3), r.SetIOAndSDPortsLow(1, 2, 3), r.SetIOAndSDPortsHigh(1, 2, 3);
    r.PauseNow(2500);  // the board pauses, not the host
    EXPECT_EQ(board.TakeWire(), "24576t2f8n-1s100k12000m-197121E-1U-2J197121E197121U197121J2500p");
    EXPECT_EQ(QM4DNCRouter::PackPorts(0x1FF, 0x1FF, 0, 127), 0x7F00FFFF);
    EXPECT_EQ(QM4DNCRouter::PackPorts(0, 0, -1, 0), -65536);
    board.Value(16389, -7);
    EXPECT_EQ(r.EEPromReadData(5), -7);
    // A delta is relative whatever the address mode; text on type 3.
    for (auto [delta, axis] : {std::pair{-25, 1}, {7, 0}, {8, 3}, {-25, 4}, {-25, -1}})
        r.SetRequestedBinaryDeltaLocation(delta, axis);
    r.GoToCurrentRequestedLocationWithVectorLength(750), r.StartMultiVectorSequence(12000);
    EXPECT_EQ(board.TakeWire(), "16389?-25x7w8z750G12000m");
    r.DrawArc(500, 9000, 100, 2, 7), r.DrawArcD(500, 90.0, 45.5, 200);
    r.DrawArcD(1, 0.0000005, 0.0000015, 3), r.DrawArcD(1, -0.0000025, 2147.0, 3);
    EXPECT_THROW(r.DrawArcD(1, 0.0, 2147.5, 3), ArithmeticOverflow);
    EXPECT_THROW(r.DrawArcD(1, -2147.5, 0.0, 3), ArithmeticOverflow);
    EXPECT_EQ(board.TakeWire(), "9000B100C2D500A90000000B45500000C200D500A0B2C3D1A-2B2147000000C3D1A");

    // Below type 3, settings that need an idle controller and arcs ask it
    // first, and arcs send stop steps; with the wait on, they wait after too.
    type1();
    r.SetCurrentCoordinates(1, 2, 3, 4), r.SetMotorBacklash("Y", 12), r.SetVerboseMode(0);
    EXPECT_FALSE(rig.link->VerboseResponse());
    r.SetVerboseMode(3);
    EXPECT_TRUE(rig.link->VerboseResponse());
    r.GoToCurrentRequestedLocationWithVectorLength(750), r.GoToLocation(1, 2, 3, 4);
    r.GoToLocationWithVectorLength(0, -5, 6, 0, 9);
    EXPECT_EQ(board.TakeWire(), "h1W2X3Y4Z=h 4M12Hh0Vh3V750G1W2X3Y4ZG0W-5X6Y0Z9G");
    r.DrawArc(500, 9000, 100, 2), r.DrawArc(500, -9000, 100, 2, 7);
    r.SetAutoWaitOnMotionComplete(true), r.DrawArc(500, 9000, 100, 2), r.SetAutoWaitOnMotionComplete(false);
    EXPECT_EQ(board.TakeWire(), "h9000B100C2D0c500Ah-9000B100C2D7c500Ah9000B100C2D0c500Ah");
    // A controller that is not idle gets nothing of the setting or the arc.
    board.On("h", {"G3*"});
    ExpectRaise([&] { r.DrawArc(500, 9000, 100, 2); }, 8,
                "QM4DNCRouter.WaitOrTrap\r\nTimed out on pre-testing for QM4DNCRouter ready for call from DrawArc");
    board.On("h", {"S0*"});
    ExpectRaise([&] { r.SetMotorBacklash("X", 5); }, 8, "ready for call from SetMotorBacklash");
    EXPECT_EQ(board.TakeWire(), "hh");
}

// Below type 3: flag bit, axis, then the low 12 bits of the delta.
TEST_F(Commands, TwoByteDeltaBelowType3) {
    rig.Identified("QM4DNCRouter", "4.71");
    const std::tuple<int, int, char, char> cases[] = {
        {100, 1, '\xA0', 0x64}, {-1, 2, '\xCF', '\xFF'}, {-2048, 0, '\x88', 0}, {2047, 3, '\xE7', '\xFF'},
        {4096, 1, '\xA0', 0}};
    for (const auto& [delta, axis, high, low] : cases) {
        router.SetRequestedBinaryDeltaLocation(delta, axis);
        EXPECT_EQ(board.TakeWire(), std::string({high, low})) << delta;
    }
}
