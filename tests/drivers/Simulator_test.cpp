// The 4-axis driver against the board simulator: identification and the run
// state as the board itself reports them.
#include "sim/Simulator.h"
#include "tests/drivers/DriverRig.h"

using namespace plyx::test;

// Waits are long: they end at the board's reply, and a busy machine may delay it.
TEST(OnSimulator, EachVersionIsIdentifiedAndItsWaitsRead) {
    const std::tuple<const char*, const char*, int, int> cases[] = {
        {"QM4DNCRouter", "2.14", 1, 9},  // below 3 the board counts free places with one digit
        {"QM4DNCRouter", "4.71", 1, 30},
        {"QM4DNCRouter", "5.02", 3, 30},
        {"QM4DFifoNCStepper", "4.71", 2, 30}};
    for (const auto& [firmware, version, type, freePlaces] : cases) {
        SCOPED_TRACE(version);
        plyx::sim::SimOptions options;
        options.firmwareName = firmware;
        options.versionText = version;
        plyx::sim::Simulator sim(options);
        sim.Start();
        TempDir dir;
        plyx::link::CommLog log;
        plyx::platform::FakeClock clock;
        plyx::drivers::QM4DNCRouter router(clock);
        router.SetZentrovaRef(OpenBoardLink(log, dir, sim.DevicePath()));
        router.SetAutoWaitOnMotionComplete(false);
        EXPECT_GT(router.MaxRate(), 0);
        EXPECT_EQ(router.BoardType(), type);
        EXPECT_EQ(router.ReportFirmwareVersion(), version);
        EXPECT_EQ(router.IdleWait(2000), 0);
        EXPECT_EQ(router.LastQueueCount(), freePlaces);
        router.PauseMotors();
        EXPECT_EQ(router.IdleWait(2000), 3);
        router.ResumeMotors();
        EXPECT_EQ(router.IdleWait(2000), 0);
        router.StopMotors();
        EXPECT_EQ(router.IdleWait(2000), 4);
    }
}
