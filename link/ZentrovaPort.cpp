// The serial port layer of the board link: opening (FTDI first, then the
// tty), rates, one-byte reads with a time limit, the write queue, draining
// and flushing.
#include <charconv>
#include <cstring>

#include "link/LinkText.h"
#include "link/ZentrovaCom.h"

namespace plyx::link {

using platform::serial::FT_OK;
using platform::serial::FT_STATUS;
using platform::serial::ReadResult;

namespace {

constexpr std::int32_t kFtdiWriteLimitMs = 60000;
constexpr std::int32_t kTransmitDrainMs = 2000;

std::string N(std::int64_t v) { return std::to_string(v); }

}  // namespace

void ZentrovaCom::PortOpen(const std::string& strName) {
    PortClose();
    copyright_.clear();
    lastCommaResult_.clear();
    lastResponse_ = "This has never contacted remote since port open";
    if (!strName.empty()) portName_ = strName;
    if (portName_.empty()) {
        PortOpenAndTestWithException("");
        return;
    }
    if (portName_[0] != '\\') portName_ = "\\\\.\\" + portName_;
    portName_ = UpperAscii(portName_);
    LogEvent("Opening COM port " + portName_);
    openFailure_.clear();
    if (!PortOpenFTDI()) {
        LogEvent("Not FTDI port -- trying to open as true COM port " + portName_);
        OpenTrueComPort();
    }
    if (portHandle_ == -1) {
        std::string msg = "Failed to open COM port <" + portName_ + ">";
        if (!openFailure_.empty()) msg += "\r\n" + openFailure_;
        ErrRaise(6, "ZentrovaCom.PortOpen", msg);
    }
    BaudRateSelect(0);
    FlushInput();
}

void ZentrovaCom::OpenTrueComPort() {
    portHandle_ = -1;
    std::string device = platform::serial::DeviceForPortName(portName_, portPaths_);
    if (device.empty()) {
        openFailure_ = "No device is known under this name: connect the controller, or link " +
                       portPaths_.dataDirectory + "/ports/COMn to its device.";
        return;
    }
    if (tty_.Open(device)) {
        portHandle_ = tty_.Fd();
        LogEvent("... opened device " + device);
    } else {
        openFailure_ = device + ": " + tty_.LastErrorHint() + ".";
        LogEvent("... cannot open device " + openFailure_);
    }
}

bool ZentrovaCom::PortOpenFTDI() {
    portHandle_ = -1;
    std::size_t at = portName_.find("COM");
    if (at == std::string::npos) {
        LogEvent("Port name is not a COM port: " + portName_);
        return false;
    }
    int wanted = platform::serial::ComNumberOf(portName_);
    if (wanted < 0) wanted = 0;
    platform::serial::FtdiApi& ft = Ftdi();
    std::int64_t now = clock_.Ticks();
    if (!ftdiListed_ || now - ftdiListTick_ > ftdiListInterval_) {
        LogEvent("Extracting FTDI info list");
        std::uint32_t count = 0;
        if (ft.FT_CreateDeviceInfoList(&count) != FT_OK) {
            ftdiPortCount_ = 0;
            LogEvent("... Failed to extract FTDI port count; setting as 0");
            return false;
        }
        ftdiPortCount_ = count > 255 ? 255 : static_cast<std::int32_t>(count);
        LogEvent("..." + N(ftdiPortCount_) + " FTDI ports detected");
        if (ftdiPortCount_ <= 0) {
            LogEvent("... No FTDI ports: request ignored");
            return false;
        }
        ftdiComNumbers_.assign(static_cast<std::size_t>(ftdiPortCount_), -1);
    }
    ftdiListTick_ = now;
    ftdiListed_ = true;
    if (ftdiPortCount_ <= 0) {
        LogEvent("... No FTDI ports: request ignored");
        return false;
    }
    for (std::int32_t i = 0; i < ftdiPortCount_; ++i) {
        std::int16_t& known = ftdiComNumbers_[static_cast<std::size_t>(i)];
        LogEvent("... FTDI logical port " + N(i) + " initially defined as com port " + N(known));
        if (known != wanted && known >= 0) continue;
        platform::serial::FT_HANDLE h = -1;
        if (ft.FT_Open(i, &h) != FT_OK) continue;
        portHandle_ = h;
        std::int32_t number = -1;
        bool gotNumber = ft.FT_GetComPortNumber(h, &number) == FT_OK;
        if (gotNumber) {
            known = static_cast<std::int16_t>(number < -1 || number > 32767 ? -1 : number);
            LogEvent("... FTDI logical port " + N(i) + " redefined as com port " + N(number));
        }
        if (!gotNumber || number != wanted) {
            ft.FT_Close(h);
            portHandle_ = -1;
            continue;
        }
        std::uint8_t latency = 0;
        ft.FT_GetLatencyTimer(h, &latency);  // unchecked: a failure leaves 0
        if (latency == 1) {
            LogEvent("Latency timer on FTDI Logical port " + N(i) + " is set to " + N(latency) +
                     ".  Will open as a normal COM port.");
            ft.FT_Close(h);
            portHandle_ = -1;
            continue;
        }
        // These statuses are not checked: the first read or write reports a
        // device that does not work.
        ft.FT_SetDataCharacteristics(h, platform::serial::FT_BITS_8, platform::serial::FT_STOP_BITS_1,
                                     platform::serial::FT_PARITY_NONE);
        ft.FT_SetFlowControl(h, platform::serial::FT_FLOW_NONE, 0x11, 0x13);
        ft.FT_SetBaudRate(h, static_cast<std::uint32_t>(baudRate_ > 0 ? baudRate_ : 9600));
        ft.FT_SetLatencyTimer(h, 1);
        isFTDI_ = true;
        LogEvent("Opened FTDI logical port " + N(i) + " as COM" + N(number) + " since lantency timer was set to " +
                 N(latency) + ".");
        return true;
    }
    portHandle_ = -1;
    return false;
}

void ZentrovaCom::PortClose() {
    writeQueueCount_ = 0;
    if (portHandle_ == -1) return;
    if (isFTDI_) Ftdi().FT_Close(portHandle_);
    else tty_.Close();
    portHandle_ = -1;
    isFTDI_ = false;
    if (awakeHeld_) PollKeepSystemAwake(0);
    LogEvent("Closing COM port " + portName_);
}

void ZentrovaCom::PortMayOpenDefault() {
    if (portHandle_ == -1) PortOpen("");
}

void ZentrovaCom::SetDefaultBaudRate(std::int32_t cbNewRate) {
    if (cbNewRate == 0) return;
    baudRate_ = cbNewRate;
    if (cbNewRate != 9600 && cbNewRate != 19200 && cbNewRate != 38400 && cbNewRate != 115200)
        customBaudRate_ = cbNewRate;
}

void ZentrovaCom::BaudRateSelect(std::int32_t cbNewRate) {
    writeQueueCount_ = 0;
    SetDefaultBaudRate(cbNewRate);
    PortMayOpenDefault();
    ApplyRateToPort();
    LogEvent("Set baud rate to " + N(baudRate_));
}

void ZentrovaCom::ApplyRateToPort() {
    const char* where = "ZentrovaCom.BaudRateSelect";
    if (isFTDI_) {
        FT_STATUS st = baudRate_ > 0 ? Ftdi().FT_SetBaudRate(portHandle_, static_cast<std::uint32_t>(baudRate_))
                                     : platform::serial::FT_INVALID_BAUD_RATE;
        if (st != FT_OK) {
            PortClose();
            ErrRaise(7, where, "Could not set the new baud rate of " + N(baudRate_) + " via the FTDI system.");
        }
        return;
    }
    if (!tty_.SetLineFormat8N1()) {
        std::string hint = tty_.LastErrorHint();
        PortClose();
        ErrRaise(7, where, "Could not extract the current baud rate.  Requested new rate =" + N(baudRate_) +
                               "\r\n(" + hint + ")");
    }
    if (!tty_.SetRate(baudRate_)) {
        std::string hint = tty_.LastErrorHint();
        PortClose();
        ErrRaise(7, where, "Could not set the new baud rate of" + N(baudRate_) + "\r\n(" + hint + ")");
    }
}

std::int32_t ZentrovaCom::CharRead(unsigned char& ch, std::int32_t cMSecMax) {
    if (writeQueueCount_ != 0) CharFlushWriteBuffer();
    if (portHandle_ == -1) PortOpen("");
    if (autoAwakeFlags_ != 0) KeepAwakeBeforeIo();
    return isFTDI_ ? ReadByteFtdi(ch, cMSecMax) : ReadByteTty(ch, cMSecMax);
}

std::int32_t ZentrovaCom::CharReadRaw(std::int32_t cMSecMax) {
    unsigned char ch = 0;
    return CharRead(ch, cMSecMax) == -1 ? -1 : ch;
}

std::int32_t ZentrovaCom::ReadByteTty(unsigned char& ch, std::int32_t cMSecMax) {
    ReadResult r = tty_.ReadByte(ch, cMSecMax);
    if (r == ReadResult::kByte) {
        log_.LogFileWriteChar(kLogReceived, ch);
        return 0;
    }
    if (r == ReadResult::kTimeout) return -1;
    std::string msg = "Was not able to read a character, with timeout of " + N(cMSecMax) + " milliseconds";
    if (r == ReadResult::kGone)
        msg += "\r\nThe device has gone away (unplugged, switched off or closed): check the cable and the "
               "controller, then start again.";
    else
        msg += "\r\n(" + tty_.LastErrorHint() + ")";
    ErrRaise(7, "ZentrovaCom.CharRead", msg);
}

std::int32_t ZentrovaCom::ReadByteFtdi(unsigned char& ch, std::int32_t cMSecMax) {
    platform::serial::FtdiApi& ft = Ftdi();
    auto limit = static_cast<std::uint32_t>(cMSecMax < 0 ? 0 : cMSecMax);
    FT_STATUS st = ft.FT_SetTimeouts(portHandle_, limit, kFtdiWriteLimitMs);
    if (st != FT_OK)
        ErrRaise(7, "ZentrovaCom.CharRead",
                 "Was not able to set FTDI timeouts, with timeout of " + N(cMSecMax) + " milliseconds. <" + N(st) +
                     "> was reported by FT_SetTimeouts.");
    std::uint32_t got = 0;
    st = ft.FT_Read(portHandle_, &ch, 1, &got);
    if (st != FT_OK)
        ErrRaise(7, "ZentrovaCom.CharRead",
                 "Was not able to read a character, with timeout of " + N(cMSecMax) + " milliseconds. <" + N(st) +
                     "> was reported by FT_Read.");
    if (got == 0) return -1;
    log_.LogFileWriteChar(kLogReceived, ch);
    return 0;
}

void ZentrovaCom::CharWrite(unsigned char ch) {
    log_.LogFileWriteChar(kLogQueued, ch);
    writeQueue_[writeQueueCount_++] = ch;
    if (writeQueueCount_ >= kWriteQueueSize) CharFlushWriteBuffer();
}

void ZentrovaCom::CharFlushWriteBuffer() {
    if (writeQueueCount_ == 0) return;
    std::int32_t n = writeQueueCount_;
    writeQueueCount_ = 0;
    // Opening the port may itself queue bytes (a port search), so the
    // block is taken out of the queue first.
    unsigned char block[kWriteQueueSize];
    std::memcpy(block, writeQueue_, static_cast<std::size_t>(n));
    if (portHandle_ == -1) PortOpen("");
    if (autoAwakeFlags_ != 0) KeepAwakeBeforeIo();
    // The texts are only built for an open log, and without the heap: this
    // runs for every command, every poll of the idle wait included.
    if (log_.IsOpen()) {
        char text[64] = "SENDING ";
        char* end = std::to_chars(text + 8, text + 24, n).ptr;
        static constexpr char kTail[] = " BYTES OF QUEUED WRITE DATA...";
        std::memcpy(end, kTail, sizeof kTail - 1);
        end += sizeof kTail - 1;
        log_.LogFileWriteTime(kLogSent, std::string_view(text, static_cast<std::size_t>(end - text)));
    }
    if (isFTDI_) WriteBlockFtdi(block, n);
    else WriteBlockTty(block, n);
    if (log_.IsOpen()) log_.LogFileWriteString(kLogSent, "SENT.");
}

void ZentrovaCom::WriteBlockTty(const unsigned char* data, std::int32_t n) {
    std::ptrdiff_t written = tty_.Write(data, static_cast<std::size_t>(n));
    if (written == n) return;
    std::string chars = WireBytesToText(std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n)));
    if (written < 0)
        ErrRaise(7, "ZentrovaCom.CharFlushWriteBuffer",
                 "Failed to write character stream <" + chars + ">, error " + N(tty_.LastErrno()) +
                     " reported by operating system\r\n(" + tty_.LastErrorHint() + ")");
    if (written < n)
        ErrRaise(7, "ZentrovaCom.CharFlushWriteBuffer",
                 "Failed to write part of character stream <" + chars + ">.  Stream was " + N(n) +
                     " characters long, operating system wrote " + N(written) + " characters.");
}

void ZentrovaCom::WriteBlockFtdi(const unsigned char* data, std::int32_t n) {
    platform::serial::FtdiApi& ft = Ftdi();
    const char* where = "ZentrovaCom.CharFlushWriteBuffer";
    auto limit = static_cast<std::uint32_t>(fastIdleTime_ < 0 ? 0 : fastIdleTime_);
    if (ft.FT_SetTimeouts(portHandle_, limit, kFtdiWriteLimitMs) != FT_OK)
        ErrRaise(7, where, "Was not able to set FTDI timeouts, with timeout of " + N(fastIdleTime_) + " milliseconds");
    std::uint32_t written = 0;
    FT_STATUS st = ft.FT_Write(portHandle_, data, static_cast<std::uint32_t>(n), &written);
    if (st == FT_OK && written >= static_cast<std::uint32_t>(n)) return;
    std::string chars = WireBytesToText(std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n)));
    if (st != FT_OK)
        ErrRaise(7, where,
                 "Failed to write FTDI character stream <" + chars + ">, FTDI error " + N(st) +
                     " reported by FT2DXX.DLL");
    if (written < static_cast<std::uint32_t>(n))
        ErrRaise(7, where,
                 "Failed to write part of character stream <" + chars + ">.  Stream was " + N(n) +
                     " characters long, operating system wrote " + N(written) + " characters.");
}

bool ZentrovaCom::TransmitQueueEmpty() {
    const char* where = "ZentrovaCom.WaitForTransmitEmpty";
    if (isFTDI_) {
        std::uint32_t rx = 0, tx = 0, ev = 0;
        if (Ftdi().FT_GetStatus(portHandle_, &rx, &tx, &ev) != FT_OK) ErrRaise(7, where, "Failed FT_GetStatus call");
        return tx == 0;
    }
    std::int32_t count = 0;
    if (!tty_.OutputQueueCount(count))
        ErrRaise(7, where, "Failed ClearCommError call\r\n(" + tty_.LastErrorHint() + ")");
    return count == 0;
}

void ZentrovaCom::WaitForTransmitEmpty() {
    CharFlushWriteBuffer();
    PortMayOpenDefault();
    LogEvent("WAITING FOR SERIAL OUTPUT DATA TO BE ALL SENT");
    clock_.Sleep(0);
    // Counted on the steady clock: a change of the wall clock must neither
    // cut the wait short nor stretch it.
    std::uint32_t start = clock_.GetTickCount();
    for (;;) {
        if (TransmitQueueEmpty()) return;
        if (clock_.GetTickCount() - start > static_cast<std::uint32_t>(kTransmitDrainMs))
            ErrRaise(7, "ZentrovaCom.WaitForTransmitEmpty", "It took more than 1 second to empty the transmit buffer");
        clock_.Sleep(1);
    }
}

void ZentrovaCom::FlushInput() {
    WaitForTransmitEmpty();
    LogEvent("FLUSHING SERIAL INPUT DATA");
    const char* where = "ZentrovaCom.FlushInput";
    if (isFTDI_) {
        if (Ftdi().FT_Purge(portHandle_, platform::serial::FT_PURGE_RX) != FT_OK) ErrRaise(7, where, "Failed FT_Purge call");
        return;
    }
    if (!tty_.Drain()) ErrRaise(7, where, "Failed FlushFileBuffers call\r\n(" + tty_.LastErrorHint() + ")");
    if (!tty_.PurgeInput()) ErrRaise(7, where, "Failed PurgeComm call\r\n(" + tty_.LastErrorHint() + ")");
}

}  // namespace plyx::link
