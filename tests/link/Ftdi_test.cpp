// The FTDI path: which adapter is taken and the latency rule.
#include "platform/FakeClock.h"
#include "platform/serial/FakeFtdi.h"
#include "tests/link/LinkFixture.h"

using namespace plyx::test;
using plyx::platform::serial::FakeFtdi;

namespace {

class Ftdi : public LinkFixture {
protected:
    Ftdi() {
        link = std::make_unique<plyx::link::ZentrovaCom>(log, clock);
        log.LogFileOpen(dir.File("comm.log"));  // the replaced link closed it
        link->SetPortPaths(Paths());
        link->SetFtdi(&fake);
    }
    // The link closes its adapter on the way out: it goes before the fake.
    ~Ftdi() override { link.reset(); }
    plyx::platform::FakeClock clock;
    FakeFtdi fake;
};

// An adapter of another number is skipped; one with a slow latency timer
// opens as FTDI and gets 1 ms; once at 1 ms it opens as a plain COM port.
TEST_F(Ftdi, SlowLatencyAdapterOpensAsFtdiOnceThenAsAComPort) {
    ScriptedPeer other;
    for (const auto& [com, path] : {std::pair{7, other.SlavePath()}, std::pair{3, peer.SlavePath()}}) {
        fake.devices.emplace_back();
        fake.devices.back().comNumber = com;
        fake.devices.back().devicePath = path;
    }
    link->PortOpen("COM3");
    EXPECT_TRUE(link->IsFTDI());
    EXPECT_EQ(fake.devices[1].latencySetTo, (std::vector<std::uint8_t>{1}));
    peer.When("-12?", {Send("X,-12\r\nNCR 1.0\r\n*")});
    EXPECT_EQ(link->StringWriteCommandSequence("-12?"), 0);
    EXPECT_EQ(link->Copyright(), "NCR 1.0");
    link->PortOpen("COM3");
    EXPECT_FALSE(link->IsFTDI());
    EXPECT_EQ(fake.devices[1].latencySetTo.size(), 1u);  // already 1 ms: left alone
    EXPECT_TRUE(HoldsAll(LogText(), {"EVENT:Opened FTDI logical port 1 as COM3 since lantency timer was set to 16.",
                                     "SENT:SENDING 4 BYTES OF QUEUED WRITE DATA...",
                                     "EVENT:... FTDI logical port 0 initially defined as com port 7",
                                     "EVENT:Latency timer on FTDI Logical port 1 is set to 1.  "
                                     "Will open as a normal COM port.",
                                     "EVENT:Not FTDI port -- trying to open as true COM port \\\\.\\COM3"}));
}

}  // namespace
