#pragma once
// Values that no run can use: the shell options dialog refuses them in its
// fields, and a file or the command line must not slip them past it.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/ParameterSet.h"

namespace plyx::app {

struct UnusableValue {
    std::string key;    // short key, "TLC"
    std::string value;  // "32767" as a file gave it, or the value held
    std::string rule;   // what it must be, for the log
};

// The checked keys whose values in params no run can use, in a fixed order.
std::vector<UnusableValue> UnusableValues(const ParameterSet& params);

// The same for the keys a file set: readValues holds each key (short form)
// with the compact text the file gave it, last one winning. A count that
// the 16-bit field cannot hold (it reads as 0) is unusable too.
std::vector<UnusableValue> UnusableValues(const ParameterSet& params,
                                          const std::vector<std::pair<std::string, std::string>>& readValues);

// "KEY=value, KEY=value".
std::string ListOf(const std::vector<UnusableValue>& values);

}  // namespace plyx::app
