#include "drivers/WaitReply.h"

#include <algorithm>

#include "drivers/DriverNumbers.h"

namespace plyx::drivers {

std::string PackReply(std::string_view strLastResponse) {
    std::string s;
    s.reserve(strLastResponse.size());
    for (char c : strLastResponse)
        if (c != '\r' && c != '\n') s += c;
    return s;
}

std::string RepairPackedReply(std::string s, bool fFirmwareAbove2, std::string_view strLastCommand) {
    if (!fFirmwareAbove2 && s.size() == 2 && s[0] >= '0' && s[0] <= '9')
        s = std::string(strLastCommand) + s;
    if (s == "G4*") s = "I4*";
    return s;
}

namespace {

std::int32_t StateCode(char c) {
    switch (c) {
        case 'A': return kWaitAccepting;
        case 'G': return kWaitMoving;
        case 'D': return kWaitMoving;
        case 'I': return kWaitIdle;
        case 'P': return kWaitPaused;
        case 'S': return kWaitStopped;
        default: return kWaitNotState;
    }
}

}  // namespace

WaitReply ParseWaitReply(std::string_view strPacked) {
    std::string s;
    for (char c : strPacked)
        if (c != '*') s += c;
    WaitReply out;
    if (s.empty()) return out;  // kWaitEmpty, count 0
    out.lWaitType = StateCode(s[0]);
    // A text that is no state reply keeps count 0 whatever follows, so a
    // garbled reply is reported as such rather than as a number overflow.
    if (out.lWaitType == kWaitNotState) return out;
    std::string_view rest = std::string_view(s).substr(1);
    // The counts of a run's state replies are a few plain digits ("G0",
    // "G29"), read here as the general number reading would read them; that
    // reading goes through a real number and runs on every poll otherwise.
    if (!rest.empty() && rest.size() <= 4 &&
        std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        for (char c : rest) out.lQueueCount = out.lQueueCount * 10 + (c - '0');
        return out;
    }
    if (IsNumeric(rest)) out.lQueueCount = TextToInt(rest);
    return out;
}

}  // namespace plyx::drivers
