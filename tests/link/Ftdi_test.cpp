// The FTDI path: which adapter is taken, the latency rule, the device list
// refresh, and the ftdi_sio implementation on a made-up sysfs tree.
#include <filesystem>
#include <fstream>

#include "platform/FakeClock.h"
#include "platform/serial/FakeFtdi.h"
#include "tests/link/LinkFixture.h"

using plyx::platform::FakeClock;
using plyx::platform::serial::FakeFtdi;
using plyx::test::Holds;
using plyx::test::HoldsAll;
using plyx::test::LinkFixture;
using plyx::test::ScriptedPeer;
using plyx::test::Send;

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
    FakeFtdi::Device Adapter(int com, int latency, const std::string& path) {
        FakeFtdi::Device d;
        d.comNumber = com;
        d.latency = static_cast<std::uint8_t>(latency);
        d.devicePath = path;
        return d;
    }
    FakeClock clock;
    FakeFtdi fake;
};

TEST_F(Ftdi, AdapterWithSlowLatencyOpensAsFtdiAndGetsOneMillisecond) {
    fake.devices.push_back(Adapter(3, 16, peer.SlavePath()));
    link->PortOpen("COM3");
    EXPECT_TRUE(link->IsFTDI());
    ASSERT_EQ(fake.devices[0].latencySetTo.size(), 1u);
    EXPECT_EQ(fake.devices[0].latencySetTo[0], 1);
    EXPECT_TRUE(Holds(LogText(), "EVENT:Opened FTDI logical port 0 as COM3 since lantency timer was set to 16."));
    // Commands and replies go through the adapter.
    peer.When("-12?", {Send("X,-12\r\nNCR 1.0\r\n*")});
    EXPECT_EQ(link->StringWriteCommandSequence("-12?"), 0);
    EXPECT_EQ(link->Copyright(), "NCR 1.0");
    EXPECT_EQ(link->CharReadRaw(20), -1);
    link->FlushInput();
    link->PortClose();
    EXPECT_FALSE(link->IsFTDI());
    // One block of four bytes (whether "SENT." joins its line depends on real time).
    EXPECT_TRUE(Holds(LogText(), "SENT:SENDING 4 BYTES OF QUEUED WRITE DATA..."));
}

TEST_F(Ftdi, AdapterOfAnotherNumberIsSkippedOnceKnown) {
    ScriptedPeer other;
    fake.devices.push_back(Adapter(7, 16, other.SlavePath()));
    fake.devices.push_back(Adapter(3, 16, peer.SlavePath()));
    link->PortOpen("COM3");
    EXPECT_TRUE(link->IsFTDI());
    link->PortOpen("COM3");
    // The first open set its latency timer to 1 ms: now it is a plain COM port.
    EXPECT_TRUE(HoldsAll(LogText(), {"EVENT:... FTDI logical port 0 initially defined as com port 7",
                                     "EVENT:... FTDI logical port 1 initially defined as com port 3",
                                     "EVENT:Latency timer on FTDI Logical port 1 is set to 1.  "
                                     "Will open as a normal COM port.",
                                     "EVENT:Not FTDI port -- trying to open as true COM port \\\\.\\COM3"}));
    EXPECT_FALSE(link->IsFTDI());
    EXPECT_EQ(fake.devices[1].latencySetTo.size(), 1u);  // already 1 ms: left alone
}

TEST_F(Ftdi, VanishedAdapterIsErrorSeven) {
    fake.devices.push_back(Adapter(3, 16, peer.SlavePath()));
    link->PortOpen("COM3");
    HangUpPeer();
    auto e = ErrorOf([&] { link->CharReadRaw(3000); });
    EXPECT_EQ(e.SmallNumber(), 7);
    EXPECT_TRUE(Holds(e.Description(), "Was not able to read a character, with timeout of 3000 milliseconds. "
                                       "<4> was reported by FT_Read."));
}

TEST_F(Ftdi, FtdiSioFindsAdaptersInSysfs) {
    ScriptedPeer adapter;
    std::string root = dir.path();
    std::string cls = root + "/sys/class/tty/ttyUSB0";
    std::string usb = root + "/sys/bus/usb-serial/devices/ttyUSB0";
    for (const std::string& d : {cls + "/device", usb, root + "/sys/bus/usb-serial/drivers/ftdi_sio",
                                 root + "/sys/bus/usb-serial/drivers/pl2303"})
        std::filesystem::create_directories(d);
    ASSERT_EQ(::symlink((root + "/sys/bus/usb-serial/drivers/ftdi_sio").c_str(), (cls + "/device/driver").c_str()), 0);
    // A second USB serial adapter of another make is not an FTDI device.
    std::filesystem::create_directories(root + "/sys/class/tty/ttyUSB1/device");
    ASSERT_EQ(::symlink((root + "/sys/bus/usb-serial/drivers/pl2303").c_str(),
                        (root + "/sys/class/tty/ttyUSB1/device/driver").c_str()),
              0);
    std::ofstream(usb + "/latency_timer") << "16\n";
    ASSERT_EQ(::symlink(adapter.SlavePath().c_str(), (root + "/dev/ttyUSB0").c_str()), 0);
    ::unlink((dataDir + "/ports/COM3").c_str());

    link->SetFtdi(nullptr);  // the ftdi_sio implementation
    link->PortOpen("COM1");   // ttyUSB0 is the first serial device
    EXPECT_TRUE(link->IsFTDI());
    EXPECT_TRUE(Holds(LogText(), "EVENT:...1 FTDI ports detected"));
    std::ifstream in(usb + "/latency_timer");
    std::string latency;
    in >> latency;
    EXPECT_EQ(latency, "1");
    adapter.When("Q", {Send("X,V,5*")});
    link->SetFastIdleTime(1000);
    EXPECT_EQ(link->StringWriteCommandSequence("Q"), 0);
    EXPECT_EQ(link->ResultGet("X", "V"), "5");
}

}  // namespace
