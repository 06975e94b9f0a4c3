#include "drivers/DriverNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace plyx::drivers {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

// &H / &O literals: up to 4 digits are a 16-bit value, up to 8 hex
// (11 octal) a 32-bit value, as the literal forms of the board's numbers.
bool RadixValue(std::string_view s, double* out) {
    if (s.size() < 3 || s[0] != '&') return false;
    int base = 0;
    if (s[1] == 'H' || s[1] == 'h') base = 16;
    else if (s[1] == 'O' || s[1] == 'o') base = 8;
    else return false;
    std::string_view digits = s.substr(2);
    std::size_t maxDigits = base == 16 ? 8 : 11;
    if (digits.empty() || digits.size() > maxDigits) return false;
    std::uint64_t v = 0;
    for (char c : digits) {
        int d = DigitValue(c, base);
        if (d < 0) return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (v > 0xFFFFFFFFull) return false;
    bool small = base == 16 ? digits.size() <= 4 : v <= 0xFFFF;
    if (out) {
        if (small) *out = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
        else *out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    return true;
}

bool DecimalValue(std::string_view s, double* out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::size_t start = i;
    int digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) ++digits;
        else if (s[i] == '.' && !point) point = true;
        else break;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        int expDigits = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i) ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != s.size()) return false;
    if (out) {
        // from_chars reads "." whatever the locale; a leading "+" is ours.
        std::string_view body = s.substr(start);
        double v = 0;
        auto res = std::from_chars(body.data(), body.data() + body.size(), v);
        if (res.ec == std::errc::result_out_of_range) {
            bool tiny = body.find("e-") != std::string_view::npos || body.find("E-") != std::string_view::npos;
            v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        }
        *out = negative ? -v : v;
    }
    return true;
}

bool Value(std::string_view s, double* out) {
    s = Trimmed(s);
    if (s.empty()) return false;
    if (s[0] == '&') return RadixValue(s, out);
    return DecimalValue(s, out);
}

}  // namespace

bool IsNumeric(std::string_view s) { return Value(s, nullptr); }

double NumberValue(std::string_view s) {
    double v = 0;
    if (!Value(s, &v)) throw TypeMismatch();
    return v;
}

std::int32_t RoundToLong(double z) {
    if (!std::isfinite(z)) throw ArithmeticOverflow();
    double r = std::nearbyint(z);
    if (r < -2147483648.0 || r > 2147483647.0) throw ArithmeticOverflow();
    return static_cast<std::int32_t>(r);
}

std::int16_t RoundToInt(double z) {
    if (!std::isfinite(z)) throw ArithmeticOverflow();
    double r = std::nearbyint(z);
    if (r < -32768.0 || r > 32767.0) throw ArithmeticOverflow();
    return static_cast<std::int16_t>(r);
}

std::int32_t TextToLong(std::string_view s) { return RoundToLong(NumberValue(s)); }
std::int16_t TextToInt(std::string_view s) { return RoundToInt(NumberValue(s)); }

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) throw ArithmeticOverflow();
    return r;
}

std::int32_t CheckedMul(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_mul_overflow(a, b, &r)) throw ArithmeticOverflow();
    return r;
}

}  // namespace plyx::drivers
