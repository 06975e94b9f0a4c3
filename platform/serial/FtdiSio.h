#pragma once
// FTDI devices served by the kernel's ftdi_sio driver: the /dev/ttyUSBn
// whose driver is ftdi_sio, their COM numbers from the port mapping, and
// their latency timers in sysfs (set to 1 ms through ASYNC_LOW_LATENCY,
// which needs no root, and the sysfs file where writable).
#include <string>
#include <vector>

#include "platform/serial/ComPortMap.h"
#include "platform/serial/TtyFtdi.h"

namespace plyx::platform::serial {

class FtdiSio final : public TtyFtdi {
public:
    explicit FtdiSio(PortPaths paths) : paths_(std::move(paths)) {}
    void SetPaths(PortPaths paths) { paths_ = std::move(paths); }

protected:
    int ListDevices() override;
    std::string DevicePath(int index) override;
    bool ComNumber(int index, std::int32_t& number) override;
    bool LatencyTimer(int index, std::uint8_t& ms) override;
    bool SetLatencyTimer(int index, TtyPort& port, std::uint8_t ms) override;

private:
    std::string LatencyFile(int index) const;
    PortPaths paths_;
    std::vector<std::string> ttys_;  // "ttyUSB0", ...
};

}  // namespace plyx::platform::serial
