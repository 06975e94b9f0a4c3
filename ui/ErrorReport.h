#pragma once
// What the operator reads when an error ends the program: in plain words,
// what happened, what the machine is doing now and what to do next, from
// the dictionary (so in the operator's language); the exact technical
// message goes under the box's details and into the log.
#include <cstdint>
#include <string>

#include "app/Environment.h"

namespace plyx::ui {

enum class ErrorKind {
    BoardLink,     // a board-link or driver error: smallNumber tells which
    TypeMismatch,  // a board value that is no number
    Overflow,      // a board value too large to be right
    Other,         // anything else
};

// For lost moves: how many, and the layer the head had reached.
struct LostMoves {
    std::int64_t lost = 0;
    std::int32_t layer = 0;
};

// The box's text. machine is the engine's sentence on the machine after
// the error ("" when no run was in progress).
std::string PlainErrorText(const app::Environment& env, ErrorKind kind, std::int32_t smallNumber,
                           const std::string& machine, const LostMoves& lostMoves = {});

}  // namespace plyx::ui
