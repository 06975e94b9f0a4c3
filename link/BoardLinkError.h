#pragma once
// The one error kind of the board link and the controller drivers.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace plyx::link {

// Base of the numbers the board link reports: the object-error base
// 0x80040000 plus 30000.
constexpr std::uint32_t kBoardLinkErrorBase = 0x80047530u;

class BoardLinkError : public std::runtime_error {
public:
    // idErrNumber is the small number given to ErrRaise (its absolute value counts).
    BoardLinkError(std::int32_t idErrNumber, std::string source, std::string description)
        : std::runtime_error(description),
          number_(kBoardLinkErrorBase + static_cast<std::uint32_t>(idErrNumber < 0 ? -idErrNumber : idErrNumber)),
          small_(idErrNumber < 0 ? -idErrNumber : idErrNumber),
          source_(std::move(source)),
          description_(std::move(description)) {}

    // 0x80047530 + |n| as a 32-bit value.
    std::uint32_t Number() const { return number_; }
    // The same number as the signed 32-bit value that message boxes show.
    std::int32_t SignedNumber() const { return static_cast<std::int32_t>(number_); }
    // The small number given to ErrRaise (1..9).
    std::int32_t SmallNumber() const { return small_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

private:
    std::uint32_t number_;
    std::int32_t small_;
    std::string source_;
    std::string description_;
};

}  // namespace plyx::link
