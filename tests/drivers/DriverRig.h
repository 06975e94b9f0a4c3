#pragma once
// A 4-axis driver bound to a board link whose port is a FakeBoard.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drivers/QM4DNCRouter.h"
#include "platform/FakeClock.h"
#include "tests/drivers/DriverTestUtil.h"
#include "tests/drivers/FakeBoard.h"
#include "tests/support/BoardLink.h"

namespace plyx::test {

// The driver's waits and host sleeps run on `clock`.
struct Rig {
    explicit Rig(platform::Clock& driverClock) : router(driverClock) {
        link = OpenBoardLink(log, dir, board.DevicePath());
        router.SetZentrovaRef(link);
        board.TakeWire();
    }
    // Identifies the board as firmware/version and forgets the wire so far.
    void Identified(const std::string& firmware, const std::string& version) {
        board.Identify(firmware, version);
        board.Value(-20, 40000);
        board.Value(-15, 76000);
        router.ReportCopyRightText();
        board.TakeWire();
    }

    TempDir dir;
    FakeBoard board;
    link::CommLog log;
    std::shared_ptr<link::ZentrovaCom> link;
    drivers::QM4DNCRouter router;
};

// A rig on a fake clock, the driver's waits after queued commands off.
class RigTest : public ::testing::Test {
protected:
    void SetUp() override { router.SetAutoWaitOnMotionComplete(false); }
    platform::FakeClock clock;
    Rig rig{clock};
    FakeBoard& board = rig.board;
    drivers::QM4DNCRouter& router = rig.router;
};

}  // namespace plyx::test
