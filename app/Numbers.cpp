#include "app/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace plyx::app {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads characters of text one by one, skipping blanks when asked.
class Cursor {
public:
    Cursor(std::string_view text, bool skipBlanks) : text_(text), skip_(skipBlanks) { Settle(); }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    void Next() {
        ++pos_;
        Settle();
    }

private:
    void Settle() {
        while (skip_ && pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }
    std::string_view text_;
    bool skip_;
    std::size_t pos_ = 0;
};

// &H / &O numbers after the "&": 16-bit for short forms, 32-bit for long
// ones, nullopt when wider than 32 bits.
std::optional<double> ReadRadix(Cursor& c, bool& ok) {
    char kind = c.Peek();
    int radix;
    std::size_t shortDigits;
    if (kind == 'H' || kind == 'h') {
        radix = 16;
        shortDigits = 4;
    } else if (kind == 'O' || kind == 'o') {
        radix = 8;
        shortDigits = 6;
    } else {
        ok = false;
        return std::nullopt;
    }
    c.Next();
    std::uint64_t value = 0;
    std::size_t digits = 0;  // significant digits (leading zeros left out)
    bool any = false;
    for (;;) {
        int d = HexValue(c.Peek());
        if (d < 0 || d >= radix) break;
        any = true;
        if (value != 0 || d != 0) ++digits;
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) return std::nullopt;  // wider than 32 bits
        c.Next();
    }
    ok = any;
    if (!any) return 0.0;
    if (digits <= shortDigits && value <= 0xFFFF) {
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

// Parses a number at the cursor. ok tells whether at least one digit was
// read; the result is nullopt when the value does not fit a double.
std::optional<double> ReadNumber(Cursor& c, bool& ok) {
    ok = false;
    if (c.Peek() == '&') {
        c.Next();
        return ReadRadix(c, ok);
    }
    bool negative = false;
    if (c.Peek() == '+' || c.Peek() == '-') {
        negative = c.Peek() == '-';
        c.Next();
    }
    std::string canonical;
    while (IsDigit(c.Peek())) {
        canonical += c.Peek();
        c.Next();
    }
    bool anyDigit = !canonical.empty();
    if (c.Peek() == '.') {
        canonical += '.';
        c.Next();
        while (IsDigit(c.Peek())) {
            canonical += c.Peek();
            anyDigit = true;
            c.Next();
        }
    }
    if (!anyDigit) return 0.0;
    ok = true;
    char e = c.Peek();
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        c.Next();
        std::string exponent = "e";
        if (c.Peek() == '+' || c.Peek() == '-') {
            exponent += c.Peek();
            c.Next();
        }
        bool expDigits = false;
        while (IsDigit(c.Peek())) {
            exponent += c.Peek();
            expDigits = true;
            c.Next();
        }
        if (expDigits) canonical += exponent;
    }
    double value = 0;
    const char* first = canonical.data();
    const char* last = first + canonical.size();
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) {
        // Overflow gives nothing usable; underflow is as good as zero.
        if (ec == std::errc::result_out_of_range) {
            bool tiny = canonical.find("e-") != std::string::npos;
            if (tiny) return 0.0;
        }
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

double Val(std::string_view text) {
    Cursor c(text, true);
    bool ok = false;
    std::optional<double> v = ReadNumber(c, ok);
    if (!v) return 0.0;
    return *v + 0.0;  // no negative zero
}

bool IsNumeric(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    text = text.substr(b, e - b);
    Cursor c(text, false);
    bool ok = false;
    std::optional<double> v = ReadNumber(c, ok);
    return v.has_value() && ok && c.AtEnd();
}

std::string NumberText(double value) {
    if (!std::isfinite(value) || value == 0) return "0";
    // The largest doubles round up to 1.79769313486232E+308, which is past
    // the largest double and would read back as 0: write them rounded down.
    constexpr double kLargestWritable = 1.79769313486231e308;
    if (std::fabs(value) > kLargestWritable) value = std::copysign(kLargestWritable, value);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    if (ec != std::errc()) return "0";
    std::string_view s(buf, static_cast<std::size_t>(end - buf));
    std::string out;
    if (s.front() == '-') {
        out += '-';
        s.remove_prefix(1);
    }
    // s is now "d.dddddddddddddde+XX"
    std::size_t ePos = s.find('e');
    std::string digits;
    for (char ch : s.substr(0, ePos))
        if (IsDigit(ch)) digits += ch;
    int exponent = 0;
    std::string_view expText = s.substr(ePos + 1);
    if (expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int n = static_cast<int>(digits.size());

    if (exponent >= 0 && exponent < 15) {
        if (n <= exponent + 1) {
            out += digits;
            out.append(static_cast<std::size_t>(exponent + 1 - n), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(exponent + 1));
            out += '.';
            out += digits.substr(static_cast<std::size_t>(exponent + 1));
        }
        return out;
    }
    if (exponent < 0 && (-exponent - 1) + n <= 15) {
        out += '.';
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    out += digits[0];
    if (n > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    int mag = exponent < 0 ? -exponent : exponent;
    if (mag < 10) out += '0';
    out += std::to_string(mag);
    return out;
}

double RoundHalfEven(double value) {
    double f = std::floor(value);
    double diff = value - f;
    if (diff < 0.5) return f;
    if (diff > 0.5) return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::optional<std::int16_t> ToInt16(double value) {
    if (std::isnan(value)) return std::nullopt;
    double r = RoundHalfEven(value);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> ToInt32(double value) {
    if (std::isnan(value)) return std::nullopt;
    double r = RoundHalfEven(value);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::string HexText(std::int32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return buf;
}

}  // namespace plyx::app
