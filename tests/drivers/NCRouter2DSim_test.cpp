// The 2-axis driver against the board simulator in 2-axis mode: what the
// driver sends must make the board do what the operation names.
#include <gtest/gtest.h>

#include <memory>

#include "drivers/NCRouter2D.h"
#include "sim/Simulator.h"
#include "tests/support/BoardLink.h"

namespace plyx::test {
namespace {

sim::SimOptions TwoAxisFirmware() {
    sim::SimOptions options;
    options.firmwareName = "VT2D20NCRouter";
    options.versionText = "3.02";
    options.queueCapacity = 30;
    return options;
}

class NCRouter2DSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        board->Start();
        link = OpenBoardLink(log, dir, board->DevicePath());
        link->SetIdleTime(2000);
        driver.SetZentrovaRef(link);
        driver.SetAutoWaitOnMotionComplete(false);
    }

    TempDir dir;
    std::unique_ptr<sim::Simulator> board = std::make_unique<sim::Simulator>(TwoAxisFirmware());
    link::CommLog log;
    std::shared_ptr<link::ZentrovaCom> link;
    drivers::NCRouter2D driver;
};

TEST_F(NCRouter2DSimTest, IdentifiesResetsAndReportsItsRunState) {
    EXPECT_NE(driver.ReportCopyRightText().find("VT2D20NCRouter 3.02"), std::string::npos);
    EXPECT_EQ(driver.BoardType(), 2);
    EXPECT_EQ(driver.ReportFirmwareVersion(), "3.02");
    driver.ResetBoard(4);
    EXPECT_EQ(board->State().counters.resets, 1u);
    EXPECT_EQ(driver.ReportMicrostepSize(), 4);
    EXPECT_EQ(driver.IdleWait(500), 0);
    EXPECT_EQ(driver.LastQueueCount(), 30);
    driver.PauseMotors();
    EXPECT_EQ(driver.IdleWait(200), 3);
    driver.RequestMotorRestart();
    EXPECT_EQ(driver.IdleWait(200), 0);
    driver.StopMotors();
    EXPECT_EQ(driver.IdleWait(200), 4);
}

TEST_F(NCRouter2DSimTest, RelativeMoveReachesTheBoard) {
    driver.ResetBoard(16);
    driver.SetAddressMode(false);
    driver.SetRunRate(-2737);
    driver.SetRequestedXLocation(1626);
    driver.SetRequestedYLocation(-1626);
    driver.GoToCurrentRequestedLocation();
    driver.SetRequestedXLocation(10);
    driver.SetRequestedYLocation(0);
    driver.GoToCurrentRequestedLocation();
    std::vector<sim::MoveRecord> moves = board->Moves();
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].steps[sim::kX], 1626);
    EXPECT_EQ(moves[0].steps[sim::kY], -1626);
    EXPECT_EQ(moves[0].rate, -2737);
    EXPECT_EQ(moves[1].steps[sim::kX], 10);
    EXPECT_EQ(moves[1].steps[sim::kY], 0);
    driver.IdleWaitForFullyStopped();
    sim::SimState s = board->State();
    EXPECT_EQ(s.position[sim::kX], 1636);
    EXPECT_EQ(s.position[sim::kY], -1626);
    EXPECT_EQ(driver.ReportCurrentX(), 1636);
    EXPECT_EQ(driver.ReportCurrentY(), -1626);
}

}  // namespace
}  // namespace plyx::test
