#pragma once
// Small text helpers of the board link. Bytes on the wire are single
// characters (Latin-1); text inside the program is UTF-8.
#include <cstdint>
#include <string>
#include <string_view>
#include "platform/TextCodec.h"

namespace plyx::link {

// One byte per character: code points up to 255 as themselves, others "?".
std::string ToWireBytes(std::string_view utf8);
// Bytes read as Latin-1 characters, in UTF-8.
std::string WireBytesToText(std::string_view bytes);
// Appends one byte as a Latin-1 character.
inline void AppendWireByte(std::string& text, unsigned char ch) {
    if (ch < 0x80) {
        text += static_cast<char>(ch);
    } else {
        text += static_cast<char>(0xC0 | (ch >> 6));
        text += static_cast<char>(0x80 | (ch & 0x3F));
    }
}
using platform::UpperAscii;
// Leading and trailing blanks removed.
std::string TrimBlanks(std::string_view s);
// The leading number of a text, as the general number parser reads it
// (blanks skipped, "" or no digits = 0), rounded to a 32-bit integer.
std::int32_t LeadingNumber(std::string_view s);

}  // namespace plyx::link
