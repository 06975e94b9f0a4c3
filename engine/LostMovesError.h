#pragma once
// The controller counted moves as done that its head never ran (it
// restarted or lost power mid-run): an error of the board like any other,
// which ends the run and the program, and says how many and how far the
// shell is wound.
#include <cstdint>
#include <string>

#include "link/BoardLinkError.h"

namespace plyx::engine {

class LostMovesError final : public link::BoardLinkError {
public:
    static constexpr std::int32_t kNumber = 10;
    LostMovesError(std::int64_t lost, std::int16_t layer)
        : BoardLinkError(kNumber, "RunEngine.CheckMovesRan",
                         "Error 10 reported by RunEngine.CheckMovesRan\r\nThe controller lost " + std::to_string(lost) +
                             " moves it had accepted; the shell is wound up to layer " + std::to_string(layer) +
                             "\r\n"),
          lost_(lost),
          layer_(layer) {}
    std::int64_t Lost() const { return lost_; }
    std::int16_t Layer() const { return layer_; }

private:
    std::int64_t lost_;
    std::int16_t layer_;
};

}  // namespace plyx::engine
