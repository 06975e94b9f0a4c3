#pragma once
// Numbers that cross a file, a log line or the wire: reading the leading
// numeric part of a text, writing the shortest text of a real, and turning
// reals into 16- and 32-bit integers. Everything here ignores the process
// locale: "." is always the decimal point.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plyx::app {

// The leading numeric part of text as a number:
//   [blanks] [+|-] digits [. digits] [E|D [+|-] digits]   decimal
//   &H hexdigits / &O octdigits                              hexadecimal / octal
// Blanks and tabs anywhere inside the number are skipped ("1 2.5" reads 12.5).
// Reading stops at the first character that does not fit; text that does not
// start with a number reads as 0. A value too large for a double, or a
// hexadecimal/octal value wider than 32 bits, also reads as 0.
// Hexadecimal and octal values of up to 4 hex digits (6 octal digits) are
// 16-bit two's complement ("&HFFFF" is -1), longer ones 32-bit ("&HFFFFFFFF"
// is -1, "&H10000" is 65536), as the number reader of stored files always was.
double Val(std::string_view text);

// True when the whole text, apart from blanks at either end, is one number
// of the form above (at least one digit, nothing after it).
bool IsNumeric(std::string_view text);

// Shortest decimal text of value with at most 15 significant digits:
// "10.59", "-25", ".5", "-.5", "0", "123456789012345". Values that 15 digit
// positions cannot show use an exponent with a sign and at least two digits:
// "1E+15", "1.5E-16". No blanks, no leading zero before the point.
// NaN and infinities give "0".
std::string NumberText(double value);

// Nearest whole number, halves to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// RoundHalfEven(value) as a 16-/32-bit integer; nullopt when it does not fit
// (or value is NaN). Use these wherever a real becomes a board value or a count.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// Capital hexadecimal without leading zeros of the 32-bit pattern of value
// (255 -> "FF", -1 -> "FFFFFFFF").
std::string HexText(std::int32_t value);

}  // namespace plyx::app
