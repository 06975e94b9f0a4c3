// COM names to devices: links first, then the serial devices in order.
#include "platform/serial/ComPortMap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

using namespace plyx::platform::serial;

// Devices follow the links by family (ttyS, ttyUSB, ttyACM) up to each
// family's first gap, skipping linked numbers; a dangling link maps to
// nothing; a device reached by a link answers to the link's number.
TEST(ComPortMap, LinksFirstThenDevicesByFamilyUpToTheFirstGap) {
    plyx::test::TempDir dir;
    const std::string data = dir.path() + "/data", dev = dir.path() + "/dev";
    const PortPaths paths{.dataDirectory = data, .devRoot = dev, .sysRoot = dir.path() + "/sys"};
    for (const std::string& d : {data, data + "/ports", dev}) ::mkdir(d.c_str(), 0755);
    for (const char* name : {"ttyS0", "ttyS1", "ttyS3", "ttyUSB0", "ttyACM0"}) dir.Write("dev/" + std::string(name), "");
    for (const auto& [n, target] : {std::pair{2, "/ttyUSB0"}, std::pair{7, "/missing"}})
        ASSERT_EQ(::symlink((dev + target).c_str(), (data + "/ports/COM" + std::to_string(n)).c_str()), 0);
    const std::map<int, std::string> table{
        {1, dev + "/ttyS0"}, {2, data + "/ports/COM2"}, {3, dev + "/ttyS1"}, {4, dev + "/ttyUSB0"}, {5, dev + "/ttyACM0"}};
    EXPECT_EQ(ComPortTable(paths), table);
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM2", paths), data + "/ports/COM2");
    EXPECT_EQ(DeviceForPortName("\\\\.\\COM7", paths), "");
    const std::pair<std::string, int> devices[] = {{dev + "/ttyUSB0", 2}, {dev + "/ttyS1", 3}, {dev + "/ttyS3", -1}};
    for (const auto& [device, number] : devices) EXPECT_EQ(ComNumberOfDevice(device, paths), number) << device;
    const std::pair<const char*, int> names[] = {{"\\\\.\\COM12", 12}, {"COM3x", 3}, {"com3", -1}, {"COM", -1}};
    for (const auto& [name, number] : names) EXPECT_EQ(ComNumberOf(name), number) << name;
}
