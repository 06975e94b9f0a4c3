// The number reader and writer: any text reads as a finite number, and any
// finite number written reads back to itself within 15 significant digits.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "app/Numbers.h"

using plyx::app::IsNumeric;
using plyx::app::NumberText;
using plyx::app::Val;

namespace {
void CheckWritten(double x) {
    if (!std::isfinite(x)) return;
    const std::string t = NumberText(x);
    if (!IsNumeric(t)) __builtin_trap();
    if (t.find(' ') != std::string::npos) __builtin_trap();
    const double back = Val(t);
    // 15 significant digits; subnormals carry fewer digits of their own.
    const double tolerance = std::fabs(x) * 1e-14 + 1e-300;
    if (std::fabs(back - x) > tolerance) __builtin_trap();
    if (NumberText(back) != t) __builtin_trap();  // the written text is stable
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const double v = Val(text);
    if (!std::isfinite(v)) __builtin_trap();
    (void)IsNumeric(text);
    CheckWritten(v);

    const double r = plyx::app::RoundHalfEven(v);
    if (std::fabs(r - v) > 0.5) __builtin_trap();
    if (auto i16 = plyx::app::ToInt16(v); i16 && std::fabs(*i16 - v) > 0.5) __builtin_trap();
    if (auto i32 = plyx::app::ToInt32(v); i32 && std::fabs(*i32 - v) > 0.5) __builtin_trap();

    if (size >= 8) {  // the raw bits of a double, including NaN and infinities
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckWritten(raw);
        (void)NumberText(raw);
        (void)plyx::app::ToInt16(raw);
        (void)plyx::app::ToInt32(raw);
        std::int32_t bits;
        std::memcpy(&bits, data, sizeof bits);
        const std::string hex = plyx::app::HexText(bits);
        if (hex.empty() || hex.size() > 8) __builtin_trap();
    }
    return 0;
}
