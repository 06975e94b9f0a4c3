#pragma once
// The FTDI operations served over tty devices: opening, line settings,
// reading, writing, purging and status are the same whatever lists the
// devices; subclasses say which devices there are, their COM numbers and
// latency timers.
#include <map>
#include <memory>
#include <string>

#include "platform/serial/Ftdi.h"
#include "platform/serial/TtyPort.h"

namespace plyx::platform::serial {

class TtyFtdi : public FtdiApi {
public:
    FT_STATUS FT_CreateDeviceInfoList(std::uint32_t* count) override;
    FT_STATUS FT_Open(int index, FT_HANDLE* handle) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    FT_STATUS FT_GetComPortNumber(FT_HANDLE handle, std::int32_t* comNumber) override;
    FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, std::uint8_t* ms) override;
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) override;
    FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                        std::uint8_t parity) override;
    FT_STATUS FT_SetFlowControl(FT_HANDLE handle, std::uint16_t flow, std::uint8_t xon, std::uint8_t xoff) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t rate) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n, std::uint32_t* written) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) override;
    FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxCount, std::uint32_t* txCount,
                           std::uint32_t* eventStatus) override;

protected:
    // Re-reads the device list; returns the count, -1 when it cannot be read.
    virtual int ListDevices() = 0;
    virtual std::string DevicePath(int index) = 0;
    virtual bool ComNumber(int index, std::int32_t& number) = 0;
    virtual bool LatencyTimer(int index, std::uint8_t& ms) = 0;
    virtual bool SetLatencyTimer(int index, TtyPort& port, std::uint8_t ms) = 0;

    struct Open {
        int index;
        TtyPort port;
        std::int32_t readMs = 0;
    };
    Open* Find(FT_HANDLE handle);

private:
    int listed_ = 0;
    FT_HANDLE nextHandle_ = 1;
    std::map<FT_HANDLE, std::unique_ptr<Open>> open_;
};

}  // namespace plyx::platform::serial
