#pragma once
// The FTDI device operations the board link uses, named as in the vendor's
// D2XX library. Every call returns a status, 0 meaning success. On Linux
// they are served by the kernel's ftdi_sio driver (FtdiSio.h); tests use
// FakeFtdi.h.
#include <cstddef>
#include <cstdint>

namespace plyx::platform::serial {

using FT_HANDLE = std::int32_t;  // -1: none
using FT_STATUS = std::uint32_t;

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_OTHER_ERROR = 18,
};

enum : std::uint8_t { FT_BITS_8 = 8, FT_STOP_BITS_1 = 0, FT_PARITY_NONE = 0 };
enum : std::uint16_t { FT_FLOW_NONE = 0 };
enum : std::uint32_t { FT_PURGE_RX = 1, FT_PURGE_TX = 2 };

class FtdiApi {
public:
    virtual ~FtdiApi() = default;
    // Lists the attached devices; they are then opened by index.
    virtual FT_STATUS FT_CreateDeviceInfoList(std::uint32_t* count) = 0;
    virtual FT_STATUS FT_Open(int index, FT_HANDLE* handle) = 0;
    virtual FT_STATUS FT_Close(FT_HANDLE handle) = 0;
    virtual FT_STATUS FT_GetComPortNumber(FT_HANDLE handle, std::int32_t* comNumber) = 0;
    virtual FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, std::uint8_t* ms) = 0;
    virtual FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) = 0;
    virtual FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                                std::uint8_t parity) = 0;
    virtual FT_STATUS FT_SetFlowControl(FT_HANDLE handle, std::uint16_t flow, std::uint8_t xon,
                                        std::uint8_t xoff) = 0;
    virtual FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t rate) = 0;
    virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
    // Reads up to n bytes within the read limit; *got = 0 when none came.
    // A device that has gone away is a non-zero status, never a silent 0.
    virtual FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) = 0;
    virtual FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n, std::uint32_t* written) = 0;
    virtual FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) = 0;
    virtual FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxCount, std::uint32_t* txCount,
                                   std::uint32_t* eventStatus) = 0;
};

}  // namespace plyx::platform::serial
