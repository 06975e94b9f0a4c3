#pragma once
// Language files: a "PLYX3RESOURCES" header line, then "ID,text" lines, in
// UTF-16 or in 8-bit text, read into the text tables. They report through
// the environment (its log, error report and message boxes), so they sit
// with it rather than with the tables.
#include <cstdint>
#include <string>

#include "app/Environment.h"
#include "text/Resources.h"

namespace plyx::text {

// Language files. Results: 0 loaded (or path empty), 1 cannot be opened or
// empty, -1 not a language file in either encoding. path is trimmed in the
// caller's variable. Failures are logged and reported through env (its
// error report and message boxes), as the operator must see them.
std::int16_t LoadResourceFile(app::Environment& env, TextTable& table, std::string& path);
std::int16_t LoadSelectedResourceFile(app::Environment& env, std::string& path);
// One pass in one encoding: unicode = UTF-16 little-endian (a byte-order
// mark is skipped), else 8-bit (UTF-8; other bytes as Latin-1).
std::int16_t ParseResourceFile(app::Environment& env, TextTable& table, const std::string& path,
                               bool unicode);

}  // namespace plyx::text
