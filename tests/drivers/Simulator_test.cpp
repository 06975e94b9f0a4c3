// The 4-axis driver against the board simulator: identification and the run
// state as the board itself reports them. (Moves on the simulator are
// checked by the whole simulated runs of both families in tests/engine.)
#ifdef PLYX3_HAVE_SIM
#include <gtest/gtest.h>

#include "sim/Simulator.h"
#include "tests/drivers/DriverRig.h"

using plyx::drivers::QM4DNCRouter;
using plyx::sim::Simulator;
using plyx::sim::SimOptions;
using namespace plyx::test;

namespace {

SimOptions Firmware(const std::string& name, const std::string& version) {
    SimOptions o;
    o.firmwareName = name;
    o.versionText = version;
    return o;
}

// A driver on the link's first board, as the run engine binds it. Waits are
// long: they end at the board's reply, and a busy machine may delay it.
class OnSimulator {
public:
    explicit OnSimulator(SimOptions options) : sim(std::move(options)) {
        sim.Start();
        link = OpenBoardLink(log, dir, sim.DevicePath());
        router.SetZentrovaRef(link);
        router.SetAutoWaitOnMotionComplete(false);
    }
    Simulator sim;
    TempDir dir;
    plyx::link::CommLog log;
    std::shared_ptr<plyx::link::ZentrovaCom> link;
    plyx::platform::FakeClock clock;
    QM4DNCRouter router{clock};
};

}  // namespace

TEST(OnSimulator, EachVersionIsIdentifiedAndItsWaitsRead) {
    const struct {
        const char* version;
        int type;
        bool above2;
        int freePlaces;  // below 3 the board counts them with one digit
    } cases[] = {{"2.14", 1, false, 9}, {"4.71", 1, true, 30}, {"5.02", 3, true, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        OnSimulator s(Firmware("QM4DNCRouter", c.version));
        EXPECT_GT(s.router.MaxRate(), 0);
        EXPECT_EQ(s.router.BoardType(), c.type);
        EXPECT_EQ(s.router.FirmwareAbove2(), c.above2);
        EXPECT_EQ(s.router.IdleWait(2000), 0);
        EXPECT_EQ(s.router.LastQueueCount(), c.freePlaces);
        s.router.PauseMotors();
        EXPECT_EQ(s.router.IdleWait(2000), 3);
        s.router.ResumeMotors();
        EXPECT_EQ(s.router.IdleWait(2000), 0);
        s.router.StopMotors();
        EXPECT_EQ(s.router.IdleWait(2000), 4);
    }
    OnSimulator fifo(Firmware("QM4DFifoNCStepper", "4.71"));
    EXPECT_EQ(fifo.router.ReportFirmwareVersion(), "4.71");
    EXPECT_EQ(fifo.router.BoardType(), 2);
}

#endif
