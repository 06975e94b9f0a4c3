#pragma once
// Small helpers shared by the driver tests.
#include <gtest/gtest.h>

#include <string>

#include "link/BoardLinkError.h"

namespace plyx::test {

// Runs f and returns the board-link error it raised (a failure when none).
template <class F>
link::BoardLinkError CatchBoardError(F f) {
    try {
        f();
    } catch (const link::BoardLinkError& e) {
        return e;
    }
    ADD_FAILURE() << "no BoardLinkError was raised";
    return link::BoardLinkError(0, "", "");
}

// The text of an error as ErrRaise composes it: the message is its second line.
inline std::string MessageOf(const link::BoardLinkError& e) {
    const std::string& d = e.Description();
    std::size_t start = d.find("\r\n");
    if (start == std::string::npos) return "";
    start += 2;
    std::size_t end = d.find("\r\n", start);
    return d.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace plyx::test
