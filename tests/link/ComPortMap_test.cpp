// COM names to devices: links first, then the serial devices in order.
#include "platform/serial/ComPortMap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

using namespace plyx::platform::serial;

// Links take their numbers first; the devices follow by family (ttyS,
// ttyUSB, ttyACM) up to each family's first gap, skipping linked numbers.
TEST(ComPortMap, LinksFirstThenDevicesByFamilyUpToTheFirstGap) {
    plyx::test::TempDir dir;
    const std::string data = dir.path() + "/data", dev = dir.path() + "/dev";
    const PortPaths paths{.dataDirectory = data, .devRoot = dev, .sysRoot = dir.path() + "/sys"};
    for (const std::string& d : {data, data + "/ports", dev}) ::mkdir(d.c_str(), 0755);
    for (const char* name : {"ttyS0", "ttyS1", "ttyS3", "ttyUSB0", "ttyACM0"}) dir.Write("dev/" + std::string(name), "");
    ASSERT_EQ(::symlink((dev + "/ttyUSB0").c_str(), (data + "/ports/COM2").c_str()), 0);
    ASSERT_EQ(::symlink((dev + "/missing").c_str(), (data + "/ports/COM7").c_str()), 0);  // dangling: nothing
    auto table = ComPortTable(paths);
    EXPECT_EQ(table, (decltype(table){{1, dev + "/ttyS0"}, {2, data + "/ports/COM2"}, {3, dev + "/ttyS1"},
                                      {4, dev + "/ttyUSB0"}, {5, dev + "/ttyACM0"}}));
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM2", paths), data + "/ports/COM2");
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM7", paths), "");
    // A device reached by a link answers to the link's number.
    const std::pair<std::string, int> devices[] = {{dev + "/ttyUSB0", 2}, {dev + "/ttyS1", 3}, {dev + "/ttyS3", -1}};
    for (const auto& [device, number] : devices) EXPECT_EQ(ComNumberOfDevice(device, paths), number) << device;
    // Case-sensitive, like the FTDI lookup.
    const std::pair<const char*, int> names[] = {
        {"\\\\.\\COM12", 12}, {"COM3x", 3}, {"com3", -1}, {"COM", -1}, {"/dev/ttyS0", -1}};
    for (const auto& [name, number] : names) EXPECT_EQ(ComNumberOf(name), number) << name;
}
