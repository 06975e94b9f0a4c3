// Board replies through the link's reply parser, and single hexadecimal
// reply fields.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/ReplyParser.h"

namespace {
// "0" or an optional "-" and digits without a leading zero, within 32 bits.
bool IsDecimalInt32(const std::string& s) {
    if (s.empty() || s.size() > 11) return false;
    std::size_t i = (s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    for (std::size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    if (s[i] == '0' && s.size() > i + 1) return false;
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    return v >= -2147483648LL && v <= 4294967295LL;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const plyx::link::ParsedReply r = plyx::link::ParseReply(text);
    for (const auto& v : r.values) {
        if (v.motor.empty()) __builtin_trap();
        if (v.motor != "R" && v.motor != "S" && v.motor != "X" && v.motor != "Y" && v.motor[0] != 'M')
            __builtin_trap();
        if (v.motor.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    }
    if (r.copyright && r.copyright->find('\n') != std::string::npos) {
        // Lines of the text are joined by CR LF only; a lone LF never survives.
        const std::string& c = *r.copyright;
        for (std::size_t i = c.find('\n'); i != std::string::npos; i = c.find('\n', i + 1))
            if (i == 0 || c[i - 1] != '\r') __builtin_trap();
    }
    const std::string hex = plyx::link::HexFieldToDecimal(text);
    if (!IsDecimalInt32(hex)) __builtin_trap();
    return 0;
}
