#pragma once
// The board's identification text: its first word is the firmware name,
// the first numeric word before the copyright notice is the version.
#include <cstdint>
#include <string>
#include <string_view>

namespace plyx::link {

struct FirmwareId {
    std::string name;     // empty for an empty text
    std::string version;  // "BETA" when no number precedes the notice; empty for an empty text
};

// CR, LF, ":" and "$" count as blanks; the copyright sign counts as the
// word COPYRIGHT.
FirmwareId ExtractFromCopyright(std::string_view copyright);

// 1-based position of the first blank-separated name that starts the text
// (compared in upper case), 0 when none does. An empty name (two blanks)
// matches any text; an empty list matches nothing.
std::int32_t WhichCopyright(std::string_view copyright, std::string_view strFirmwareNames);

// True when the word reads as a number the way the firmware writes a
// version ("2.14", "10", "-1.5e3").
bool IsNumericWord(std::string_view word);

}  // namespace plyx::link
