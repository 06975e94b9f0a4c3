// Boards, routes, flushing and the errors of the board link.
#include "tests/link/LinkFixture.h"

using namespace plyx::test;

namespace {

using Boards = LinkFixture;

TEST_F(Boards, SelectingABoardCopiesItsSettingsSendsItsRouteOnceAndFlushesInput) {
    OpenCom3();
    EXPECT_EQ(link->AddBoard("AGKPRWXYZ", 1000, ""), 1);
    link->DefineBoard(15, "R", 700, "#2");
    peer.Do({Send("junk")});
    ASSERT_EQ(link->CharReadRaw(1000), 'j');
    link->MayConnectToBoard(15);
    // The idle query is always long.
    EXPECT_EQ(link->Route() + "|" + std::to_string(link->IdleTime()) + "|" + link->LongCommands(), "#2|700|IR");
    ASSERT_TRUE(peer.WaitForReceived("#2"));
    EXPECT_EQ(link->CharReadRaw(30), -1);  // the junk was flushed
    peer.TakeReceived();
    link->MayConnectToBoard(15);  // already selected: nothing goes out before the marker
    link->StringWrite("|");
    link->CharFlushWriteBuffer();
    ASSERT_TRUE(peer.WaitForReceived("|"));
    EXPECT_EQ(peer.TakeReceived(), "|");
    auto e = ErrorOf([&] { link->MayConnectToBoard(26); });
    EXPECT_EQ(e.SmallNumber(), 5);
    EXPECT_TRUE(Holds(e.Description(), "\r\nAttempt to connect to board (26), which has not yet been defined.\r\n"));
}

TEST_F(Boards, FlushRouteSendsTheFlushCharAndWaitsByTheRate) {
    OpenCom3();
    link->BaudRateSelect(300);  // 10000 * 2 / 300 + 0.5 = 67.17 -> 67 ms
    peer.TakeReceived();
    link->SetFlushChar('~');
    // Waiting bytes are purged: sent in one write, so all are there with the first.
    peer.Do({Send("xabc~")});
    ASSERT_EQ(link->CharReadRaw(5000), 'x');
    link->FlushRoute();
    EXPECT_EQ(peer.Received(), "~");
    EXPECT_EQ(link->CharReadRaw(20), -1);
    link->BaudRateSelect(1200);  // 10000 * 2 / 1200 + 0.5 = 17.17 -> 17 ms
    link->FlushRoute();
    link->SetRoute(std::string(40, 'r'));
    link->BaudRateSelect(115200);  // 4.15 -> at least 16 ms
    link->FlushRoute();
    EXPECT_TRUE(HoldsAll(LogText(), {"EVENT:Zentrova.FlushRoute wait time is 67 milliseconds",
                                     "EVENT:Zentrova.FlushRoute purged 4 characters received...",
                                     "FlushRoute wait time is 17 milliseconds",
                                     "FlushRoute wait time is 16 milliseconds"}));
}

// Errors carry their number, source, board details and the board's last
// words, and are in the log before they are thrown.
TEST_F(Boards, ErrorsCarryTheBoardDetailsAndAreLogged) {
    link->SetCopyright("OtherBoard 1.0");
    auto e = ErrorOf([&] { link->CheckCopyright("QM4DNCRouter QM4DFifoNCStepper", "QM4DNCRouter.CheckCopyright"); });
    EXPECT_EQ(e.Number(), 0x80047533u);
    EXPECT_EQ(e.Description(),
              "Error 3 reported by QM4DNCRouter.CheckCopyright\r\n"
              "Detected incorrect fimware.\r\nExpected 'QM4DNCRouter QM4DFifoNCStepper', saw copyright of:\r\n"
              "OtherBoard 1.0\r\n"
              "Error was associated with board 0 on route '' and port \r\n"
              "The last response from the board was:\r\nThis has never contacted remote");
    OpenCom3();
    peer.When("A", {Send("X,1,2*")});
    link->StringWriteCommandSequence("A");
    e = ErrorOf([&] { link->ErrRaise(9, "QM4DNCRouter.IdleWait", "Paused"); });
    EXPECT_TRUE(Holds(e.Description(), "port \\\\.\\COM3\r\nThe last response from the board was:\r\nX,1,2*"));
    // Read the file without flushing: ErrRaise wrote it out already.
    EXPECT_TRUE(Holds(DecodeLog(dir.Read("comm.log")), "EVENT:Error 9 reported by QM4DNCRouter.IdleWait\r\nPaused"));
}

}  // namespace
