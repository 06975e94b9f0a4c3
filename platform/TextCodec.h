#pragma once
// Text inside the program is UTF-8 in std::string. These convert at the
// edges: UTF-16 files and logs, 8-bit files that may not be valid UTF-8.
#include <string>
#include <string_view>

namespace plyx::platform {

// UTF-8 to UTF-16. A byte that does not start a valid UTF-8 sequence is
// taken as a Latin-1 character, so nothing is lost or rejected.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Text of an 8-bit file: valid UTF-8 sequences stay, every other byte is
// read as Latin-1. The result is valid UTF-8.
std::string DecodeEightBit(std::string_view bytes);

// UTF-16 little-endian bytes of a text (no byte-order mark).
std::string EncodeUtf16Le(std::string_view utf8);

// a-z in capitals, every other byte as it is: keys, names and command
// letters are ASCII, and the user's locale must not change them.
std::string UpperAscii(std::string_view text);

// text without its control characters (below 0x20, and 0x7F): a value kept
// on one line of a file can then never become two.
std::string WithoutControlCharacters(std::string_view text);

}  // namespace plyx::platform
