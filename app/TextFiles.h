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

// Largest files read, far beyond any real one (a settings or shell file is
// a few hundred bytes, a language file some tens of KB); anything bigger is
// refused (EFBIG) rather than fill memory and the log.
inline constexpr std::size_t kMaxParameterFileBytes = 1u << 20;
inline constexpr std::size_t kMaxLanguageFileBytes = 4u << 20;

// The bytes of a regular file of at most maxBytes; nullopt with err set
// (errno value) when it cannot be opened or read. A folder gives EISDIR, a
// bigger file EFBIG.
std::optional<std::string> ReadFileBytes(const std::string& path, int& err, std::size_t maxBytes);

// Lines ended by CR LF, LF or CR; a final terminator does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text);

// text without leading and trailing spaces.
std::string_view TrimSpaces(std::string_view text);

}  // namespace plyx::app
