// COM names to devices: links first, then the serial devices in order.
#include "platform/serial/ComPortMap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

using namespace plyx::platform::serial;

namespace {

class ComPortMap : public ::testing::Test {
protected:
    ComPortMap() {
        paths.dataDirectory = dir.path() + "/data";
        paths.devRoot = dir.path() + "/dev";
        paths.sysRoot = dir.path() + "/sys";
        ::mkdir(paths.dataDirectory.c_str(), 0755);
        ::mkdir((paths.dataDirectory + "/ports").c_str(), 0755);
        ::mkdir(paths.devRoot.c_str(), 0755);
    }
    void Device(const std::string& name) { dir.Write("dev/" + name, ""); }
    void Link(int n, const std::string& target) {
        ASSERT_EQ(::symlink(target.c_str(), (paths.dataDirectory + "/ports/COM" + std::to_string(n)).c_str()), 0);
    }
    plyx::test::TempDir dir;
    PortPaths paths;
};

TEST_F(ComPortMap, NumberAfterCom) {
    // Case-sensitive, like the FTDI lookup.
    const std::pair<const char*, int> cases[] = {
        {"\\\\.\\COM12", 12}, {"COM3x", 3}, {"com3", -1}, {"COM", -1}, {"/dev/ttyS0", -1}};
    for (const auto& [name, number] : cases) EXPECT_EQ(ComNumberOf(name), number) << name;
}

// Links take their numbers first; the devices follow by family (ttyS,
// ttyUSB, ttyACM) up to each family's first gap, skipping linked numbers.
TEST_F(ComPortMap, LinksFirstThenDevicesByFamilyUpToTheFirstGap) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyS3", "ttyUSB0", "ttyACM0"}) Device(name);
    Link(2, paths.devRoot + "/ttyUSB0");
    Link(7, paths.devRoot + "/missing");  // a dangling link maps to nothing
    auto table = ComPortTable(paths);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[1], paths.devRoot + "/ttyS0");
    EXPECT_EQ(table[2], paths.dataDirectory + "/ports/COM2");
    EXPECT_EQ(table[3], paths.devRoot + "/ttyS1");
    EXPECT_EQ(table[4], paths.devRoot + "/ttyUSB0");
    EXPECT_EQ(table[5], paths.devRoot + "/ttyACM0");
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM2", paths), paths.dataDirectory + "/ports/COM2");
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM7", paths), "");
    // A device reached by a link answers to the link's number.
    EXPECT_EQ(ComNumberOfDevice(paths.devRoot + "/ttyUSB0", paths), 2);
    EXPECT_EQ(ComNumberOfDevice(paths.devRoot + "/ttyS1", paths), 3);
    EXPECT_EQ(ComNumberOfDevice(paths.devRoot + "/ttyS3", paths), -1);
}

}  // namespace
