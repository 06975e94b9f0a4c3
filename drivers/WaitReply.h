#pragma once
// Reading the controller's one-line state reply (a state letter, a count,
// "*"): pure functions on texts, shared by both controller families.
#include <cstdint>
#include <string>
#include <string_view>

namespace plyx::drivers {

// Coded state letters (LastWaitType).
constexpr std::int32_t kWaitEmpty = -2;     // nothing received yet
constexpr std::int32_t kWaitNotState = -1;  // first character is no state letter
constexpr std::int32_t kWaitIdle = 0;       // I
constexpr std::int32_t kWaitMoving = 1;     // G or D
constexpr std::int32_t kWaitAccepting = 2;  // A
constexpr std::int32_t kWaitPaused = 3;     // P
constexpr std::int32_t kWaitStopped = 4;    // S

// IdleWait results.
constexpr std::int32_t kIdleWaitTimeout = -1;

struct WaitReply {
    std::int32_t lWaitType = kWaitEmpty;
    std::int32_t lQueueCount = 0;
};

// The reply with every CR and LF removed.
std::string PackReply(std::string_view strLastResponse);

// The 4-axis family's repairs of a packed reply from boards below type 3:
// firmware 2 and older answers a queued or idle command with the count alone
// ("3*"), so the command letter is put in front; and those boards report the
// end of a move as "G4*", which means idle.
std::string RepairPackedReply(std::string s, bool fFirmwareAbove2, std::string_view strLastCommand);

// Reads a packed reply into state code and count. The count is the number
// after the letter (0 when it is no number, or when the letter is no state
// letter); a count outside 16 bits throws ArithmeticOverflow.
WaitReply ParseWaitReply(std::string_view strPacked);

}  // namespace plyx::drivers
