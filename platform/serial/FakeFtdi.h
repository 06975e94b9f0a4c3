#pragma once
// FTDI devices for tests: a list of simulated adapters, each with a COM
// number and a latency timer, whose data goes through a real tty (a
// pseudo-terminal). Records what the code under test did to them.
#include <string>
#include <vector>

#include "platform/serial/TtyFtdi.h"

namespace plyx::platform::serial {

class FakeFtdi final : public TtyFtdi {
public:
    struct Device {
        std::int32_t comNumber = 0;
        std::uint8_t latency = 16;
        std::string devicePath;      // where the bytes go
        bool comLookupFails = false;
        std::vector<std::uint8_t> latencySetTo;  // every FT_SetLatencyTimer
    };
    std::vector<Device> devices;
    bool listFails = false;
    int listCalls = 0;

protected:
    int ListDevices() override {
        ++listCalls;
        return listFails ? -1 : static_cast<int>(devices.size());
    }
    std::string DevicePath(int index) override { return devices.at(static_cast<std::size_t>(index)).devicePath; }
    bool ComNumber(int index, std::int32_t& number) override {
        const Device& d = devices.at(static_cast<std::size_t>(index));
        if (d.comLookupFails) return false;
        number = d.comNumber;
        return true;
    }
    bool LatencyTimer(int index, std::uint8_t& ms) override {
        ms = devices.at(static_cast<std::size_t>(index)).latency;
        return true;
    }
    bool SetLatencyTimer(int index, TtyPort&, std::uint8_t ms) override {
        Device& d = devices.at(static_cast<std::size_t>(index));
        d.latency = ms;
        d.latencySetTo.push_back(ms);
        return true;
    }
};

}  // namespace plyx::platform::serial
