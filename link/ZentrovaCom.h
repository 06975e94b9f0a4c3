#pragma once
// The board link: one serial port to the controller board(s), the framing
// of commands and replies, board selection and identification, and the one
// way errors are reported (ErrRaise, which throws BoardLinkError).
//
// Single-threaded: every operation blocks the caller until it is done.
// Errors are thrown, never returned; the only results that are not errors
// are the reply codes of the framing operations:
//    0  the reply ended with "*"
//    9  the reply ended with "~" (the board flushed or aborted)
//   -1  no complete reply in time (only for long commands and ReadToDone;
//       a short command that times out throws error 1)
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/BoardLinkError.h"
#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/serial/ComPortMap.h"
#include "platform/serial/Ftdi.h"
#include "platform/serial/KeepAwake.h"
#include "platform/serial/TtyPort.h"

namespace plyx::link {

class ZentrovaCom {
public:
    static constexpr std::int32_t kWriteQueueSize = 256;
    static constexpr std::size_t kMaxResponseChars = 256;

    // The log is created by the application before the link and outlives it.
    explicit ZentrovaCom(CommLog& log, platform::Clock& clock = platform::SystemClock());
    // Closes the port (queued bytes are dropped) and the log.
    ~ZentrovaCom();
    ZentrovaCom(const ZentrovaCom&) = delete;
    ZentrovaCom& operator=(const ZentrovaCom&) = delete;

    // ---- Services the application hands in (all optional) ----------------
    // Where COM names are looked up (data directory, /dev, /sys).
    void SetPortPaths(platform::serial::PortPaths paths);
    const platform::serial::PortPaths& PortPaths() const { return portPaths_; }
    // FTDI devices; nullptr = the kernel's ftdi_sio devices. Not owned.
    void SetFtdi(platform::serial::FtdiApi* ftdi);
    // Keep-awake lock; nullptr = none (logged once). Not owned.
    void SetKeepAwake(platform::serial::KeepAwake* keepAwake);
    // Window events for DispatchWindowsPendingMessages; nullptr = none. Not owned.
    void SetEventPump(platform::EventPump* pump);
    CommLog& Log() { return log_; }
    // Told the seconds each short command took, from the write of its
    // bytes to the end of its reply, when the reply ended with "*" (long
    // commands wait for motion, not the line). Empty = not timed. It costs
    // two clock reads per command and changes nothing on the line.
    void SetExchangeTimer(std::function<void(double seconds)> timer) { exchangeTimer_ = std::move(timer); }

    // ---- Serial port -----------------------------------------------------
    // Closes any open port, then opens strName ("COM3", "\\.\COM3"), or
    // the remembered PortName when empty; with no name at all it searches
    // COM1..COM255 for a board (PortOpenAndTestWithException). The name is
    // kept upper case, with "\\.\" in front unless it began with "\".
    // Tries the FTDI path first, then the name as a true COM port. Applies
    // BaudRate and 8N1 and flushes input.
    // Throws 6 "Failed to open COM port <name>" (with a hint line such as
    // "port in use"), or 6 from the search when no port has a board; 7 when
    // the rate cannot be set or the input cannot be flushed.
    void PortOpen(const std::string& strName = "");
    // Drops queued bytes unsent, closes, logs "Closing COM port ...". The
    // name stays, so PortMayOpenDefault reopens the same port.
    void PortClose();
    // PortOpen("") when the port is closed.
    void PortMayOpenDefault();
    bool PortIsOpen() const { return portHandle_ != -1; }
    const std::string& PortName() const { return portName_; }
    bool IsFTDI() const { return isFTDI_; }
    // File descriptor or FTDI handle; -1 when closed.
    std::int32_t PortHandle() const { return portHandle_; }

    std::int32_t BaudRate() const { return baudRate_; }
    std::int32_t CustomBaudRate() const { return customBaudRate_; }
    // 0 changes nothing; a rate other than 9600/19200/38400/115200 is also
    // remembered as CustomBaudRate. Does not touch the open port.
    void SetDefaultBaudRate(std::int32_t cbNewRate);
    // Drops queued bytes unsent, SetDefaultBaudRate, opens the default port
    // if closed, applies BaudRate and 8N1. Throws 7 (and closes the port)
    // when the device refuses the rate.
    void BaudRateSelect(std::int32_t cbNewRate);

    // Sends queued bytes, then reads one byte within cMSecMax ms.
    // 0 = ch holds a byte, -1 = nothing arrived (not an error).
    // Throws 7 when the device fails or has gone away (unplugged, closed).
    std::int32_t CharRead(unsigned char& ch, std::int32_t cMSecMax);
    // As CharRead: the byte value 0..255, or -1 when nothing arrived.
    std::int32_t CharReadRaw(std::int32_t cMSecMax);
    // Queues one byte; the queue is sent in one write when it holds 256
    // bytes, when a read begins, or on WaitForTransmitEmpty/FlushInput.
    void CharWrite(unsigned char ch);
    // Sends all queued bytes in one write. Throws 7 on a failed or short write.
    void CharFlushWriteBuffer();
    std::int32_t WriteQueueCount() const { return writeQueueCount_; }
    // Sends queued bytes and waits until the device has sent them.
    // Throws 7 "It took more than 1 second to empty the transmit buffer".
    void WaitForTransmitEmpty();
    // WaitForTransmitEmpty, then discards received, unread bytes. Throws 7.
    void FlushInput();

    // Takes the keep-awake lock when fsAwakeFlags is not 0 (releases it
    // when 0); returns the flags of the previous call (0 at first).
    std::int32_t PollKeepSystemAwake(std::int32_t fsAwakeFlags);
    std::int32_t AutoAwakeFlags() const { return autoAwakeFlags_; }
    void SetAutoAwakeFlags(std::int32_t flags) { autoAwakeFlags_ = flags; }
    bool BlockCharWriteLog() const { return log_.BlockCharWriteLog(); }
    void SetBlockCharWriteLog(bool on) { log_.SetBlockCharWriteLog(on); }

    // ---- Commands and replies --------------------------------------------
    // Queues every character as one byte (Latin-1; others as "?"). Nothing
    // is read.
    void StringWrite(const std::string& strBuffer);
    // StringWrite of the decimal text of lData ("-" for negative values).
    void StringWriteData(std::int32_t lData);
    // Queues strBuffer from character cbWritten+1 (1-based) up to and
    // including its next command character (not 0-9 - + < > $ . , ; and
    // below "{"), leaving cbWritten at that character, and reads the reply:
    // a command letter in LongCommands waits up to cWaitForIdleTimeout ms
    // per byte, any other up to FastIdleTime. Returns 0 without reading when
    // the string ends first. Returns the ReadToDone code; a short command
    // that times out throws 1.
    std::int32_t StringWriteCommand(const std::string& strBuffer, std::int32_t& cbWritten,
                                    std::int32_t cWaitForIdleTimeout);
    // "/..." is a local switch command (/B rate, /C letters, /I idle time,
    // /P port; others throw 5) and returns 0. Otherwise sends each command
    // in turn with IdleTime as the long limit while the results are 0;
    // returns the last result (a trailing parameter stays queued).
    std::int32_t StringWriteCommandSequence(const std::string& strBuffer);
    // StringWriteData(lData), then only the first command of strCmd with
    // IdleTime; with an empty strCmd nothing is read and the result is 0.
    std::int32_t StringWriteDataThenSingleCommand(std::int32_t lData, const std::string& strCmd);
    // Reads one reply (up to "*" or "~", each byte within cMSecMax ms) into
    // LastResponse and parses it (also after a time-out). Returns 0, 9 or -1.
    // With the current board's VerboseResponse set, a reply that brings
    // neither a line feed nor "*" throws 4 "Failed to synchronize with board";
    // so does a reply that runs past 65536 bytes without "*" or "~" (noise
    // or a wrong rate must not hold the caller for ever). Port errors: 7.
    std::int32_t ReadToDone(std::int32_t cMSecMax);
    // Reply text of the last command (at most 256 characters).
    const std::string& LastResponse() const { return lastResponse_; }
    // Last field of the last reply line with at least two fields.
    const std::string& LastCommaResult() const { return lastCommaResult_; }
    void ResultAdd(const std::string& strWhichMotor, const std::string& strItem, const std::string& strData);
    // Stored value, or empty when there is none.
    std::string ResultGet(const std::string& strWhichMotor, const std::string& strItem) const;

    const std::string& LongCommands() const { return longCommands_; }
    // LongCommands = upper case of "I" + strData, also for the current board.
    void SetLongCommands(const std::string& strData);
    bool VerboseResponse() const;
    void SetVerboseResponse(bool fEnable);
    std::int32_t IdleTime() const { return idleTime_; }
    // Also stored for the current board.
    void SetIdleTime(std::int32_t ms);
    std::int32_t FastIdleTime() const { return fastIdleTime_; }
    void SetFastIdleTime(std::int32_t ms) { fastIdleTime_ = ms; }

    // Lets pending window events run; true when the program is asked to
    // quit (the events are then left alone). fAll is accepted for callers
    // that ask for one event; the pump runs what is pending either way.
    bool DispatchWindowsPendingMessages(bool fAll);
    // Last cDigits characters of "000" + the decimal text of wWord.
    static std::string LdgZero(std::int16_t wWord, std::int32_t cDigits);

    // ---- Boards, routes, identification ----------------------------------
    // Empties the per-board tables and sizes them for ids 0..cNewMaxBoards.
    void SetMaxBoardCount(std::int32_t cNewMaxBoards);
    // Long commands "I" + strLongCommands, idle time, route, flush char "0",
    // verbose on. Grows the tables for ids past MaxBoardCount. Throws -5 for
    // a negative id or one above 100000. The current board's copies are not
    // refreshed.
    void DefineBoard(std::int32_t idBoard, const std::string& strLongCommands, std::int32_t lReqIdleWait,
                     const std::string& strRoute);
    // Defines board BoardCount+1 and returns its id (1 first).
    std::int32_t AddBoard(const std::string& strLongCommands, std::int32_t lReqIdleWait,
                          const std::string& strRoute);
    // Selects a board: copies its settings and sends its route (when not
    // empty) followed by FlushInput. The current id sends nothing. Throws -5
    // for ids outside 0..MaxBoardCount.
    void MayConnectToBoard(std::int32_t idBoard);
    const std::string& Route() const { return route_; }
    // Changes the current board's route and sends it.
    void SetRoute(const std::string& strNewRoute);
    unsigned char FlushChar() const { return flushChar_; }
    // Changes the current board's flush character (sent by FlushRoute).
    void SetFlushChar(unsigned char ch);
    // Sends the flush character, waits for it to leave, then reads and
    // discards what comes back until a gap of
    // max(16, round(10000 * (route length + 2) / BaudRate + 0.5)) ms
    // (at most 1001 bytes).
    void FlushRoute();
    std::int32_t CurrentBoard() const { return currentBoard_; }
    std::int32_t BoardCount() const { return boardCount_; }
    std::int32_t MaxBoardCount() const { return maxBoardCount_; }

    const std::string& Copyright() const { return copyright_; }
    void SetCopyright(const std::string& text) { copyright_ = text; }
    std::string FirmwareNameFromCopyright() const;
    // The version word, "BETA" when there is none, empty for an empty text.
    std::string FirmwareVersionFromCopyright() const;
    // 1-based position of the first listed name that starts Copyright, 0 if none.
    std::int32_t WhichCopyright(const std::string& strFirmwareNames) const;
    // Throws 3 "Detected incorrect fimware..." from strWhereFrom unless
    // WhichCopyright finds a match.
    void CheckCopyright(const std::string& strFirmwareName, const std::string& strWhereFrom);

    // Opens the port and asks for the board's identification at the open
    // rate (when already open under this exact name), then 115200, 38400,
    // 19200, 9600 and CustomBaudRate, two attempts each. Never throws.
    // 0 = a board identified itself (port left open at that rate);
    // 1 = the port could not be opened; 2 = no complete reply (or the
    // device echoed the request, like a modem); 3 = a reply without
    // identification. VerboseResponse and FastIdleTime are restored.
    std::int32_t PortOpenAndTest(const std::string& strTryPortName);
    // PortOpenAndTest that throws: 6 when the port cannot be opened, 3 when
    // no board identifies itself. An empty name searches COM1..COM255 and
    // throws 6 when no port has a board.
    void PortOpenAndTestWithException(const std::string& strTryPortName);
    // First n in max(1, idStartAtPort)..idMaxPort whose "\\.\COMn" passes
    // PortOpenAndTest; 0 if none.
    std::int32_t PortFindAndOpen(std::int32_t idStartAtPort, std::int32_t idMaxPort);

    // ---- Errors ----------------------------------------------------------
    // Composes "Error n reported by <where>", the message, the board, route
    // and port (left out for negative numbers) and the last reply; writes
    // it to the log, flushes the log and throws BoardLinkError.
    [[noreturn]] void ErrRaise(std::int32_t idErrNumber, const std::string& strWhereFrom, const std::string& strMsg);

private:
    struct BoardEntry {
        std::string route;
        unsigned char flushChar = 0;
        std::string longCommands;
        std::int32_t idleTime = 0;
        bool verbose = false;
    };

    bool PortOpenFTDI();
    void OpenTrueComPort();
    void ReleasePort();
    void ApplyRateToPort();
    void KeepAwakeBeforeIo();
    std::int32_t ReadByteFtdi(unsigned char& ch, std::int32_t cMSecMax);
    std::int32_t ReadByteTty(unsigned char& ch, std::int32_t cMSecMax);
    void WriteBlockFtdi(const unsigned char* data, std::int32_t n);
    void WriteBlockTty(const unsigned char* data, std::int32_t n);
    bool TransmitQueueEmpty();
    void ParseResponse();
    void InterpretSwitch(const std::string& strBuffer);
    void SendRoute();
    void AppendResponseByte(unsigned char ch);
    platform::serial::FtdiApi& Ftdi();
    void LogEvent(const std::string& text) { log_.LogFileWriteTime(kLogEvent, text); }

    CommLog& log_;
    platform::Clock& clock_;
    platform::serial::PortPaths portPaths_;
    platform::serial::FtdiApi* ftdi_ = nullptr;
    std::unique_ptr<platform::serial::FtdiApi> ownFtdi_;
    platform::serial::KeepAwake* keepAwake_ = nullptr;
    platform::EventPump* pump_ = nullptr;
    std::function<void(double)> exchangeTimer_;

    // Port
    std::int32_t portHandle_ = -1;
    std::string openFailure_;  // why the last open failed, for the operator
    bool isFTDI_ = false;
    platform::serial::TtyPort tty_;
    std::string portName_;
    std::int32_t baudRate_ = 9600;
    std::int32_t customBaudRate_ = 0;
    std::int32_t fastIdleTime_ = 1000;
    std::int32_t idleTime_ = 60000;
    std::int32_t autoAwakeFlags_ = 1;
    std::int32_t lastAwakeFlags_ = 0;
    bool awakeHeld_ = false;
    bool awakeUnavailable_ = false;
    unsigned char writeQueue_[kWriteQueueSize];
    std::int32_t writeQueueCount_ = 0;
    std::int64_t ftdiListInterval_;
    std::int32_t ftdiPortCount_ = 0;
    std::vector<std::int16_t> ftdiComNumbers_;
    std::int64_t ftdiListTick_ = 0;
    bool ftdiListed_ = false;

    // Replies
    std::string lastResponse_ = "This has never contacted remote";
    std::size_t lastResponseChars_ = 0;
    std::string lastCommaResult_;
    std::string copyright_;
    std::map<std::string, std::string> resultTable_;

    // Boards
    std::string route_;
    std::string longCommands_ = "I";
    unsigned char flushChar_ = '0';
    std::int32_t currentBoard_ = 0;
    std::int32_t boardCount_ = 0;
    std::int32_t maxBoardCount_ = 10;
    std::vector<BoardEntry> boards_;
};

}  // namespace plyx::link
