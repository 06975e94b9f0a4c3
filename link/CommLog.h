#pragma once
// The communication log: every byte queued, sent and received on the serial
// link and every event, with sub-millisecond time stamps, in one file.
// Closed, every call does nothing. Output is buffered in memory and written
// on event lines, when the buffer fills and at close, so logging costs no
// system call per byte yet loses nothing when the program ends.
//
// A log that cannot be written (disk full, I/O error) never throws: the
// first failure is kept (WriteFailure), the log closes and later calls drop
// their text quietly; the program reports the failure where it is safe to.
// With a size limit the file is rotated before a text that would carry it,
// with its closing event, past the limit: closed with its usual event,
// renamed to name + ".1" and opened afresh (a line that was going on
// continues on a new line there). Only a single line longer than the limit
// can make a file pass it.
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/Clock.h"

namespace plyx::link {

struct LogWriteFailure {
    std::string path;    // the log file that could not be written
    std::string reason;  // the system's words for it
};

// LogFileOpen would not write to the file: a pipe or anything else that is
// neither a regular file nor a character device, or a symbolic link that
// others could have made (link is then set).
class LogFileRefused : public std::system_error {
public:
    LogFileRefused(bool link, const std::string& what)
        : std::system_error(link ? ELOOP : EINVAL, std::generic_category(), what), link_(link) {}
    bool Link() const { return link_; }

private:
    bool link_;
};

enum LogType : std::int32_t {
    kLogClosed = 0,
    kLogEvent = 1,
    kLogReceived = 2,
    kLogSent = 3,
    kLogQueued = 4,
};

class CommLog {
public:
    explicit CommLog(platform::Clock& clock = platform::SystemClock());
    ~CommLog();
    CommLog(const CommLog&) = delete;
    CommLog& operator=(const CommLog&) = delete;

    // Closes any open log and opens strFileName ("CON" is standard output).
    // Throws std::system_error when the file cannot be opened (LogFileRefused
    // for what is no file to log to); a failure to write the opening event is
    // kept like any other write failure. Never waits for a reader of a pipe.
    void LogFileOpen(const std::string& strFileName);
    void LogFileClose();
    void LogFileWriteTime(std::int32_t idLogType, std::string_view strExtraData);
    void LogFileWriteString(std::int32_t idLogType, std::string_view strExtraData);
    void LogFileWriteChar(std::int32_t idLogType, unsigned char ch);

    bool BlockCharWriteLog() const { return blockCharWriteLog_; }
    void SetBlockCharWriteLog(bool on) { blockCharWriteLog_ = on; }

    bool IsOpen() const { return LogLineType != kLogClosed; }
    bool ExactTimeLog() const { return exactTimeLog_; }
    std::int64_t TickFrequency() const { return tickFrequency_; }
    // Writes buffered text to the file now (before raising an error, at exit).
    void Flush();

    // Rotate the file once it holds this many bytes; 0: no limit.
    void SetSizeLimit(std::uint64_t bytes) { sizeLimit_ = bytes; }
    std::uint64_t SizeLimit() const { return sizeLimit_; }
    // The first write failure since creation; nullptr while there was none.
    const LogWriteFailure* WriteFailure() const { return failure_ ? &*failure_ : nullptr; }

    // Type of the line being written; 0 while the log is closed.
    std::int32_t LogLineType = kLogClosed;

private:
    void Append(std::string_view utf8);
    void AppendAscii(char c);
    void AppendAsciiRun(const char* s, std::size_t n);
    void WriteStamp(std::int64_t ticksNow);
    void Fail(std::string path, std::string reason);
    void Rotate();
    // True when moreBytes of text, and the closing event after them, would
    // carry the file past its size limit.
    bool PassesLimit(std::size_t moreBytes) const;
    // Bytes of a line's time stamp and tag (its start before any text).
    std::size_t LineStartBytes(const char* tag) const;

    platform::Clock& clock_;
    int fd_ = -1;
    bool console_ = false;
    bool exactTimeLog_ = false;
    bool blockCharWriteLog_ = false;
    std::int64_t tickFrequency_;
    std::int64_t tickAtStart_;
    std::time_t startTime_;
    std::int64_t tickAtLastStamp_;
    std::int64_t ticksPerMillisecond_;
    std::string buffer_;  // encoded bytes not yet written
    std::string path_;    // the open file ("" for the console)
    std::uint64_t sizeLimit_ = 0;
    std::uint64_t written_ = 0;  // bytes in the open file, counted as they are written
    bool rotating_ = false;
    std::optional<LogWriteFailure> failure_;
    std::time_t stampSecond_ = 0;  // the second whose date text is in stampText_
    char stampText_[80] = {};      // "mm/dd/yyyy hh:mm:ss", empty until the first stamp
    std::size_t stampLength_ = 0;  // characters in stampText_
};

// Writes the n ASCII characters of s as UTF-16LE, 2n bytes, to out.
void WidenAscii(const char* s, std::size_t n, char* out);

// Readable form of one byte: the character for 32..126, else "(0xNN)".
std::string LogCharText(unsigned char ch);

}  // namespace plyx::link
