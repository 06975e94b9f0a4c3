#pragma once
// Reading a controller reply into values: a pure function of the reply
// text, so it can be checked with plain strings.
//
// A reply is split into lines at carriage returns (line feeds are dropped).
// A line's fields are separated by ";" when it has one (every field after
// the first is then hexadecimal, optionally with a leading "-", and becomes
// its decimal text; anything else becomes "0"), else by ",". Field 0 names
// the motor ("R", "S", "X", "Y" or "M..."). Field 1 "-12" starts the board's
// identification block, which runs up to a line holding only "*"; "0"
// starts an indexed list (items -1, -2, ... for fields 2, 3, ...); any
// other item with exactly three fields is a single value.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plyx::link {

struct ReplyValue {
    std::string motor;
    std::string item;
    std::string value;
};

struct ParsedReply {
    // Values in the order the reply gave them; later ones replace earlier
    // ones under the same key.
    std::vector<ReplyValue> values;
    // Last field of the last line with at least two fields (any motor).
    std::optional<std::string> lastCommaResult;
    // Identification text (lines after the last "-12" marker, joined by
    // CR LF); set only when the reply had a marker.
    std::optional<std::string> copyright;
};

ParsedReply ParseReply(std::string_view response);

// Decimal text of one hexadecimal reply field: "1A" -> "26", "-1F" -> "-31".
// One to four digits are a 16-bit value ("FFFF" -> "-1"), five to eight a
// 32-bit value; a leading "-" negates the value the digits give. Blanks
// around the field are ignored. Anything else (empty, more than eight
// digits, other characters) gives "0".
std::string HexFieldToDecimal(std::string_view field);

}  // namespace plyx::link
