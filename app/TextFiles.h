#pragma once
// Whole-file reads for the parameter and language files, with the system's
// error number kept for the error report, and line splitting.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace plyx::app {

// Largest file read; anything bigger is refused (EFBIG) rather than eat memory.
inline constexpr std::size_t kMaxTextFileBytes = platform::kMaxReadBytes;

// The bytes of a regular file; nullopt with err set (errno value) when it
// cannot be opened or read. A folder gives EISDIR.
std::optional<std::string> ReadFileBytes(const std::string& path, int& err);

// Lines ended by CR LF, LF or CR; a final terminator does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text);

// text without leading and trailing spaces.
std::string_view TrimSpaces(std::string_view text);

}  // namespace plyx::app
