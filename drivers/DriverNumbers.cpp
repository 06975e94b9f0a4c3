#include "drivers/DriverNumbers.h"

#include <optional>

#include "app/Numbers.h"

namespace plyx::drivers {

// Numbers are read and rounded by the program's one set of rules; the
// drivers add only that a text that must be a number, or a value that must
// fit, raises an error instead of reading as 0.

bool IsNumeric(std::string_view s) { return app::IsNumeric(s); }

double NumberValue(std::string_view s) {
    if (!app::IsNumeric(s)) throw TypeMismatch();
    return app::Val(s);
}

std::int32_t RoundToLong(double z) {
    std::optional<std::int32_t> v = app::ToInt32(z);
    if (!v) throw ArithmeticOverflow();
    return *v;
}

std::int16_t RoundToInt(double z) {
    std::optional<std::int16_t> v = app::ToInt16(z);
    if (!v) throw ArithmeticOverflow();
    return *v;
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
