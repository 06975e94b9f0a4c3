// Byte parser and reply forms shared by both families.
#include <algorithm>
#include <cctype>
#include <limits>

#include "sim/Board.h"
#include "sim/Board2Axis.h"
#include "sim/Board4Axis.h"

namespace plyx::sim {

namespace {

bool IsParamChar(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '<' || c == '>' || c == '$' ||
           c == '.' || c == ',' || c == ';';
}

// The firmware keeps a small parameter buffer; longer runs are cut.
constexpr size_t kMaxParam = 64;

int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The last number of text: "," and ";" separate numbers, every "-" flips
// the sign, "+" and the other parameter characters are ignored.
bool LastNumber(std::string_view text, int32_t* out) {
    size_t start = text.find_last_of(",;");
    std::string_view t = start == std::string_view::npos ? text : text.substr(start + 1);
    bool neg = false, digits = false;
    int64_t mag = 0;
    for (char c : t) {
        if (c == '-') {
            neg = !neg;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (mag < (int64_t{1} << 40)) mag = mag * 10 + (c - '0');
        }
    }
    *out = Clamp32(neg ? -mag : mag);
    return digits;
}

}  // namespace

Param ParseParam(const std::string& text) {
    Param p;
    p.text = text;
    p.present = LastNumber(text, &p.value);
    if (!text.empty() && text[0] == '-') {
        p.queuePrefix = true;
        LastNumber(std::string_view(text).substr(1), &p.queuedValue);
    }
    return p;
}

std::unique_ptr<Board> Board::Create(const SimOptions& options) {
    if (options.firmwareName.rfind("QM4D", 0) == 0) return std::make_unique<Board4Axis>(options);
    return std::make_unique<Board2Axis>(options);
}

Board::Board(const SimOptions& options, Family family) : options_(options), family_(family) {
    instant_ = !(options.timeScale > 0);
    capacity_ = options.queueCapacity < 1 ? 1 : options.queueCapacity;
    size_t i = 0;
    int major = 0;
    while (i < options.versionText.size() && std::isdigit(static_cast<unsigned char>(options.versionText[i]))) {
        major = major * 10 + (options.versionText[i] - '0');
        if (major > 99) major = 99;
        ++i;
    }
    majorVersion_ = i == 0 ? 99 : major;
}

Board::~Board() = default;

void Board::Receive(std::string_view bytes) {
    for (char c : bytes) {
        ++counters_.bytesIn;
        HandleByte(static_cast<unsigned char>(c));
    }
}

std::vector<std::string> Board::TakeReplies() {
    std::vector<std::string> out;
    out.swap(replies_);
    return out;
}

void Board::HandleByte(unsigned char b) {
    if (binaryHigh_ >= 0) {
        int high = binaryHigh_;
        binaryHigh_ = -1;
        int axis = (high >> 5) & 3;
        int field = ((high & 15) << 8) | b;
        int32_t delta = field >= 2048 ? field - 4096 : field;
        SettleInstant();
        ++counters_.commands;
        param_.clear();
        BinaryDelta(axis, delta);
        UpdateAutoStart();
        return;
    }
    if (b >= 0x80) {
        // Two-byte delta: bit 7 set, bit 4 clear in the first byte.
        if (AcceptsBinaryDelta() && (b & 0x10) == 0) binaryHigh_ = b;
        return;
    }
    if (IsParamChar(b)) {
        if (param_.size() < kMaxParam) param_.push_back(static_cast<char>(b));
        return;
    }
    if (b >= 0x7B) {
        // "{" and "}" are fillers; "~" flushes a half-received command.
        if (b == '~') {
            param_.clear();
            AbortReply();
        }
        return;
    }
    SettleInstant();
    ++counters_.commands;
    std::string text = param_;
    param_.clear();
    echo_ = text + static_cast<char>(b);
    Command(static_cast<char>(b), ParseParam(text));
    echo_.clear();
    UpdateAutoStart();
}

void Board::BinaryDelta(int, int32_t) { ++counters_.unknownCommands; }

void Board::Reply(std::string body) {
    if (verbose_ && !echo_.empty()) {
        std::string e;
        for (char c : echo_)
            if (c != '\r' && c != '\n') e.push_back(c);
        body = e + "\r\n" + body;
    }
    counters_.replies++;
    replies_.push_back(std::move(body));
}

void Board::ValueReply(const std::string& who, int32_t item, int64_t value) {
    NamedReply(who, std::to_string(item), value);
}

void Board::NamedReply(const std::string& who, const std::string& item, int64_t value) {
    Reply(who + "," + item + "," + std::to_string(value) + "\r\n*");
}

std::string Board::StateText() const {
    int count = QueueFree();
    char letter = 'I';
    switch (Run()) {
        case RunState::Idle: letter = 'I'; break;
        case RunState::Moving: letter = 'G'; break;
        case RunState::Dwelling: letter = 'A'; break;
        case RunState::Paused: letter = 'P'; break;
        case RunState::Stopped: letter = 'S'; break;
    }
    return std::string(1, letter) + std::to_string(count) + "*";
}

void Board::StateReply() { Reply(StateText()); }

void Board::EepromCommand(int32_t v) {
    if (v == 987654321) {
        std::fill(eeprom_.begin(), eeprom_.end(), 0);
        storedPolarities_ = 0;
    } else if (v == 123456789) {
        storedPolarities_ = pulsePolarities_;
    } else if (eepromSelected_ < 0 && v >= 65536) {
        eepromSelected_ = v - 65536;
    } else if (eepromSelected_ >= 0) {
        if (static_cast<size_t>(eepromSelected_) < eeprom_.size()) eeprom_[eepromSelected_] = v;
        eepromSelected_ = -1;
    }
}

bool Board::EepromReport(int32_t item, int64_t* value) const {
    if (item < 16384 || item - 16384 >= static_cast<int32_t>(eeprom_.size())) return false;
    *value = eeprom_[item - 16384];
    return true;
}

void Board::IdentificationReply() {
    ++counters_.identifications;
    identified_ = true;
    Reply("R,-12\r\n" + options_.firmwareName + " " + options_.versionText +
          "\r\nCopyright (C) Zentrova. All rights reserved.\r\n*");
}

}  // namespace plyx::sim
