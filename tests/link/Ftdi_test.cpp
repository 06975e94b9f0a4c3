// The FTDI path: which adapter is taken, the latency rule, and the ftdi_sio
// implementation on a made-up sysfs tree.
#include <filesystem>
#include <fstream>

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
    fake.devices.push_back({.comNumber = 7, .latency = 16, .devicePath = other.SlavePath(), .comLookupFails = false, .latencySetTo = {}});
    fake.devices.push_back({.comNumber = 3, .latency = 16, .devicePath = peer.SlavePath(), .comLookupFails = false, .latencySetTo = {}});
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

TEST_F(Ftdi, FtdiSioFindsAdaptersInSysfs) {
    namespace fs = std::filesystem;
    ScriptedPeer adapter;
    const std::string sys = dir.path() + "/sys", usb = sys + "/bus/usb-serial/devices/ttyUSB0";
    fs::create_directories(usb);
    // ttyUSB0 on ftdi_sio; ttyUSB1, an adapter of another make, is no FTDI device.
    for (const auto& [tty, driver] : {std::pair{"ttyUSB0", "ftdi_sio"}, std::pair{"ttyUSB1", "pl2303"}}) {
        fs::create_directories(sys + "/class/tty/" + tty + "/device");
        fs::create_directories(sys + "/bus/usb-serial/drivers/" + driver);
        fs::create_directory_symlink(sys + "/bus/usb-serial/drivers/" + driver,
                                     sys + "/class/tty/" + tty + "/device/driver");
    }
    std::ofstream(usb + "/latency_timer") << "16\n";
    fs::create_symlink(adapter.SlavePath(), dir.path() + "/dev/ttyUSB0");
    ::unlink((dataDir + "/ports/COM3").c_str());

    link->SetFtdi(nullptr);  // the ftdi_sio implementation
    link->PortOpen("COM1");   // ttyUSB0 is the first serial device
    EXPECT_TRUE(link->IsFTDI());
    EXPECT_TRUE(Holds(LogText(), "EVENT:...1 FTDI ports detected"));
    std::string latency;
    std::ifstream(usb + "/latency_timer") >> latency;
    EXPECT_EQ(latency, "1");
    adapter.When("Q", {Send("X,V,5*")});
    link->SetFastIdleTime(1000);
    EXPECT_EQ(link->StringWriteCommandSequence("Q"), 0);
    EXPECT_EQ(link->ResultGet("X", "V"), "5");
}

}  // namespace
