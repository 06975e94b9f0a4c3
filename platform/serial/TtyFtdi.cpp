#include "platform/serial/TtyFtdi.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace plyx::platform::serial {

TtyFtdi::Open* TtyFtdi::Find(FT_HANDLE handle) {
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second.get();
}

FT_STATUS TtyFtdi::FT_CreateDeviceInfoList(std::uint32_t* count) {
    int n = ListDevices();
    if (n < 0) return FT_OTHER_ERROR;
    listed_ = n;
    *count = static_cast<std::uint32_t>(n);
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_Open(int index, FT_HANDLE* handle) {
    *handle = -1;
    if (index < 0 || index >= listed_) return FT_DEVICE_NOT_FOUND;
    auto entry = std::make_unique<Open>();
    entry->index = index;
    if (!entry->port.Open(DevicePath(index))) return FT_DEVICE_NOT_OPENED;
    FT_HANDLE h = nextHandle_++;
    open_[h] = std::move(entry);
    *handle = h;
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_Close(FT_HANDLE handle) {
    return open_.erase(handle) != 0 ? FT_OK : FT_INVALID_HANDLE;
}

FT_STATUS TtyFtdi::FT_GetComPortNumber(FT_HANDLE handle, std::int32_t* comNumber) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    std::int32_t n = -1;
    if (!ComNumber(o->index, n)) return FT_OTHER_ERROR;
    *comNumber = n;
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_GetLatencyTimer(FT_HANDLE handle, std::uint8_t* ms) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    return LatencyTimer(o->index, *ms) ? FT_OK : FT_OTHER_ERROR;
}

FT_STATUS TtyFtdi::FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    return SetLatencyTimer(o->index, o->port, ms) ? FT_OK : FT_OTHER_ERROR;
}

FT_STATUS TtyFtdi::FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                             std::uint8_t parity) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    if (wordLength != FT_BITS_8 || stopBits != FT_STOP_BITS_1 || parity != FT_PARITY_NONE)
        return FT_INVALID_PARAMETER;
    return o->port.SetLineFormat8N1() ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TtyFtdi::FT_SetFlowControl(FT_HANDLE handle, std::uint16_t flow, std::uint8_t, std::uint8_t) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    // The port is opened without flow control; nothing else is offered.
    return flow == FT_FLOW_NONE ? FT_OK : FT_INVALID_PARAMETER;
}

FT_STATUS TtyFtdi::FT_SetBaudRate(FT_HANDLE handle, std::uint32_t rate) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    if (rate == 0 || rate > 0x7FFFFFFFu) return FT_INVALID_BAUD_RATE;
    return o->port.SetRate(static_cast<std::int32_t>(rate)) ? FT_OK : FT_INVALID_BAUD_RATE;
}

FT_STATUS TtyFtdi::FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    o->readMs = readMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(readMs);
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) {
    *got = 0;
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    auto* out = static_cast<unsigned char*>(buffer);
    while (*got < n) {
        unsigned char ch = 0;
        ReadResult r = o->port.ReadByte(ch, o->readMs);
        if (r == ReadResult::kTimeout) break;
        if (r != ReadResult::kByte) return FT_IO_ERROR;
        out[(*got)++] = ch;
    }
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n, std::uint32_t* written) {
    *written = 0;
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    std::ptrdiff_t w = o->port.Write(static_cast<const unsigned char*>(buffer), n);
    if (w < 0) return FT_IO_ERROR;
    *written = static_cast<std::uint32_t>(w);
    return static_cast<std::uint32_t>(w) == n ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TtyFtdi::FT_Purge(FT_HANDLE handle, std::uint32_t mask) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    if ((mask & FT_PURGE_RX) != 0 && !o->port.PurgeInput()) return FT_IO_ERROR;
    if ((mask & FT_PURGE_TX) != 0 && ::tcflush(o->port.Fd(), TCOFLUSH) != 0) return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS TtyFtdi::FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxCount, std::uint32_t* txCount,
                                std::uint32_t* eventStatus) {
    Open* o = Find(handle);
    if (o == nullptr) return FT_INVALID_HANDLE;
    int rx = 0;
    std::int32_t tx = 0;
    if (::ioctl(o->port.Fd(), FIONREAD, &rx) != 0 || !o->port.OutputQueueCount(tx)) return FT_IO_ERROR;
    *rxCount = static_cast<std::uint32_t>(rx);
    *txCount = static_cast<std::uint32_t>(tx);
    *eventStatus = 0;
    return FT_OK;
}

}  // namespace plyx::platform::serial
