// Binding a 4-axis driver to a board link and registering its board.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/drivers/DriverRig.h"

using plyx::drivers::QM4DNCRouter;
using namespace plyx::test;

TEST(Binding, UnboundDriverRefusesToWork) {
    QM4DNCRouter router;
    EXPECT_EQ(router.ZentrovaRef(), nullptr);
    EXPECT_THROW(router.SelectMotor("X"), std::logic_error);
    EXPECT_THROW(router.IdleWait(10), std::logic_error);
}

TEST(Binding, DefineRouteRegistersABoardWithTheFamilysLetters) {
    plyx::platform::FakeClock clock;
    Rig rig(clock);
    EXPECT_EQ(rig.router.idBoard(), 0);
    rig.router.DefineRoute("");
    EXPECT_EQ(rig.router.idBoard(), 1);
    EXPECT_EQ(rig.link->CurrentBoard(), 1);
    EXPECT_EQ(rig.link->LongCommands(), "IAGKPRWXYZ");
    EXPECT_EQ(rig.link->IdleTime(), 1000);
    EXPECT_EQ(rig.link->FlushChar(), '~');

    // A second route changes the board's route and sends it.
    rig.router.DefineRoute("}{");
    EXPECT_EQ(rig.router.idBoard(), 1);
    EXPECT_EQ(rig.link->Route(), "}{");
    EXPECT_TRUE(rig.board.Peer().WaitForReceived("}{"));
    EXPECT_EQ(rig.link->BoardCount(), 1);
}

TEST(Binding, NewLinkForgetsTheBoardButNotTheIdentification) {
    plyx::platform::FakeClock clock;
    Rig rig(clock);
    rig.router.DefineRoute("");
    rig.Identified("QM4DNCRouter", "4.71");
    rig.router.SelectMotor("Y");
    rig.board.TakeWire();
    rig.router.SetZentrovaRef(rig.link);
    EXPECT_EQ(rig.router.idBoard(), 0);
    EXPECT_EQ(rig.router.BoardType(), 1);
    rig.router.SelectMotor("Y");
    EXPECT_EQ(rig.board.TakeWire(), "");
    EXPECT_EQ(rig.link->CurrentBoard(), 0);
}

TEST(Binding, LinkHeldByReferenceIsNotOwned) {
    plyx::platform::FakeClock clock;
    Rig rig(clock);
    {
        QM4DNCRouter other(clock);
        other.SetZentrovaRef(*rig.link);
        other.SetRunRate(5);
    }
    EXPECT_EQ(rig.board.TakeWire(), "5R");
    rig.router.SetRunRate(6);
    EXPECT_EQ(rig.board.TakeWire(), "6R");
}
