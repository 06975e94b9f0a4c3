#include "link/CommLog.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/TextCodec.h"

namespace plyx::link {
namespace {

constexpr std::size_t kFlushThreshold = 16 * 1024;

const char* TagOf(std::int32_t type, char* scratch, std::size_t n) {
    switch (type) {
        case kLogEvent: return " EVENT:";
        case kLogReceived: return " RCVD:";
        case kLogSent: return " SENT:";
        case kLogQueued: return " QUEUED:";
        default: std::snprintf(scratch, n, " UNKNOWN(%d):", static_cast<int>(type)); return scratch;
    }
}

}  // namespace

void WidenAscii(const char* s, std::size_t n, char* out) {
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Eight characters at a time: every logged text passes here, a
        // hundred and fifty characters for each poll of the idle wait.
        for (; i + 8 <= n; i += 8) {
            std::uint64_t x = 0;
            std::memcpy(&x, s + i, 8);
            std::uint64_t lo = x & 0xFFFFFFFFu;
            std::uint64_t hi = x >> 32;
            lo = (lo | (lo << 16)) & 0x0000FFFF0000FFFFu;
            hi = (hi | (hi << 16)) & 0x0000FFFF0000FFFFu;
            lo = (lo | (lo << 8)) & 0x00FF00FF00FF00FFu;
            hi = (hi | (hi << 8)) & 0x00FF00FF00FF00FFu;
            std::memcpy(out + 2 * i, &lo, 8);
            std::memcpy(out + 2 * i + 8, &hi, 8);
        }
    }
    for (; i < n; ++i) {
        out[2 * i] = s[i];
        out[2 * i + 1] = '\0';
    }
}

std::string LogCharText(unsigned char ch) {
    if (ch >= 32 && ch <= 126) return std::string(1, static_cast<char>(ch));
    char buf[8];
    std::snprintf(buf, sizeof buf, "(0x%02X)", ch);
    return buf;
}

CommLog::CommLog(platform::Clock& clock)
    : clock_(clock),
      tickFrequency_(clock.TickFrequency()),
      tickAtStart_(clock.Ticks()),
      startTime_(clock.WallTime()),
      tickAtLastStamp_(tickAtStart_),
      ticksPerMillisecond_(tickFrequency_ / 1000) {}

CommLog::~CommLog() { LogFileClose(); }

void CommLog::LogFileOpen(const std::string& strFileName) {
    LogFileClose();
    std::string upper = platform::UpperAscii(strFileName);
    if (upper == "CON" || upper == "CON:") {
        fd_ = STDOUT_FILENO;
        console_ = true;
        path_.clear();
    } else {
        std::string why;
        const platform::LinkTrust links = platform::CheckLinks(strFileName, &why);
        if (links == platform::LinkTrust::Refuse) throw LogFileRefused(true, "cannot open log " + why);
        // Non-blocking, so that a pipe cannot hold the program in open(); it is refused below.
        const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                          (links == platform::LinkTrust::NoLink ? O_NOFOLLOW : 0);
        int fd;
        do {
            fd = ::open(strFileName.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        struct stat st {};
        if (fd < 0) {
            // A pipe without a reader fails with ENXIO: say what it is.
            const int err = errno;
            if (err == ENXIO && ::stat(strFileName.c_str(), &st) == 0 && S_ISFIFO(st.st_mode))
                throw LogFileRefused(false, "cannot log to the pipe " + strFileName);
            throw std::system_error(err, std::generic_category(), "cannot open log " + strFileName);
        }
        if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode)) ||
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
            ::close(fd);
            throw LogFileRefused(false, "cannot log to " + strFileName + ": neither a file nor a character device");
        }
        written_ = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        if (written_ == 0) buffer_.assign("\xFF\xFE", 2);  // byte-order mark
        fd_ = fd;
        console_ = false;
        path_ = strFileName;
    }
    exactTimeLog_ = upper.size() >= 13 && upper.compare(upper.size() - 13, 13, "EXACTTIME.LOG") == 0;
    LogLineType = kLogEvent;
    // An old file already over the limit moves on at the next line, not before its opening event.
    const bool rotating = rotating_;
    rotating_ = true;
    LogFileWriteTime(kLogEvent, "LOG FILE OPENED AT " + platform::GeneralDateTime(clock_.WallTime()) +
                                    ".  Time tick frequency is " + std::to_string(tickFrequency_));
    rotating_ = rotating;
}

void CommLog::LogFileClose() {
    if (LogLineType == kLogClosed) return;
    // The limit kept room for this line.
    const bool rotating = rotating_;
    rotating_ = true;
    LogFileWriteTime(kLogEvent, "LOG FILE CLOSED");
    rotating_ = rotating;
    if (LogLineType == kLogClosed) return;  // that write failed and closed the file
    Flush();
    LogLineType = kLogClosed;
    if (fd_ >= 0 && !console_) ::close(fd_);
    fd_ = -1;
    console_ = false;
}

void CommLog::Flush() {
    if (fd_ < 0 || buffer_.empty()) return;
    std::size_t off = 0;
    while (off < buffer_.size()) {
        ssize_t n = ::write(fd_, buffer_.data() + off, buffer_.size() - off);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(path_.empty() ? "CON" : path_, std::strerror(errno));
            return;
        }
        off += static_cast<std::size_t>(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void CommLog::Fail(std::string path, std::string reason) {
    if (!failure_) failure_ = LogWriteFailure{std::move(path), std::move(reason)};
    // What could not be written is lost; nothing more is tried on this file.
    buffer_.clear();
    if (fd_ >= 0 && !console_) ::close(fd_);
    fd_ = -1;
    console_ = false;
    LogLineType = kLogClosed;
}

void CommLog::Rotate() {
    rotating_ = true;
    const std::string path = path_;
    LogFileClose();
    if (!failure_) {
        // Through a symbolic link the file itself moves and the link stays.
        // Only a regular file is renamed: a device such as /dev/null is simply opened again.
        const std::string target = platform::ResolveSymlinks(path);
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::rename(target.c_str(), (target + ".1").c_str()) != 0) {
            // Going on in the same file would let it grow without bound.
            Fail(path, "cannot rename it to " + target + ".1: " + std::strerror(errno));
        } else {
            try {
                LogFileOpen(path);
            } catch (const LogFileRefused& e) {
                Fail(path, e.what());
            } catch (const std::system_error& e) {
                Fail(path, std::strerror(e.code().value()));
            }
        }
    }
    rotating_ = false;
}

void CommLog::AppendAscii(char c) {
    if (console_) {
        buffer_ += c;
    } else {
        buffer_ += c;
        buffer_ += '\0';
    }
}

void CommLog::AppendAsciiRun(const char* s, std::size_t n) {
    if (console_) {
        buffer_.append(s, n);
        return;
    }
    const std::size_t at = buffer_.size();
    buffer_.resize(at + 2 * n);
    WidenAscii(s, n, buffer_.data() + at);
}

void CommLog::Append(std::string_view utf8) {
    if (console_) {
        buffer_.append(utf8);
        return;
    }
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) {
        AppendAsciiRun(utf8.data(), utf8.size());
    } else {
        buffer_ += platform::EncodeUtf16Le(utf8);
    }
}

void CommLog::WriteStamp(std::int64_t ticksNow) {
    tickAtLastStamp_ = ticksNow;
    double seconds = static_cast<double>(ticksNow - tickAtStart_) / static_cast<double>(tickFrequency_);
    double whole = std::floor(seconds);
    double fraction = seconds - whole;
    // Formatting a date costs more than the rest of a logged exchange, and
    // most stamps fall in the same second as the one before: keep its text.
    std::time_t second = startTime_ + static_cast<std::time_t>(whole);
    if (second != stampSecond_ || stampText_[0] == '\0') {
        std::tm tm = platform::LocalTime(second);
        const int len = std::snprintf(stampText_, sizeof stampText_, "%02d/%02d/%04d %02d:%02d:%02d",
                                      tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
        stampLength_ = static_cast<std::size_t>(std::clamp(len, 0, static_cast<int>(sizeof stampText_) - 1));
        stampSecond_ = second;
    }
    char buf[sizeof stampText_ + 16];
    std::size_t n = 0;
    buf[n++] = '\r';
    buf[n++] = '\n';
    std::memcpy(buf + n, stampText_, stampLength_);
    n += stampLength_;
    buf[n++] = '.';
    const int places = exactTimeLog_ ? 6 : 4;
    long digits = static_cast<long>(std::floor(fraction * (exactTimeLog_ ? 1000000.0 : 10000.0)));
    // A fraction just below 1 can round up to the full count: keep the last digits, as "1" + digits would.
    for (int k = places - 1; k >= 0; --k) {
        buf[n + static_cast<std::size_t>(k)] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    n += static_cast<std::size_t>(places);
    buf[n++] = ':';
    buf[n++] = ' ';
    AppendAsciiRun(buf, n);
}

std::size_t CommLog::LineStartBytes(const char* tag) const {
    const std::size_t stamp = std::max<std::size_t>(19, std::strlen(stampText_));
    const std::size_t chars = 2 + stamp + 1 + (exactTimeLog_ ? 6 : 4) + 2 + std::strlen(tag);
    return console_ ? chars : 2 * chars;
}

bool CommLog::PassesLimit(std::size_t moreBytes) const {
    // The size is counted, never asked of the file system.
    if (sizeLimit_ == 0 || rotating_ || console_) return false;
    static constexpr std::size_t kClosedText = sizeof "LOG FILE CLOSED" - 1;
    const std::size_t closing = LineStartBytes(TagOf(kLogEvent, nullptr, 0)) + 2 * kClosedText;
    return written_ + buffer_.size() + moreBytes + closing > sizeLimit_;
}

void CommLog::LogFileWriteTime(std::int32_t idLogType, std::string_view strExtraData) {
    if (LogLineType == kLogClosed) return;
    char scratch[32];
    const char* tag = TagOf(idLogType, scratch, sizeof scratch);
    // UTF-16 takes at most two bytes for each byte of UTF-8.
    if (PassesLimit(LineStartBytes(tag) + 2 * strExtraData.size())) {
        Rotate();
        if (LogLineType == kLogClosed) return;
    }
    WriteStamp(clock_.Ticks());
    LogLineType = idLogType;
    AppendAsciiRun(tag, std::strlen(tag));
    Append(strExtraData);
    // Events are rare and matter most when something goes wrong: write them out now.
    if (idLogType == kLogEvent || buffer_.size() >= kFlushThreshold) Flush();
}

void CommLog::LogFileWriteString(std::int32_t idLogType, std::string_view strExtraData) {
    if (LogLineType == kLogClosed) return;
    std::int64_t now = clock_.Ticks();
    if (idLogType == LogLineType && now - tickAtLastStamp_ < ticksPerMillisecond_ &&
        !PassesLimit(2 * strExtraData.size())) {
        Append(strExtraData);
        if (buffer_.size() >= kFlushThreshold) Flush();
    } else {
        LogFileWriteTime(idLogType, strExtraData);
    }
}

void CommLog::LogFileWriteChar(std::int32_t idLogType, unsigned char ch) {
    if (LogLineType == kLogClosed) return;
    // A character takes at most six ("(0x1B)"); near the limit it starts the next file's line.
    if (idLogType != LogLineType || (idLogType == kLogReceived && exactTimeLog_) || PassesLimit(12)) {
        LogFileWriteTime(idLogType, {});
        if (LogLineType == kLogClosed) return;
    }
    if (idLogType == kLogQueued && blockCharWriteLog_) {
        AppendAscii('.');
    } else if (ch >= 32 && ch <= 126) {
        AppendAscii(static_cast<char>(ch));
    } else {
        static const char hex[] = "0123456789ABCDEF";
        const char text[] = {'(', '0', 'x', hex[ch >> 4], hex[ch & 15], ')'};
        for (char c : text) AppendAscii(c);
    }
    if (buffer_.size() >= kFlushThreshold) Flush();
}

}  // namespace plyx::link
