// Commands and replies: writing command strings one command at a time,
// reading a reply up to "*" or "~", parsing it into values, and the local
// "/" switch commands.
#include "link/LinkText.h"
#include "link/ReplyParser.h"
#include "link/ZentrovaCom.h"

namespace plyx::link {
namespace {

// A reply that never ends is a board out of step (or noise on the line),
// not a reply: after this many bytes the read gives up.
constexpr std::int64_t kMaxReplyBytes = 65536;

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Parameters and neutral characters (code 0x7B and up) never end a command.
bool IsCommandChar(unsigned char c) {
    if (c >= 0x7B) return false;
    if (c >= '0' && c <= '9') return false;
    switch (c) {
        case '-': case '+': case '<': case '>': case '$': case '.': case ',': case ';': return false;
        default: return true;
    }
}

}  // namespace

void ZentrovaCom::StringWrite(const std::string& strBuffer) {
    if (IsAscii(strBuffer)) {
        for (char c : strBuffer) CharWrite(static_cast<unsigned char>(c));
        return;
    }
    for (char c : ToWireBytes(strBuffer)) CharWrite(static_cast<unsigned char>(c));
}

void ZentrovaCom::StringWriteData(std::int32_t lData) { StringWrite(std::to_string(lData)); }

std::int32_t ZentrovaCom::StringWriteCommand(const std::string& strBuffer, std::int32_t& cbWritten,
                                             std::int32_t cWaitForIdleTimeout) {
    std::string converted;
    std::string_view bytes = strBuffer;
    if (!IsAscii(strBuffer)) {
        converted = ToWireBytes(strBuffer);
        bytes = converted;
    }
    if (cbWritten < 0) cbWritten = 0;
    const auto length = static_cast<std::int32_t>(bytes.size());
    unsigned char command = 0;
    bool found = false;
    for (std::int32_t pos = cbWritten + 1; pos <= length; ++pos) {
        cbWritten = pos;
        auto c = static_cast<unsigned char>(bytes[static_cast<std::size_t>(pos - 1)]);
        CharWrite(c);
        if (IsCommandChar(c)) {
            command = c;
            found = true;
            break;
        }
    }
    if (!found) return 0;
    if (command >= 'a' && command <= 'z') command = static_cast<unsigned char>(command - 'a' + 'A');
    bool isLong = longCommands_.find(static_cast<char>(command)) != std::string::npos;
    const bool timed = !isLong && exchangeTimer_;
    const std::int64_t sentAt = timed ? clock_.Ticks() : 0;
    std::int32_t r = ReadToDone(isLong ? cWaitForIdleTimeout : fastIdleTime_);
    if (timed && r == 0)
        exchangeTimer_(static_cast<double>(clock_.Ticks() - sentAt) / static_cast<double>(clock_.TickFrequency()));
    if (r == -1 && !isLong) {
        std::string letter;
        AppendWireByte(letter, command);
        ErrRaise(1, "ZentrovaCom.StringWriteCommand",
                 "Error was unexpected timeout waiting for command response to <" + strBuffer + "> at character <" +
                     letter + ">");
    }
    return r;
}

std::int32_t ZentrovaCom::StringWriteCommandSequence(const std::string& strBuffer) {
    if (!strBuffer.empty() && strBuffer[0] == '/') {
        InterpretSwitch(strBuffer);
        return 0;
    }
    const auto length =
        static_cast<std::int32_t>(IsAscii(strBuffer) ? strBuffer.size() : ToWireBytes(strBuffer).size());
    std::int32_t position = 0;
    std::int32_t r = 0;
    while (position < length && r == 0) r = StringWriteCommand(strBuffer, position, idleTime_);
    return r;
}

std::int32_t ZentrovaCom::StringWriteDataThenSingleCommand(std::int32_t lData, const std::string& strCmd) {
    StringWriteData(lData);
    std::int32_t position = 0;
    return StringWriteCommand(strCmd, position, idleTime_);
}

void ZentrovaCom::AppendResponseByte(unsigned char ch) {
    if (lastResponseChars_ >= kMaxResponseChars) return;
    AppendWireByte(lastResponse_, ch);
    ++lastResponseChars_;
}

std::int32_t ZentrovaCom::ReadToDone(std::int32_t cMSecMax) {
    lastResponse_.clear();
    lastResponseChars_ = 0;
    bool sync = VerboseResponse();
    std::int32_t result = -1;
    std::int64_t count = 0;
    for (;;) {
        unsigned char ch = 0;
        if (CharRead(ch, cMSecMax) == -1) {
            result = -1;
            break;
        }
        if (sync && ch == '\n') sync = false;
        AppendResponseByte(ch);
        if (ch == '*') {
            sync = false;
            result = 0;
            break;
        }
        if (ch == '~') {
            result = 9;
            break;
        }
        if (++count >= kMaxReplyBytes)
            ErrRaise(4, "ZentrovaCom.ReadToDone",
                     "Failed to synchronize with board\r\n(" + std::to_string(kMaxReplyBytes) +
                         " bytes arrived without an end of reply: check the baud rate and the controller)");
    }
    if (sync) ErrRaise(4, "ZentrovaCom.ReadToDone", "Failed to synchronize with board");
    ParseResponse();
    return result;
}

void ZentrovaCom::ParseResponse() {
    // A reply without "," or ";" has no line of two fields, so it can set
    // nothing; the state replies of a run ("G29*", "*") are all like that.
    if (lastResponse_.find_first_of(",;") == std::string::npos) return;
    ParsedReply parsed = ParseReply(lastResponse_);
    for (const ReplyValue& v : parsed.values) ResultAdd(v.motor, v.item, v.value);
    if (parsed.lastCommaResult) lastCommaResult_ = std::move(*parsed.lastCommaResult);
    if (parsed.copyright) copyright_ = std::move(*parsed.copyright);
}

void ZentrovaCom::ResultAdd(const std::string& strWhichMotor, const std::string& strItem, const std::string& strData) {
    resultTable_[TrimBlanks(strWhichMotor + ":" + strItem)] = strData;
}

std::string ZentrovaCom::ResultGet(const std::string& strWhichMotor, const std::string& strItem) const {
    auto it = resultTable_.find(TrimBlanks(strWhichMotor + ":" + strItem));
    return it == resultTable_.end() ? std::string() : it->second;
}

void ZentrovaCom::SetLongCommands(const std::string& strData) {
    longCommands_ = UpperAscii("I" + strData);
    if (currentBoard_ >= 0 && currentBoard_ < static_cast<std::int32_t>(boards_.size()))
        boards_[static_cast<std::size_t>(currentBoard_)].longCommands = longCommands_;
}

bool ZentrovaCom::VerboseResponse() const {
    if (currentBoard_ < 0 || currentBoard_ >= static_cast<std::int32_t>(boards_.size())) return false;
    return boards_[static_cast<std::size_t>(currentBoard_)].verbose;
}

void ZentrovaCom::SetVerboseResponse(bool fEnable) {
    if (currentBoard_ >= 0 && currentBoard_ < static_cast<std::int32_t>(boards_.size()))
        boards_[static_cast<std::size_t>(currentBoard_)].verbose = fEnable;
}

void ZentrovaCom::SetIdleTime(std::int32_t ms) {
    idleTime_ = ms;
    if (currentBoard_ >= 0 && currentBoard_ < static_cast<std::int32_t>(boards_.size()))
        boards_[static_cast<std::size_t>(currentBoard_)].idleTime = ms;
}

void ZentrovaCom::InterpretSwitch(const std::string& strBuffer) {
    char which = strBuffer.size() >= 2 ? strBuffer[1] : '\0';
    std::string argument = strBuffer.size() > 2 ? strBuffer.substr(2) : std::string();
    switch (which) {
        case 'b': case 'B': BaudRateSelect(LeadingNumber(argument)); return;
        case 'c': case 'C': SetLongCommands(argument); return;
        case 'i': case 'I': SetIdleTime(LeadingNumber(argument)); return;
        case 'p': case 'P': PortOpen(argument); return;
        default:
            ErrRaise(5, "ZentrovaCom.InterpretSwitch", "Unknown command requested: Command was <" + strBuffer + ">");
    }
}

}  // namespace plyx::link
