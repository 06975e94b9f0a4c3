#pragma once
// A 2-axis driver bound to the link of a scripted 2-axis board.
#include <gtest/gtest.h>

#include "drivers/NCRouter2D.h"
#include "platform/FakeClock.h"
#include "tests/drivers/DriverTestUtil.h"
#include "tests/support/TwoAxisBoard.h"

namespace plyx::test {

class NCRouter2DPeerTest : public ::testing::Test, protected TwoAxisBoardLink {
protected:
    void SetUp() override { driver.SetZentrovaRef(link); }

    // Identifies the board, then forgets the bytes of the identification.
    void Identify(const std::string& firmware = "VT2D20NCRouter 2.10") {
        Edit([&](TwoAxisBoard& b) { b.firmware = firmware; });
        driver.ReportCopyRightText();
        Sent();
    }

    platform::FakeClock clock;
    drivers::NCRouter2D driver{clock};
};

}  // namespace plyx::test
